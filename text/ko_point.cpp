#include "text/ko_point.h"

#include <algorithm>
#include <cmath>
#include <limits>

const std::int32_t kDefaultUnitsPerMinute = 100;

CKoPoint::CKoPoint(double value, bool isLongitude, std::int32_t unitsPerMinute)
    : unitsPerMinute(unitsPerMinute == 0 ? kDefaultUnitsPerMinute : unitsPerMinute) {
  Decompose(value, isLongitude);
}

void CKoPoint::Decompose(double value, bool isLongitude) {
  const double limit = isLongitude ? 180.0 : 90.0;
  const std::int32_t positive = isLongitude ? kEast : kNorth;
  const std::int32_t negative = isLongitude ? kWest : kSouth;

  // One fold back into range: a latitude mirrors at the pole, a longitude wraps around.
  double w = value;
  if (value > limit) {
    w = isLongitude ? std::fmod(value, limit) - limit : limit - std::fmod(value, limit);
  } else if (value < -limit) {
    w = isLongitude ? std::fmod(value, limit) + limit : -limit - std::fmod(value, limit);
  }
  if (!(w >= -limit && w <= limit)) {  // NaN, from a NaN or infinite value
    degrees = minutes = subUnits = 0;
    hemisphere = positive;
    return;
  }

  const double a = std::fabs(w);
  degrees = static_cast<std::int32_t>(a);
  const double f = a - degrees;
  minutes = static_cast<std::int32_t>(f * 60.0);
  subUnits = RoundHalfAway(((f - minutes / 60.0) * unitsPerMinute) * 60.0);
  hemisphere = w < 0 ? negative : positive;

  if (subUnits == unitsPerMinute) {
    subUnits = 0;
    ++minutes;
    if (minutes == 60) {
      minutes = 0;
      degrees = std::min(degrees + 1, static_cast<std::int32_t>(limit));
    }
  }
}

char CKoPoint::GetHemisphereLetter() const {
  switch (hemisphere) {
    case kNorth:
      return 'N';
    case kSouth:
      return 'S';
    case kEast:
      return 'E';
    case kWest:
      return 'W';
    default:
      return ' ';
  }
}

std::int32_t RoundHalfAway(double x) {
  const double shifted = x > 0 ? x + 0.5 : x - 0.5;
  // Truncation is defined only for values that fit; beyond them the nearest limit stands in.
  constexpr double kLow = std::numeric_limits<std::int32_t>::min();
  constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
  if (std::isnan(shifted)) return 0;
  if (shifted <= kLow) return std::numeric_limits<std::int32_t>::min();
  if (shifted >= kHigh) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(shifted);
}

double DmsToDegrees(std::int32_t degrees, std::int32_t minutes, std::int32_t subUnits, char letter,
                    std::int32_t unitsPerMinute) {
  const double d = degrees;
  const double m = minutes;
  const double s = subUnits;
  const double n = unitsPerMinute;
  double r = ((s / n) + m) / 60.0 + d;
  if (letter == 'W' || letter == 'S') r *= -1;
  return r;
}
