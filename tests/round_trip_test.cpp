// A whole file written by the driver and read back by it gives back every field as the file's
// layout allows: names cut and trimmed, coordinates within half a second, marked flags as 0x300,
// routes without their ends and, when long, without their omittable points.

#include "driver/fio_api.h"

#include "tests/temp_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr double kHalfSecond = 0.5 / 3600;
constexpr std::uint32_t kHostFlags = 0x55;  // what the receiving record holds before a read

// `length` characters drawn from a set with blanks and high bytes, varied by `seed`.
std::string Text(int length, int seed) {
  static const std::string chars = "AbZ09 -._\xE4\xFCq";
  std::string text;
  for (int k = 0; k < length; ++k) text += chars[(seed * 7 + k * 3) % chars.size()];
  return text;
}

std::string CutAndTrim(const std::string& name, std::size_t width) {
  std::string text = name.substr(0, width);
  while (!text.empty() && (text.back() == ' ' || (text.back() >= '\t' && text.back() <= '\r'))) {
    text.pop_back();
  }
  return text;
}

// A written turnpoint and what reading it back must give.
struct TurnpointCase {
  FIO_TPEntry written;
  float latitude;
  float longitude;
  std::int32_t altitude;
  std::string frequency;
};

TurnpointCase Generated(int i, int count) {
  static const char* const frequencies[] = {
      "",        "0.000",    "123.450", "118.7",        "1234567890123456789",      "x",
      "a-b_c.d", "\xE4\xFC", "-",       "123.45 Tower", "a-frequency-of-26-chars:)"};
  static const std::uint32_t flags[] = {1, 0, 0x100, 0x300, 0x8000, 0xFF00, 0x42, 0x10000, 0x80};
  TurnpointCase c;
  FIO_TPEntry& tp = c.written;
  tp.name = i == 40 ? std::string(5, ' ') : Text(i % 26, i);
  tp.latitude = static_cast<float>(-90.0 + 180.0 * i / (count - 1));
  tp.longitude = static_cast<float>(180.0 - 360.0 * ((i * 97) % count) / (count - 1));
  tp.altitude = -999 + 10998 * i / (count - 1);
  tp.frequency = frequencies[i % std::size(frequencies)];
  tp.flags = flags[i % std::size(flags)];
  c.latitude = tp.latitude;
  c.longitude = tp.longitude;
  c.altitude = tp.altitude;
  c.frequency = tp.frequency.empty() ? "0.000" : tp.frequency;
  if (c.frequency.find(' ') != std::string::npos) c.frequency.resize(c.frequency.find(' '));
  return c;
}

// Coordinates outside their range, which come back folded, and altitudes of five characters,
// which come back as their first four with no frequency.
std::vector<TurnpointCase> Specials() {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Special {
    float latitude, longitude;
    std::int32_t altitude;
    float readLatitude, readLongitude;
    std::int32_t readAltitude;
  };
  const Special specials[] = {
      {100.0F, 190.0F, 12345, 80.0F, -170.0F, 1234},
      {-100.0F, -190.0F, -1000, -80.0F, 170.0F, -100},
      {nan, -inf, 7, 0.0F, 0.0F, 7},
  };
  std::vector<TurnpointCase> cases;
  for (const Special& s : specials) {
    TurnpointCase c;
    c.written.name = "Special";
    c.written.latitude = s.latitude;
    c.written.longitude = s.longitude;
    c.written.altitude = s.altitude;
    c.written.frequency = "122.5";
    c.latitude = s.readLatitude;
    c.longitude = s.readLongitude;
    c.altitude = s.readAltitude;
    c.frequency = s.altitude == s.readAltitude ? "122.5" : "";
    cases.push_back(c);
  }
  return cases;
}

// A route of `count` points; some inner points are of the omittable kind 3.
FIO_Route MakeRoute(int r, int count) {
  FIO_Route route;
  route.name = r == 7 ? std::string(4, ' ') : Text((r * 5) % 26, r + 100);
  for (int k = 0; k < count; ++k) {
    AppendRoutePoint(route, Text((r + k) % 26, k).c_str(), 1.0F, 2.0F, (k + r) % 9 == 0 ? 3 : 1);
  }
  return route;
}

// The point names a route slot gives back: the inner points, without those of kind 3 when the
// route is long, at most 15, each name cut and trimmed.
std::vector<std::string> ExpectedPoints(const FIO_Route& route) {
  const std::size_t count = route.points.size();
  std::vector<std::string> names;
  for (std::size_t k = 1; k + 1 < count && names.size() < 15; ++k) {
    if (count > 15 && route.points[k]->kind == 3) continue;
    names.push_back(CutAndTrim(route.points[k]->name, 18));
  }
  return names;
}

void ExpectNear(float read, float written, const std::string& what) {
  const float magnitude = std::fabs(read);
  const double floatStep = std::nextafter(magnitude, 2 * magnitude + 1) - magnitude;
  EXPECT_LE(std::fabs(static_cast<double>(read) - written), kHalfSecond + floatStep)
      << what << ": read " << read << ", written " << written;
}

class RoundTrip : public ::testing::Test {
 protected:
  void SetUp() override { FIO_InitDriver(); }
  void TearDown() override { FIO_ExitDriver(); }
};

TEST_F(RoundTrip, AWrittenFileReadsBackAsTheLayoutAllows) {
  constexpr int kGenerated = 250;
  constexpr int kRoutes = 30;
  std::vector<TurnpointCase> turnpoints;
  for (int i = 0; i < kGenerated; ++i) turnpoints.push_back(Generated(i, kGenerated));
  for (const TurnpointCase& c : Specials()) turnpoints.push_back(c);
  std::vector<FIO_Route> routes;
  for (int r = 0; r < kRoutes; ++r) routes.push_back(MakeRoute(r, r % 21));

  TempFile temp;
  {
    CHostTextFile file;
    ASSERT_TRUE(file.Open(temp.path(), CFile::modeCreate | CFile::modeWrite));
    FIO_HeaderRequest request;
    request.stage = 3;
    FIO_WriteHeader(&file, &request);
    for (const TurnpointCase& c : turnpoints) FIO_WriteTP(&file, &c.written);
    request.stage = 2;
    FIO_WriteHeader(&file, &request);
    for (const FIO_Route& route : routes) FIO_WriteRoute(&file, &route);
    request.stage = 4;
    FIO_WriteHeader(&file, &request);
    file.Close();
  }

  CHostTextFile file(temp.path(), CFile::modeRead | CFile::typeText);
  ASSERT_EQ(FIO_IsFileOfMyType(&file), 1);
  for (int slot = 1; slot <= 255; ++slot) {
    FIO_TPEntry tp;
    FIO_Route untouched;
    tp.flags = kHostFlags;
    const int result = FIO_ReadObject(&file, &tp, &untouched);
    const std::string what = "turnpoint slot " + std::to_string(slot);
    EXPECT_EQ(tp.number, slot);
    EXPECT_TRUE(untouched.name.empty() && untouched.points.empty()) << what;
    if (slot > static_cast<int>(turnpoints.size())) {
      EXPECT_EQ(result, 6) << what;
      EXPECT_EQ(tp.name, "") << what;
      continue;
    }
    const TurnpointCase& c = turnpoints[slot - 1];
    const std::string name = CutAndTrim(c.written.name, 18);
    EXPECT_EQ(result, name.empty() ? 6 : 1) << what;
    EXPECT_EQ(tp.name, name) << what;
    ExpectNear(tp.latitude, c.latitude, what + " latitude");
    ExpectNear(tp.longitude, c.longitude, what + " longitude");
    EXPECT_EQ(tp.altitude, c.altitude) << what;
    EXPECT_EQ(tp.frequency, c.frequency) << what;
    EXPECT_EQ(tp.flags, (c.written.flags & 0xFF00) != 0 ? 0x300U : kHostFlags) << what;
  }
  for (int slot = 1; slot <= 32; ++slot) {
    FIO_TPEntry untouched;
    FIO_Route route;
    const int result = FIO_ReadObject(&file, &untouched, &route);
    const std::string what = "route slot " + std::to_string(slot);
    EXPECT_EQ(untouched.number, -1) << what;
    const std::string name = slot <= kRoutes ? CutAndTrim(routes[slot - 1].name, 19) : "";
    const std::vector<std::string> points =
        slot <= kRoutes ? ExpectedPoints(routes[slot - 1]) : std::vector<std::string>{};
    EXPECT_EQ(result, name.empty() ? 6 : 2) << what;
    EXPECT_EQ(route.name, name) << what;
    ASSERT_EQ(route.points.size(), points.size()) << what;
    for (std::size_t k = 0; k < points.size(); ++k) {
      const FIO_TPEntry& point = *route.points[k];
      EXPECT_EQ(point.name, points[k]) << what;
      EXPECT_TRUE(point.latitude == 0.0F && point.longitude == 0.0F && point.kind == 1 &&
                  point.number == -1 && point.flags == 1)
          << what << " point " << k;
    }
  }
  FIO_TPEntry tp;
  FIO_Route route;
  EXPECT_EQ(FIO_ReadObject(&file, &tp, &route), -1);
  EXPECT_EQ(file.lineNumber, 2044);
}

}  // namespace
