#pragma once

#include "tools/koordin/document/document.h"
#include "tools/koordin/instrument/driver_library.h"
#include "tools/koordin/instrument/koordin_listing.h"
#include "tools/koordin/io/file_io.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// KOORDIN files read through the driver's exports alone.
namespace koordin_cli {

// A line of a KOORDIN file that the driver reads but its writer never writes: its number, and what
// is wrong with it.
using FormFault = std::pair<int, std::string>;

// Recognises and reads the whole file that `stream` gives from its start, once through, as it
// comes: a pipe or standard input as a file, keeping nothing but the lines it reads. The text is in
// `encoding`; warns about bytes that are no character of that set, and about every line not in the
// form the driver writes (each also in `formFaults`, when given). Messages name the file `shown`.
// Throws FileError when the file cannot be read, when it is not a KOORDIN file (quoting its first
// line, or naming lines that end in a carriage return alone), at the first malformed line,
// compiler style ("FILE:16: bad latitude: "4x:10:00""), and at the end of a file that has fewer or
// more lines than its slots take.
KoordinListing ReadKoordin(const LoadedDriver& driver, std::FILE* stream,
                           const std::string& encoding, Diagnostics& diagnostics,
                           const std::string& shown, std::vector<FormFault>* formFaults = nullptr);

}  // namespace koordin_cli
