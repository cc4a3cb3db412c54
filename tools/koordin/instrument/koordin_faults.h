#pragma once

#include "records/fio_error.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// What is wrong with a file the driver would not read, in words that quote the file's own line, as
// the reading kept it.
namespace koordin_cli {

// Bytes of a file's line that a message may show.
inline constexpr std::size_t kShownLineBytes = 4 * 80 + 1;

// "FILE:16: bad latitude: "4x:10:00"" for the driver's fault, shown as `shown`, whose line is
// `line` (none when the file has no such line), in `encoding`; `fileEnded` says the fault lies at
// the file's end.
std::string DescribeFault(const std::optional<std::string>& line, const std::string& shown,
                          const FIO_Error& fault, const std::string& encoding, bool fileEnded);

// Line `number` (1-based) of the file whose first bytes are `head`, without its line end, or as
// much of it as a message shows; none when `head` holds no such line.
std::optional<std::string> LineOfHead(std::string_view head, int number);

// True when the lines of the file whose first bytes are `head` end in a carriage return alone, as
// on old Macintosh systems: its start holds a carriage return and no line feed.
bool EndsLinesInCarriageReturn(std::string_view head);

// Why such a file is not read.
extern const char* const kCarriageReturnLines;

// "FILE: not a KOORDIN file: its first line is "..."", or that it is empty, for the file whose
// first bytes are `head`.
std::string DescribeNotKoordin(std::string_view head, const std::string& shown,
                               const std::string& encoding);

// Where line `line` of a KOORDIN file lies: "the header", "turnpoint slot 5 of 255", "route slot
// 2 of 32".
std::string SlotOfLine(int line);

}  // namespace koordin_cli
