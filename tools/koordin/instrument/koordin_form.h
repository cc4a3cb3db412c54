#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

// The lines of a KOORDIN file in the one form the driver's writer gives them. The driver reads
// more than that: "s" as N, "47:99:00", "0x53" as altitude 0, "1e3" as 1. What the instrument makes
// of such a line no one knows, so koordin tells each.
namespace koordin_cli {

// Checks a file's lines in order, from line 3 (the header is recognised as a whole).
class KoordinForm {
 public:
  // For a file whose text is in the character set `encoding`, in which messages quote it.
  explicit KoordinForm(std::string encoding) : encoding_(std::move(encoding)) {}

  // What line `number` (1-based, without its line end) has that the writer never writes; none
  // when it is in the writer's form, and for the header and lines beyond the last slot.
  std::optional<std::string> Check(int number, std::string_view line);

 private:
  std::optional<std::string> CheckTurnpointLine(int index, std::string_view line) const;
  std::optional<std::string> CheckCoordinate(std::string_view line, bool isLongitude) const;
  std::optional<std::string> CheckLetter(std::string_view line, char first, char second,
                                         const char* what) const;
  std::optional<std::string> CheckAltitude(std::string_view line) const;
  // Bytes of the file quoted in UTF-8.
  std::string Show(std::string_view bytes) const;

  std::string encoding_;
  bool routeEnded_ = false;  // the route slot's empty point lines began
};

}  // namespace koordin_cli
