#include "tools/koordin/instrument/koordin_form.h"

#include "koordin/layout.h"
#include "tools/koordin/formats/charset.h"
#include "tools/koordin/formats/format_support.h"

#include <algorithm>
#include <cstddef>

namespace koordin_cli {

namespace {

constexpr int kMaxMinute = koordin::kSecondsPerMinute - 1;
constexpr int kMaxLatitudeDegrees = 90;
constexpr int kMaxLongitudeDegrees = 180;
constexpr int kLowestAltitudeDigits = 3;  // after a minus sign

// The turnpoint slot's lines, in order.
enum TurnpointLine { kName, kLatitude, kLatitudeLetter, kLongitude, kLongitudeLetter, kAltitude };

bool IsDigit(char ch) {
  return ch >= '0' && ch <= '9';
}

// The number of the `width` digits at `at`, or -1 when any is no digit.
int Digits(std::string_view text, std::size_t at, int width) {
  int value = 0;
  for (int i = 0; i < width; ++i) {
    const std::size_t index = at + static_cast<std::size_t>(i);
    if (index >= text.size() || !IsDigit(text[index])) return -1;
    value = value * 10 + (text[index] - '0');
  }
  return value;
}

std::string Width(std::string_view line, int width) {
  return "a line of " + std::to_string(line.size()) + " characters, not " + std::to_string(width);
}

}  // namespace

std::string KoordinForm::Show(std::string_view bytes) const {
  return Quoted(ConvertCharset(std::string(bytes), encoding_.c_str(), kUtf8));
}

// DD:MM:SS or DDD:MM:SS within the coordinate's range.
std::optional<std::string> KoordinForm::CheckCoordinate(std::string_view line,
                                                        bool isLongitude) const {
  const int degreeDigits =
      isLongitude ? koordin::kLongitudeDegreeDigits : koordin::kLatitudeDegreeDigits;
  const int most = isLongitude ? kMaxLongitudeDegrees : kMaxLatitudeDegrees;
  const char* what = isLongitude ? "longitude " : "latitude ";
  const char* form = isLongitude ? "DDD:MM:SS" : "DD:MM:SS";
  const std::string shown = what + Show(line);
  const std::size_t minutesAt = static_cast<std::size_t>(degreeDigits) + 1;
  const std::size_t secondsAt = minutesAt + koordin::kMinuteDigits + 1;
  const int degrees = Digits(line, 0, degreeDigits);
  const int minutes = Digits(line, minutesAt, koordin::kMinuteDigits);
  const int seconds = Digits(line, secondsAt, koordin::kMinuteDigits);
  if (line.size() != secondsAt + koordin::kMinuteDigits || degrees < 0 || minutes < 0 ||
      seconds < 0 || line[minutesAt - 1] != ':' || line[secondsAt - 1] != ':') {
    return shown + " is not in the form " + form;
  }
  if (minutes > kMaxMinute) return shown + ": minutes beyond " + std::to_string(kMaxMinute);
  if (seconds > kMaxMinute) return shown + ": seconds beyond " + std::to_string(kMaxMinute);
  if (degrees > most || (degrees == most && (minutes > 0 || seconds > 0))) {
    return shown + ": beyond " + std::to_string(most) + " degrees";
  }
  return std::nullopt;
}

std::optional<std::string> KoordinForm::CheckLetter(std::string_view line, char first, char second,
                                                    const char* what) const {
  if (line.size() == 1 && (line[0] == first || line[0] == second)) return std::nullopt;
  return std::string(what) + " " + Show(line) + " is neither " + first + " nor " + second;
}

// AAAA:frequency: four digits, or a minus and three, then the frequency's characters.
std::optional<std::string> KoordinForm::CheckAltitude(std::string_view line) const {
  const std::size_t colon = line.find(':');
  const std::string_view altitude = line.substr(0, colon);
  const bool digits = Digits(altitude, 0, koordin::kAltitudeDigits) >= 0;
  const bool negative = altitude.size() == koordin::kAltitudeDigits && altitude[0] == '-' &&
                        Digits(altitude, 1, kLowestAltitudeDigits) >= 0;
  if (colon == std::string_view::npos || altitude.size() != koordin::kAltitudeDigits ||
      (!digits && !negative)) {
    return "altitude " + Show(altitude) + " is not " + std::to_string(koordin::kAltitudeDigits) +
           " digits, or a minus and " + std::to_string(kLowestAltitudeDigits) + ", before a colon";
  }
  const std::string_view frequency = line.substr(colon + 1);
  const bool plain = std::all_of(frequency.begin(), frequency.end(),
                                 [](char ch) { return ch > ' ' && ch < 0x7F; });
  if (frequency.empty() || frequency.size() > koordin::kFrequencyChars || !plain) {
    return "frequency " + Show(frequency) + " is not 1 to " +
           std::to_string(koordin::kFrequencyChars) + " characters without blanks";
  }
  return std::nullopt;
}

std::optional<std::string> KoordinForm::CheckTurnpointLine(int index, std::string_view line) const {
  switch (index) {
    case kName: {
      if (line.size() != koordin::kNameLineWidth) return Width(line, koordin::kNameLineWidth);
      if (line.find('\0') != std::string_view::npos) return std::string("a name with a zero byte");
      const auto marker = static_cast<unsigned char>(line.back());
      if (marker != koordin::kMarkerByte && marker != koordin::kUnmarkedByte) {
        return "a name line ending in " + Show(line.substr(line.size() - 1)) +
               ", which is neither a blank nor the marker";
      }
      return std::nullopt;
    }
    case kLatitude:
      return CheckCoordinate(line, false);
    case kLatitudeLetter:
      return CheckLetter(line, 'N', 'S', "latitude hemisphere");
    case kLongitude:
      return CheckCoordinate(line, true);
    case kLongitudeLetter:
      return CheckLetter(line, koordin::kEastLetter, 'W', "longitude hemisphere");
    default:
      return CheckAltitude(line);
  }
}

std::optional<std::string> KoordinForm::Check(int number, std::string_view line) {
  constexpr int kTurnpointLines = koordin::kTurnpointSlots * koordin::kTurnpointSlotLines;
  const int index = number - koordin::kHeaderLines - 1;
  if (index < 0 || number > koordin::kFileLines) return std::nullopt;
  if (index < kTurnpointLines) {
    return CheckTurnpointLine(index % koordin::kTurnpointSlotLines, line);
  }
  const int inRoute = (index - kTurnpointLines) % koordin::kRouteSlotLines;
  if (line.size() != koordin::kNameLineWidth) return Width(line, koordin::kNameLineWidth);
  if (line.find('\0') != std::string_view::npos) return std::string("a name with a zero byte");
  if (inRoute == 0) {  // the route's name
    routeEnded_ = false;
    return std::nullopt;
  }
  if (line == koordin::kEmptyPointLine) {
    routeEnded_ = true;
    return std::nullopt;
  }
  if (routeEnded_) return std::string("a route point after the route's empty point lines");
  if (static_cast<unsigned char>(line.back()) != koordin::kUnmarkedByte) {
    return "a route point line ending in " + Show(line.substr(line.size() - 1)) + ", not a blank";
  }
  return std::nullopt;
}

}  // namespace koordin_cli
