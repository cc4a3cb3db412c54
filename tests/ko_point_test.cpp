#include "text/ko_point.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr bool kLatitude = false;
constexpr bool kLongitude = true;

// The host keeps coordinates as floats; this is the double the split receives from one.
double FromFloat(float value) {
  return static_cast<double>(value);
}

TEST(CKoPoint, SplitsFoldsAndCarries) {
  struct Case {
    double value;
    bool isLongitude;
    std::int32_t unitsPerMinute;
    std::int32_t degrees, minutes, subUnits;
    char letter;
  };
  const Case cases[] = {
      {50.5, kLatitude, 60, 50, 30, 0, 'N'},
      {FromFloat(50.123456F), kLatitude, 60, 50, 7, 24, 'N'},
      {FromFloat(-33.8688F), kLatitude, 60, 33, 52, 8, 'S'},
      {-7.25, kLongitude, 60, 7, 15, 0, 'W'},
      {FromFloat(8.5333333F), kLongitude, 60, 8, 32, 0, 'E'},
      // Seconds rounding up to 60 carry into the minutes, and 60 minutes into the degrees.
      {FromFloat(10.999999F), kLatitude, 60, 11, 0, 0, 'N'},
      {FromFloat(10.99F), kLatitude, 60, 10, 59, 24, 'N'},
      {FromFloat(89.99999F), kLatitude, 60, 90, 0, 0, 'N'},
      {FromFloat(179.99999F), kLongitude, 60, 180, 0, 0, 'E'},
      {FromFloat(-179.99999F), kLongitude, 60, 180, 0, 0, 'W'},
      // The limits themselves are in range.
      {90, kLatitude, 60, 90, 0, 0, 'N'},
      {-90, kLatitude, 60, 90, 0, 0, 'S'},
      {180, kLongitude, 60, 180, 0, 0, 'E'},
      {-180, kLongitude, 60, 180, 0, 0, 'W'},
      // One fold: a latitude mirrors at the pole, a longitude wraps, and neither folds twice.
      {100, kLatitude, 60, 80, 0, 0, 'N'},
      {-100, kLatitude, 60, 80, 0, 0, 'S'},
      {200, kLatitude, 60, 70, 0, 0, 'N'},
      {-200, kLatitude, 60, 70, 0, 0, 'S'},
      {180, kLatitude, 60, 90, 0, 0, 'N'},
      {90.5, kLatitude, 60, 89, 30, 0, 'N'},
      {190, kLongitude, 60, 170, 0, 0, 'W'},
      {-190, kLongitude, 60, 170, 0, 0, 'E'},
      {360, kLongitude, 60, 180, 0, 0, 'W'},
      {370, kLongitude, 60, 170, 0, 0, 'W'},
      {-370, kLongitude, 60, 170, 0, 0, 'E'},
      {180.25, kLongitude, 60, 179, 45, 0, 'W'},
      // The sign decides the hemisphere even when every field is 0; negative zero is not below 0.
      {FromFloat(-0.00001F), kLatitude, 60, 0, 0, 0, 'S'},
      {FromFloat(-0.00001F), kLongitude, 60, 0, 0, 0, 'W'},
      {-0.0, kLatitude, 60, 0, 0, 0, 'N'},
      {-0.0, kLongitude, 60, 0, 0, 0, 'E'},
      {0.0, kLatitude, 60, 0, 0, 0, 'N'},
      // What is not a number becomes 0 north or east.
      {kNaN, kLatitude, 60, 0, 0, 0, 'N'},
      {kNaN, kLongitude, 60, 0, 0, 0, 'E'},
      {-kNaN, kLatitude, 60, 0, 0, 0, 'N'},
      {kInfinity, kLatitude, 60, 0, 0, 0, 'N'},
      {kInfinity, kLongitude, 60, 0, 0, 0, 'E'},
      {-kInfinity, kLatitude, 60, 0, 0, 0, 'N'},
      {-kInfinity, kLongitude, 60, 0, 0, 0, 'E'},
      // 0 sub-units asks for the default, hundredths of a minute.
      {FromFloat(50.51F), kLatitude, 0, 50, 30, 60, 'N'},
      {FromFloat(-7.999999F), kLongitude, 0, 8, 0, 0, 'W'},
      {12.75, kLatitude, 100, 12, 45, 0, 'N'},
      {FromFloat(12.3456F), kLatitude, 1000, 12, 20, 736, 'N'},
  };
  for (const Case& c : cases) {
    const CKoPoint point(c.value, c.isLongitude, c.unitsPerMinute);
    SCOPED_TRACE(testing::Message() << (c.isLongitude ? "longitude " : "latitude ") << c.value
                                    << " with " << c.unitsPerMinute);
    EXPECT_EQ(point.degrees, c.degrees);
    EXPECT_EQ(point.minutes, c.minutes);
    EXPECT_EQ(point.subUnits, c.subUnits);
    EXPECT_EQ(point.GetHemisphereLetter(), c.letter);
    EXPECT_EQ(point.unitsPerMinute, c.unitsPerMinute == 0 ? 100 : c.unitsPerMinute);
  }
}

TEST(CKoPoint, HemisphereCodesAndLetters) {
  CKoPoint point(0.0, kLatitude, 60);
  const struct {
    std::int32_t code;
    char letter;
  } cases[] = {{0, 'N'}, {1, 'S'}, {2, 'E'}, {3, 'W'}, {4, ' '}, {-1, ' '}};
  for (const auto& c : cases) {
    point.hemisphere = c.code;
    EXPECT_EQ(point.GetHemisphereLetter(), c.letter) << c.code;
  }
}

TEST(RoundHalfAway, SendsHalvesAwayFromZero) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  const struct {
    double x;
    std::int32_t rounded;
  } cases[] = {
      {0.0, 0},
      {-0.0, 0},
      {0.5, 1},
      {-0.5, -1},
      {0.4, 0},
      {-0.4, 0},
      {2.5, 3},
      {-2.5, -3},
      {59.5, 60},
      {59.49, 59},
      // The half is added in double precision before truncation: the sum rounds up to 1.
      {0.49999999999999994, 1},
      {kNaN, 0},
      {3e9, kMax},
      {-3e9, kMin},
      {kInfinity, kMax},
      {-kInfinity, kMin},
  };
  for (const auto& c : cases) EXPECT_EQ(RoundHalfAway(c.x), c.rounded) << c.x;
}

TEST(DmsToDegrees, JoinsFieldsAndTakesTheSignFromCapitalsOnly) {
  const struct {
    std::int32_t degrees, minutes, subUnits;
    char letter;
    std::int32_t unitsPerMinute;
    double result;
  } cases[] = {
      {50, 30, 0, 'N', 60, 50.5},
      {7, 15, 0, 'W', 60, -7.25},
      {8, 32, 0, 'O', 60, 8.533333333333333},
      {8, 32, 0, 'E', 60, 8.533333333333333},
      {33, 52, 8, 'S', 60, -33.86888888888889},
      {33, 52, 8, 's', 60, 33.86888888888889},
      {7, 15, 0, 'w', 60, 7.25},
      {7, 15, 0, ' ', 60, 7.25},
      {50, 30, 60, 'N', 100, 50.51},
      // No field is range-checked: whatever stands in the file enters the sum.
      {1, 75, 0, 'N', 60, 2.25},
      {1, 0, 90, 'N', 60, 1.025},
      {-1, 0, 0, 'S', 60, 1.0},
      {0, -30, 0, 'N', 60, -0.5},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(DmsToDegrees(c.degrees, c.minutes, c.subUnits, c.letter, c.unitsPerMinute),
                     c.result)
        << c.degrees << ":" << c.minutes << ":" << c.subUnits << c.letter;
  }
  const double southZero = DmsToDegrees(0, 0, 0, 'S', 60);
  EXPECT_EQ(southZero, 0.0);
  EXPECT_TRUE(std::signbit(southZero));
}

// The writer's letter for a split coordinate, read back as the reader would.
double Join(const CKoPoint& point) {
  return DmsToDegrees(point.degrees, point.minutes, point.subUnits, point.GetHemisphereLetter(),
                      point.unitsPerMinute);
}

TEST(CKoPoint, SplitAndJoinComeBackWithinHalfASecond) {
  constexpr double kHalfSecond = 0.5 / 3600;
  constexpr double kSlack = 1e-12;  // the double arithmetic's own rounding
  for (const bool isLongitude : {kLatitude, kLongitude}) {
    const double limit = isLongitude ? 180 : 90;
    int checked = 0;
    // An irregular step, so that the values fall anywhere within their second.
    for (double v = -limit; v <= limit; v += 0.000731) {
      const float host = static_cast<float>(v);
      const CKoPoint point(FromFloat(host), isLongitude, 60);
      ASSERT_LE(std::fabs(Join(point) - FromFloat(host)), kHalfSecond + kSlack)
          << (isLongitude ? "longitude " : "latitude ") << host;
      ASSERT_TRUE(point.minutes >= 0 && point.minutes < 60 && point.subUnits >= 0 &&
                  point.subUnits < 60 && point.degrees >= 0 && point.degrees <= limit)
          << host;
      ++checked;
    }
    EXPECT_GT(checked, 240000);
  }
}

TEST(CKoPoint, WholeSecondsSplitBackIntoTheirOwnFields) {
  // A float holds any whole second to better than a tenth of a second, so rounding must give
  // back exactly the degrees, minutes and seconds it was made from.
  for (const bool isLongitude : {kLatitude, kLongitude}) {
    const int limitSeconds = (isLongitude ? 180 : 90) * 3600;
    for (int total = 0; total <= limitSeconds; total += isLongitude ? 13 : 7) {
      const int d = total / 3600;
      const int m = total / 60 % 60;
      const int s = total % 60;
      for (const double sign : {1.0, -1.0}) {
        const float host = static_cast<float>(sign * (d + m / 60.0 + s / 3600.0));
        const CKoPoint point(FromFloat(host), isLongitude, 60);
        ASSERT_EQ(point.degrees, d) << host;
        ASSERT_EQ(point.minutes, m) << host;
        ASSERT_EQ(point.subUnits, s) << host;
      }
    }
  }
}

}  // namespace
