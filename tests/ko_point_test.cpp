#include "text/ko_point.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <tuple>
#include <utility>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr bool kLat = false, kLon = true;

// In order: plain values (floats as the host keeps them); carries into minutes and degrees; the
// limits; one fold (a latitude mirrors at the pole, a longitude wraps); the sign when all fields
// are 0, but negative zero is not below 0; NaN and infinities as 0; 0 sub-units asking for 100.
TEST(CKoPoint, SplitsFoldsAndCarries) {
  const std::tuple<double, bool, std::int32_t, std::int32_t, std::int32_t, std::int32_t, char>
      cases[] = {{50.5, kLat, 60, 50, 30, 0, 'N'},        {-33.8688F, kLat, 60, 33, 52, 8, 'S'},
                 {8.5333333F, kLon, 60, 8, 32, 0, 'E'},   {10.99F, kLat, 60, 10, 59, 24, 'N'},
                 {10.999999F, kLat, 60, 11, 0, 0, 'N'},   {179.99999F, kLon, 60, 180, 0, 0, 'E'},
                 {89.99999F, kLat, 60, 90, 0, 0, 'N'},    {-179.99999F, kLon, 60, 180, 0, 0, 'W'},
                 {-90, kLat, 60, 90, 0, 0, 'S'},          {-180, kLon, 60, 180, 0, 0, 'W'},
                 {100, kLat, 60, 80, 0, 0, 'N'},          {-100, kLat, 60, 80, 0, 0, 'S'},
                 {200, kLat, 60, 70, 0, 0, 'N'},          {180, kLat, 60, 90, 0, 0, 'N'},
                 {190, kLon, 60, 170, 0, 0, 'W'},         {-370, kLon, 60, 170, 0, 0, 'E'},
                 {360, kLon, 60, 180, 0, 0, 'W'},         {180.25, kLon, 60, 179, 45, 0, 'W'},
                 {-0.00001F, kLat, 60, 0, 0, 0, 'S'},     {-0.0, kLon, 60, 0, 0, 0, 'E'},
                 {kNaN, kLat, 60, 0, 0, 0, 'N'},          {-kNaN, kLon, 60, 0, 0, 0, 'E'},
                 {kInf, kLon, 60, 0, 0, 0, 'E'},          {-kInf, kLat, 60, 0, 0, 0, 'N'},
                 {50.51F, kLat, 0, 50, 30, 60, 'N'},      {-7.999999F, kLon, 0, 8, 0, 0, 'W'},
                 {12.3456F, kLat, 1000, 12, 20, 736, 'N'}};
  for (const auto& [value, isLongitude, units, degrees, minutes, subUnits, letter] : cases) {
    const CKoPoint p(value, isLongitude, units);
    EXPECT_EQ(
        std::tuple(p.degrees, p.minutes, p.subUnits, p.GetHemisphereLetter(), p.unitsPerMinute),
        std::tuple(degrees, minutes, subUnits, letter, units ? units : 100))
        << value << (isLongitude ? " longitude" : " latitude");
  }
  CKoPoint point(0.0, kLat, 60);
  for (const std::int32_t code : {4, -1}) {  // no hemisphere: a blank
    point.hemisphere = code;
    EXPECT_EQ(point.GetHemisphereLetter(), ' ') << code;
  }
}

TEST(RoundHalfAway, SendsHalvesAwayFromZeroAndClamps) {
  const std::int32_t max = INT32_MAX, min = INT32_MIN;
  const std::pair<double, std::int32_t> cases[] = {
      {0.4, 0},    {-0.4, 0}, {0.5, 1},   {-0.5, -1},  {2.5, 3},    {-2.5, -3},
      {59.49, 59}, {kNaN, 0}, {3e9, max}, {-3e9, min}, {kInf, max}, {-kInf, min},
  };
  for (const auto& [x, rounded] : cases) EXPECT_EQ(RoundHalfAway(x), rounded) << x;
  EXPECT_EQ(RoundHalfAway(0.49999999999999994), 1);  // the half is added in double precision
}

// Only capital S and W make a value negative; no field is range-checked.
TEST(DmsToDegrees, JoinsFieldsAndTakesTheSignFromCapitalsOnly) {
  const std::tuple<std::int32_t, std::int32_t, std::int32_t, char, std::int32_t, double> cases[] = {
      {7, 15, 0, 'W', 60, -7.25},  {7, 15, 0, 'O', 60, 7.25},  {7, 15, 0, 'w', 60, 7.25},
      {1, 30, 36, 'S', 60, -1.51}, {1, 30, 36, 's', 60, 1.51}, {50, 30, 60, 'N', 100, 50.51},
      {1, 75, 90, 'N', 60, 2.275}, {-1, 0, 0, 'S', 60, 1.0},   {0, -30, 0, 'N', 60, -0.5},
  };
  for (const auto& [degrees, minutes, subUnits, letter, units, result] : cases) {
    EXPECT_DOUBLE_EQ(DmsToDegrees(degrees, minutes, subUnits, letter, units), result)
        << degrees << ":" << minutes << ":" << subUnits << letter;
  }
  EXPECT_TRUE(std::signbit(DmsToDegrees(0, 0, 0, 'S', 60)));
}

TEST(CKoPoint, SplitAndJoinComeBackWithinHalfASecond) {
  constexpr double kHalfSecond = 0.5 / 3600 + 1e-12;  // and the double arithmetic's own rounding
  for (const bool isLongitude : {kLat, kLon}) {
    const double limit = isLongitude ? 180 : 90;
    // An irregular step, so that the values fall anywhere within their second.
    for (double v = -limit; v <= limit; v += 0.000731) {
      const double host = static_cast<float>(v);
      const CKoPoint p(host, isLongitude, 60);
      const double back =
          DmsToDegrees(p.degrees, p.minutes, p.subUnits, p.GetHemisphereLetter(), 60);
      ASSERT_LE(std::fabs(back - host), kHalfSecond) << host;
      ASSERT_TRUE(p.minutes >= 0 && p.minutes < 60 && p.subUnits >= 0 && p.subUnits < 60 &&
                  p.degrees >= 0 && p.degrees <= limit)
          << host;
    }
  }
}

}  // namespace
