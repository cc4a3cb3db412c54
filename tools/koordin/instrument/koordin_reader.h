#pragma once

#include "tools/koordin/document/document.h"
#include "tools/koordin/instrument/driver_library.h"
#include "tools/koordin/instrument/koordin_listing.h"
#include "tools/koordin/io/file_io.h"

#include <string>

// KOORDIN files read through the driver's exports alone.
namespace koordin_cli {

// Recognises and reads the whole file at `path`, whose text is in `encoding`; warns about bytes
// that are no character of that set. Messages name the file `shownAs`, or `path` when that is
// empty. Throws FileError when the file cannot be opened or read, when it is not a KOORDIN file
// (quoting its first line, or naming lines that end in a carriage return alone), at the first
// malformed line, compiler style ("FILE:16: bad latitude: "4x:10:00""), and at the end of a file
// that has fewer or more lines than its slots take.
KoordinListing ReadKoordin(const LoadedDriver& driver, const std::string& path,
                           const std::string& encoding, Diagnostics& diagnostics,
                           const std::string& shownAs = std::string());

}  // namespace koordin_cli
