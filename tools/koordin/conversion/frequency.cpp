#include "tools/koordin/conversion/frequency.h"

#include "koordin/layout.h"
#include "tools/koordin/formats/format_support.h"

#include <cstdio>

namespace koordin_cli {

namespace {

static_assert(kFrequencyTextLength <= static_cast<std::size_t>(koordin::kFrequencyChars),
              "a frequency must fit the KOORDIN file's field");

constexpr std::string_view kMegahertz = "MHz";
constexpr int kKhzPerMhz = 1000;

}  // namespace

bool MeansNoFrequency(std::string_view text) {
  return TrimBlanks(text).find_first_not_of("0-.,") == std::string_view::npos;
}

std::optional<std::string> NormalizeFrequency(std::string_view text) {
  text = TrimBlanks(text);
  if (text.size() > kMegahertz.size() &&
      EqualsIgnoringCase(text.substr(text.size() - kMegahertz.size()), kMegahertz)) {
    text = TrimBlanks(text.substr(0, text.size() - kMegahertz.size()));
  }
  const std::size_t point = text.find_first_of(".,");
  const std::string_view whole = text.substr(0, point);
  std::string decimals(point == std::string_view::npos ? "" : text.substr(point + 1));
  if (whole.size() != 3 || (point != std::string_view::npos && decimals.empty())) return {};
  if (!AllDigits(whole) || !AllDigits(decimals)) return {};
  // Digits beyond the kHz are zeros or the frequency is no channel koordin can name.
  while (decimals.size() > 3 && decimals.back() == '0') decimals.pop_back();
  if (decimals.size() > 3) return {};
  if (decimals.size() == 2 && (decimals[1] == '2' || decimals[1] == '7')) decimals += '5';
  decimals.resize(3, '0');
  const int khz = std::stoi(std::string(whole)) * kKhzPerMhz + std::stoi(decimals);
  if (khz < kLowestAirbandKhz || khz > kHighestAirbandKhz) return {};
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%d.%03d", khz / kKhzPerMhz, khz % kKhzPerMhz);
  return std::string(buffer);
}

void SettleFrequency(Waypoint& waypoint, Diagnostics& diagnostics) {
  const std::string text(TrimBlanks(waypoint.frequency));
  if (MeansNoFrequency(text)) {
    waypoint.frequency.clear();
    return;
  }
  if (const std::optional<std::string> frequency = NormalizeFrequency(text)) {
    waypoint.frequency = *frequency;
    return;
  }
  waypoint.frequency.clear();
  if (waypoint.description.find(text) == std::string::npos) {
    waypoint.description += (waypoint.description.empty() ? "" : "; ") + text;
  }
  diagnostics.Warn("turnpoint " + Quoted(waypoint.name) + ": frequency " + Quoted(text) +
                       " is no airband frequency: written into the description",
                   "frequencies that are no airband frequency, written into the description");
}

void SettleFrequencies(Document& document, Diagnostics& diagnostics) {
  for (Waypoint& waypoint : document.waypoints) SettleFrequency(waypoint, diagnostics);
}

}  // namespace koordin_cli
