#pragma once

#include "tools/koordin/instrument/koordin_listing.h"

#include <string>

// The listings that `koordin dump` prints. Each shows the turnpoints (slot, name, latitude and
// longitude as signed degrees and as degrees, minutes and seconds, altitude, frequency, marker)
// and the routes (slot, name, points); empty slots only when `all` is set.
namespace koordin_cli {

// Two aligned tables, turnpoints then routes, separated by a blank line.
std::string DumpText(const KoordinListing& listing, bool all);

// Two CSV tables with header lines, turnpoints then routes, separated by a blank line; a route's
// points are one field, separated by " > ".
std::string DumpCsv(const KoordinListing& listing, bool all);

// {"turnpoints": [...], "routes": [...]}, indented.
std::string DumpJson(const KoordinListing& listing, bool all);

}  // namespace koordin_cli
