#pragma once

#include <cstdint>

// Sub-units per minute used when a CKoPoint is given 0: hundredths of a minute.
extern const std::int32_t kDefaultUnitsPerMinute;

// One latitude or longitude split into whole degrees, minutes, sub-units of the minute and a
// hemisphere. A value outside the coordinate's range is folded back once; NaN and infinities
// become 0 degrees north or east.
class CKoPoint {
 public:
  enum Hemisphere : std::int32_t { kNorth = 0, kSouth = 1, kEast = 2, kWest = 3 };

  // Splits `value` (signed degrees) as a latitude or a longitude, counting `unitsPerMinute`
  // sub-units to the minute (0: kDefaultUnitsPerMinute; 60 gives seconds).
  CKoPoint(double value, bool isLongitude, std::int32_t unitsPerMinute);
  virtual ~CKoPoint() = default;

  // "N", "S", "E" or "W" for the hemisphere; a blank for any other code.
  char GetHemisphereLetter() const;

  std::int32_t degrees = 0;
  std::int32_t minutes = 0;
  std::int32_t subUnits = 0;
  std::int32_t hemisphere = kNorth;
  std::int32_t unitsPerMinute;

 private:
  void Decompose(double value, bool isLongitude);
};

// Rounds to the nearest whole number, halves away from zero. NaN gives 0, and values beyond the
// 32-bit range give its nearest limit.
std::int32_t RoundHalfAway(double x);

// Joins degrees, minutes and sub-units (`unitsPerMinute` to the minute) into signed degrees,
// negative for the letters "S" and "W" (capitals only). No field is range-checked.
double DmsToDegrees(std::int32_t degrees, std::int32_t minutes, std::int32_t subUnits, char letter,
                    std::int32_t unitsPerMinute);
