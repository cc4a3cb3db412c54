#include "driver/fio_api.h"

#include "tests/temp_file.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <tuple>
#include <vector>

namespace {

// `length` characters drawn from a set with blanks and high bytes, varied by `seed`.
std::string Text(int length, int seed) {
  std::string text;
  for (int k = 0; k < length; ++k) text += "AbZ09 -._\xE4\xFCq"[(seed * 7 + k * 3) % 12];
  return text;
}

// A name as it comes back: cut to the width of its field, without blanks at the end.
std::string CutAndTrim(const std::string& name, std::size_t width) {
  std::string text = name.substr(0, width);
  return text.erase(text.find_last_not_of(' ') + 1);
}

TEST(RoundTrip, AWrittenFileReadsBackAsTheLayoutAllows) {
  constexpr int kTurnpoints = 250, kRoutes = 30;
  const char* const frequencies[] = {"", "123.450", "123.45 Tower", "a-frequency-of-26-chars:)"};
  std::vector<FIO_TPEntry> turnpoints(
      kFIOTurnpointCapacity);  // the slots after the written ones read as defaults
  for (int i = 0; i < kTurnpoints; ++i) {
    FIO_TPEntry& tp = turnpoints[i];
    tp.name = i == 40 ? "     " : Text(i % 26, i);
    tp.latitude = static_cast<float>(-90.0 + 180.0 * i / (kTurnpoints - 1));
    tp.longitude = static_cast<float>(180.0 - 360.0 * (i * 97 % kTurnpoints) / (kTurnpoints - 1));
    tp.altitude = -999 + 10998 * i / (kTurnpoints - 1);
    tp.frequency = frequencies[i % std::size(frequencies)];
    tp.flags = 1U << i % 17;  // bits below, among and above those that ask for the marker
  }
  std::vector<FIO_Route> routes(kFIORouteCapacity);  // of every length up to 20 points
  for (int r = 0; r < kRoutes; ++r) {
    routes[r].name = r == 7 ? "    " : Text(r * 5 % 26, r + 100);
    for (int k = 0; k < r % 21; ++k) {
      AppendRoutePoint(routes[r], Text((r + k) % 26, k).c_str(), 1.0F, 2.0F,
                       (k + r) % 9 ? kFIOPointKindPlain : kFIOPointKindOmittable);
    }
  }

  FIO_InitDriver();
  TempFile temp;
  CHostTextFile out(temp.path(), CFile::modeCreate | CFile::modeWrite);
  const FIO_HeaderRequest start{0, kFIOStageFileStart}, turnpointsDone{0, kFIOStageTurnpointsDone},
      routesDone{0, kFIOStageRoutesDone};
  FIO_WriteHeader(&out, &start);
  for (int i = 0; i < kTurnpoints; ++i) FIO_WriteTP(&out, &turnpoints[i]);
  FIO_WriteHeader(&out, &turnpointsDone);
  for (int r = 0; r < kRoutes; ++r) FIO_WriteRoute(&out, &routes[r]);
  FIO_WriteHeader(&out, &routesDone);
  out.Close();

  CHostTextFile file(temp.path(), CFile::modeRead | CFile::typeText);
  ASSERT_EQ(FIO_IsFileOfMyType(&file), kFIOSuccess);
  constexpr int kSlots = kFIOTurnpointCapacity + kFIORouteCapacity;
  for (int slot = 1; slot <= kSlots + 1; ++slot) {
    FIO_TPEntry tp;
    FIO_Route route;
    tp.flags = 0x55;  // what the host's record holds before the read
    const int result = FIO_ReadObject(&file, &tp, &route);
    if (slot <= kFIOTurnpointCapacity) {
      const FIO_TPEntry& written = turnpoints[slot - 1];
      const std::string name = CutAndTrim(written.name, kFIONameWidth);
      const std::string frequency = written.frequency.substr(0, written.frequency.find(' '));
      EXPECT_EQ(std::tuple(result, tp.number, tp.name, tp.altitude, tp.frequency, tp.flags,
                           route.name, route.points.size()),
                std::tuple(name.empty() ? kFIOReadEmptySlot : kFIOReadTurnpoint, slot, name,
                           written.altitude, frequency.empty() ? "0.000" : frequency,
                           written.flags & 0xFF00 ? 0x300U : 0x55U, "", 0U));
      // Within half a second, and a float's step at 180.
      EXPECT_NEAR(tp.latitude, written.latitude, 0.5 / 3600 + 2e-5) << slot;
      EXPECT_NEAR(tp.longitude, written.longitude, 0.5 / 3600 + 2e-5) << slot;
    } else if (slot <= kSlots) {
      const FIO_Route& written = routes[slot - kFIOTurnpointCapacity - 1];
      // The inner points, less the omittable ones when the route is long, as many as a slot holds.
      const std::size_t count = written.points.size();
      std::string points, read;
      const std::size_t slotPoints = kFIOPointsPerRoute;
      for (std::size_t k = 1, n = 0; k + 1 < count && n < slotPoints; ++k) {
        if (count > slotPoints && written.points[k]->kind == kFIOPointKindOmittable) continue;
        points += CutAndTrim(written.points[k]->name, kFIONameWidth) + "|";
        ++n;
      }
      for (const FIO_TPEntry* point : route.points) read += point->name + "|";
      const std::string name = CutAndTrim(written.name, kFIONameLineWidth);
      EXPECT_EQ(
          std::tuple(result, route.name, read, tp.number, tp.flags),
          std::tuple(name.empty() ? kFIOReadEmptySlot : kFIOReadRoute, name, points, -1, 0x55U));
    } else {
      EXPECT_EQ(result, kFIOReadEnd);
    }
  }
  EXPECT_EQ(file.lineNumber, 2044);
  FIO_ExitDriver();
}

}  // namespace
