#include "tools/koordin/instrument/koordin_faults.h"

#include "koordin/layout.h"
#include "tools/koordin/formats/charset.h"
#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/reports/text_table.h"

#include <algorithm>

namespace koordin_cli {

namespace {

constexpr std::size_t kQuotedLineLength = 80;  // longer lines are shown cut, with an ellipsis

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

}  // namespace

std::optional<std::string> LineOfHead(std::string_view head, int number) {
  if (number < 1) return std::string();
  std::size_t at = 0;
  for (int i = 1; i < number; ++i) {
    const std::size_t end = head.find('\n', at);
    if (end == std::string_view::npos || end + 1 == head.size()) return std::nullopt;
    at = end + 1;
  }
  if (at >= head.size()) return std::nullopt;
  std::string line(head.substr(at, std::min(head.find('\n', at), head.size()) - at));
  if (line.size() > kShownLineBytes) line.resize(kShownLineBytes);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string DescribeFault(const std::optional<std::string>& line, const std::string& shown,
                          const FIO_Error& fault, const std::string& encoding, bool fileEnded) {
  const std::string where = shown + ":" + std::to_string(fault.line) + ": ";
  const std::string text = line ? ShowLine(*line, encoding) : std::string("(no such line)");
  if (fault.message.IsEmpty()) return where + "header line too long: " + text;
  std::string message = where + fault.message.GetString() + ": " + text;
  if (fileEnded) message += " (the file ends there)";
  return message;
}

bool EndsLinesInCarriageReturn(std::string_view head) {
  const std::string_view start = head.substr(0, kShownLineBytes);
  return start.find('\r') != std::string_view::npos && start.find('\n') == std::string_view::npos;
}

const char* const kCarriageReturnLines =
    "not a KOORDIN file: its lines end in a carriage return alone; a KOORDIN file's end in a line "
    "feed (or CR LF)";

std::string DescribeNotKoordin(std::string_view head, const std::string& shown,
                               const std::string& encoding) {
  const std::optional<std::string> first = LineOfHead(head, 1);
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
