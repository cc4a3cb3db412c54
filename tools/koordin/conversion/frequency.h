#pragma once

#include "tools/koordin/document/document.h"

#include <optional>
#include <string>
#include <string_view>

// Radio frequencies as pilots write them and as the instrument shows them.
namespace koordin_cli {

// The airband in kHz, 108.000 to 136.999 MHz: its last 25 kHz channel is 136.975, and the names
// of its 8.33 kHz channels run up to 136.990.
inline constexpr int kLowestAirbandKhz = 108000;
inline constexpr int kHighestAirbandKhz = 136999;

// The one form koordin writes, "122.475": three digits, a point, three decimals.
inline constexpr std::size_t kFrequencyTextLength = 7;

// True for text that says a place has no frequency: empty, zeros ("0.000") or dashes ("---.---").
bool MeansNoFrequency(std::string_view text);

// `text` as an airband frequency in the form koordin writes, or none when it is no airband
// frequency. Takes "122.475", "122,475", "122.5", "122.475 MHz", blanks around; two decimals
// ending in 2 or 7 name the 25 kHz channel whose last digit 5 was left off ("122.47" is 122.475).
std::optional<std::string> NormalizeFrequency(std::string_view text);

// Writes every waypoint's frequency in the one form. Text that is no airband frequency leaves the
// field, with a warning, and is added to the description, which every format but KOORDIN has.
void SettleFrequencies(Document& document, Diagnostics& diagnostics);

// The same for one waypoint.
void SettleFrequency(Waypoint& waypoint, Diagnostics& diagnostics);

}  // namespace koordin_cli
