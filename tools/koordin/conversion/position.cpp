#include "tools/koordin/conversion/position.h"

#include "tools/koordin/formats/cup_fields.h"
#include "tools/koordin/formats/format_support.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <regex>
#include <stdexcept>
#include <string>

namespace koordin_cli {

namespace {

constexpr double kEarthRadiusKm = 6371.0088;  // the mean radius
constexpr double kSecondsPerDegree = 3600.0;

constexpr double kPi = 3.14159265358979323846;

double Radians(double degrees) {
  return degrees * kPi / 180.0;
}

std::optional<GeoPosition> InRange(double latitude, double longitude) {
  if (std::fabs(latitude) > kMaxLatitude || std::fabs(longitude) > kMaxLongitude) return {};
  return GeoPosition{latitude, longitude};
}

// "48.63,9.43", "48.63, 9.43", "-33.9 18.6"
std::optional<GeoPosition> ParseDecimalPair(const std::string& text) {
  static const std::regex kPair(
      R"(\s*([+-]?\d+(?:\.\d+)?)\s*(?:,|;|\s)\s*([+-]?\d+(?:\.\d+)?)\s*)");
  std::smatch match;
  if (!std::regex_match(text, match, kPair)) return {};
  return InRange(std::stod(match[1]), std::stod(match[2]));
}

// Two axes in degrees, minutes and seconds, each with its hemisphere letter, all before or all
// after: 48°37'50"N 9°25'49"E, N48°37.833' E9°25.817'. The letter O (German east) and ′ ″ are
// taken too; minutes and seconds may be left out.
std::optional<GeoPosition> ParseDmsPair(const std::string& text) {
  static const std::string kNumber =
      R"((\d+(?:\.\d+)?)\s*(?:°|\xC2\xBA|\s)\s*(?:(\d+(?:\.\d+)?)\s*(?:'|\xE2\x80\xB2)\s*)"
      R"((?:(\d+(?:\.\d+)?)\s*(?:"|''|\xE2\x80\xB3)\s*)?)?)";
  static const std::string kLetter = "([NSEWO])";
  static const std::string kSeparator = "\\s*,?\\s*";
  static const std::regex kBefore(
      "\\s*" + kLetter + "\\s*" + kNumber + kSeparator + kLetter + "\\s*" + kNumber,
      std::regex::icase);
  static const std::regex kAfter(
      "\\s*" + kNumber + kLetter + kSeparator + kNumber + kLetter + "\\s*", std::regex::icase);
  std::smatch match;
  // The groups of each axis: its letter, then degrees, minutes and seconds.
  int groups[2][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
  if (!std::regex_match(text, match, kBefore)) {
    if (!std::regex_match(text, match, kAfter)) return {};
    groups[0][0] = 4, groups[0][1] = 1, groups[0][2] = 2, groups[0][3] = 3;
    groups[1][0] = 8, groups[1][1] = 5, groups[1][2] = 6, groups[1][3] = 7;
  }
  double values[2] = {0.0, 0.0};
  char letters[2] = {0, 0};
  for (int axis = 0; axis < 2; ++axis) {
    const int* group = groups[axis];
    letters[axis] = static_cast<char>(std::toupper(match.str(group[0])[0]));
    values[axis] = std::stod(match[group[1]]);
    if (match[group[2]].matched) values[axis] += std::stod(match[group[2]]) / 60.0;
    if (match[group[3]].matched) values[axis] += std::stod(match[group[3]]) / kSecondsPerDegree;
  }
  const auto isLatitude = [](char letter) { return letter == 'N' || letter == 'S'; };
  if (!isLatitude(letters[0]) || isLatitude(letters[1])) return {};
  const double latitude = letters[0] == 'S' ? -values[0] : values[0];
  const double longitude = letters[1] == 'W' ? -values[1] : values[1];
  return InRange(latitude, longitude);
}

// "4837.833N 00925.817E"
std::optional<GeoPosition> ParseCupPair(const std::string& text) {
  static const std::regex kPair(R"(\s*(\S+?)\s*(?:,|\s)\s*(\S+)\s*)");
  std::smatch match;
  if (!std::regex_match(text, match, kPair)) return {};
  try {
    return GeoPosition{ParseCupCoordinate(match.str(1), CupAxis::kLatitude),
                       ParseCupCoordinate(match.str(2), CupAxis::kLongitude)};
  } catch (const std::invalid_argument&) {
    return {};
  }
}

}  // namespace

std::optional<GeoPosition> ParsePosition(std::string_view view) {
  const std::string text(view);
  if (auto position = ParseDecimalPair(text)) return position;
  if (auto position = ParseCupPair(text)) return position;
  return ParseDmsPair(text);
}

double DistanceKm(const GeoPosition& a, const GeoPosition& b) {
  const double dLatitude = Radians(b.latitude - a.latitude);
  const double dLongitude = Radians(b.longitude - a.longitude);
  const double h = std::sin(dLatitude / 2) * std::sin(dLatitude / 2) +
                   std::cos(Radians(a.latitude)) * std::cos(Radians(b.latitude)) *
                       std::sin(dLongitude / 2) * std::sin(dLongitude / 2);
  return 2.0 * kEarthRadiusKm * std::asin(std::sqrt(std::min(1.0, h)));
}

double RoundToWholeSecond(double degrees) {
  // A source's digits give no finer than a millionth of a second; below that lies only the error
  // of the double, which must not decide a half second: ties go away from zero, as on paper.
  constexpr double kMicroseconds = 1e6;
  const double seconds = std::round(degrees * kSecondsPerDegree * kMicroseconds) / kMicroseconds;
  const double rounded = std::round(seconds) / kSecondsPerDegree;
  return rounded == 0.0 ? 0.0 : rounded;
}

}  // namespace koordin_cli
