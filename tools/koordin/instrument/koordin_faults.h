#pragma once

#include "records/fio_error.h"

#include <string>

// What is wrong with a file the driver would not read, in words that quote the file's own line:
// koordin reads the line again from the file to show it.
namespace koordin_cli {

// "FILE:16: bad latitude: "4x:10:00"" for the driver's fault in the file at `path`, shown as
// `shown`, whose text is in `encoding`; `fileEnded` says the fault lies at the file's end.
std::string DescribeFault(const std::string& path, const std::string& shown, const FIO_Error& fault,
                          const std::string& encoding, bool fileEnded);

// True when the file's lines end in a carriage return alone, as on old Macintosh systems: its
// start holds a carriage return and no line feed.
bool EndsLinesInCarriageReturn(const std::string& path);

// Why such a file is not read.
extern const char* const kCarriageReturnLines;

// "FILE: not a KOORDIN file: its first line is "..."", or that it is empty.
std::string DescribeNotKoordin(const std::string& path, const std::string& shown,
                               const std::string& encoding);

// Where line `line` of a KOORDIN file lies: "the header", "turnpoint slot 5 of 255", "route slot
// 2 of 32".
std::string SlotOfLine(int line);

}  // namespace koordin_cli
