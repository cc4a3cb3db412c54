#include "tools/koordin/instrument/koordin_faults.h"

#include "koordin/layout.h"
#include "tools/koordin/formats/charset.h"
#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/reports/text_table.h"

#include <cstdio>
#include <fstream>
#include <limits>

namespace koordin_cli {

namespace {

constexpr std::size_t kQuotedLineLength = 80;  // longer lines are shown cut, with an ellipsis
// Bytes of a file's line that a message may show: the quoted characters, each of up to 4 bytes.
constexpr std::size_t kShownLineBytes = 4 * kQuotedLineLength + 1;

// A line of the file for a message: in UTF-8, quoted with its control characters escaped, cut
// when long.
std::string ShowLine(const std::string& bytes, const std::string& encoding) {
  std::string text = IsValidUtf8(bytes) ? bytes : ConvertCharset(bytes, encoding.c_str(), kUtf8);
  if (DisplayWidth(text) > kQuotedLineLength) {
    std::size_t characters = 0;
    std::size_t end = 0;
    while (end < text.size() && characters < kQuotedLineLength) {
      ++end;
      while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
      ++characters;
    }
    text = text.substr(0, end) + "\u2026";
  }
  return Quoted(text);
}

// Line `number` (1-based) of the file, without its line end, or as much of it as a message shows;
// none when the file is shorter. The rest of a longer line is not read: it may have no end.
std::optional<std::string> LineOfFile(const std::string& path, int number) {
  if (number < 1) return std::string();
  std::ifstream in(path, std::ios::binary);
  for (int i = 1; i < number; ++i) {
    if (!in.ignore(std::numeric_limits<std::streamsize>::max(), '\n') || in.peek() == EOF) {
      return std::nullopt;
    }
  }
  if (in.peek() == EOF) return std::nullopt;
  std::string line;
  for (int ch = in.get(); ch != EOF && ch != '\n' && line.size() < kShownLineBytes; ch = in.get()) {
    line += static_cast<char>(ch);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

std::string DescribeFault(const std::string& path, const std::string& shown, const FIO_Error& fault,
                          const std::string& encoding, bool fileEnded) {
  const std::string where = shown + ":" + std::to_string(fault.line) + ": ";
  const std::optional<std::string> line = LineOfFile(path, fault.line);
  const std::string text = line ? ShowLine(*line, encoding) : std::string("(no such line)");
  if (fault.message.IsEmpty()) return where + "header line too long: " + text;
  std::string message = where + fault.message.GetString() + ": " + text;
  if (fileEnded) message += " (the file ends there)";
  return message;
}

// True when the file's lines end in a carriage return alone, as on old Macintosh systems: its
// start holds a carriage return and no line feed.
bool EndsLinesInCarriageReturn(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string start(kShownLineBytes, '\0');
  in.read(start.data(), static_cast<std::streamsize>(start.size()));
  start.resize(static_cast<std::size_t>(in.gcount()));
  return start.find('\r') != std::string::npos && start.find('\n') == std::string::npos;
}

const char* const kCarriageReturnLines =
    "not a KOORDIN file: its lines end in a carriage return alone; a KOORDIN file's end in a line "
    "feed (or CR LF)";

std::string DescribeNotKoordin(const std::string& path, const std::string& shown,
                               const std::string& encoding) {
  const std::optional<std::string> first = LineOfFile(path, 1);
  if (!first) return shown + ": not a KOORDIN file: it is empty";
  return shown + ": not a KOORDIN file: its first line is " + ShowLine(*first, encoding);
}

// Where line `line` of a KOORDIN file lies: "the header", "turnpoint slot 5 of 255", "route slot
// 2 of 32".
std::string SlotOfLine(int line) {
  const int turnpointLines = koordin::kTurnpointSlots * koordin::kTurnpointSlotLines;
  if (line <= koordin::kHeaderLines) return "the header";
  line -= koordin::kHeaderLines + 1;
  if (line < turnpointLines) {
    return "turnpoint slot " + std::to_string(line / koordin::kTurnpointSlotLines + 1) + " of " +
           std::to_string(koordin::kTurnpointSlots);
  }
  line -= turnpointLines;
  return "route slot " + std::to_string(line / koordin::kRouteSlotLines + 1) + " of " +
         std::to_string(koordin::kRouteSlots);
}

}  // namespace koordin_cli
