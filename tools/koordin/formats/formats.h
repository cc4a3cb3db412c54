#pragma once

#include "tools/koordin/formats/document.h"

#include <string>
#include <string_view>

// The file formats koordin converts between, besides KOORDIN itself, which only the driver reads
// and writes. Each reader takes a whole file's bytes and throws FormatError with the line of the
// first fault it cannot read past; what it can read past goes to `diagnostics`. Each writer
// returns the whole file's bytes, warns about whatever of the document the format cannot hold, and
// throws FormatError (line 0, naming the waypoint) for coordinates beyond 90 or 180 degrees.
namespace koordin_cli {

// CUP waypoint files with their task section. Input is UTF-8, or Windows-1252 when it is not
// valid UTF-8; output is UTF-8 with CR LF line ends and the 14-column header. Columns are found by
// their header names; a waypoint line without a name or with coordinates that cannot be read is a
// FormatError. A task's option, zone and start lines are kept verbatim and written back after it.
// The marker and slot of a waypoint have no place in CUP.
Document ReadCup(std::string_view bytes, Diagnostics& diagnostics);
std::string WriteCup(const Document& document, Diagnostics& diagnostics);

// GPX 1.1: waypoints (wpt) and routes (rte, their points matched to the waypoints by name).
Document ReadGpx(std::string_view bytes, Diagnostics& diagnostics);
std::string WriteGpx(const Document& document, Diagnostics& diagnostics);

// CSV: one header line, then one line per waypoint; tasks in a second table after a blank line.
Document ReadCsv(std::string_view bytes, Diagnostics& diagnostics);
std::string WriteCsv(const Document& document, Diagnostics& diagnostics);

// JSON: {"waypoints": [...], "tasks": [...]}.
Document ReadJson(std::string_view bytes, Diagnostics& diagnostics);
std::string WriteJson(const Document& document, Diagnostics& diagnostics);

}  // namespace koordin_cli
