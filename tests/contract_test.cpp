// The traps that driver/fio_api.h tells a host of, as a host meets them: written through the
// exports, read back through the exports.

#include "driver/fio_api.h"
#include "driver/global_values.h"
#include "tests/temp_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

FIO_TPEntry Turnpoint(const std::string& name, float latitude = 0.0F, std::int32_t altitude = 0,
                      const std::string& frequency = "") {
  FIO_TPEntry tp;
  tp.name = name;
  tp.latitude = latitude;
  tp.altitude = altitude;
  tp.frequency = frequency;
  return tp;
}

void WriteStage(CHostTextFile& file, std::int32_t stage) {
  const FIO_HeaderRequest request{0, stage};
  ASSERT_EQ(FIO_WriteHeader(&file, &request), kFIOSuccess) << "stage " << stage;
}

// Writes a file in the given order: a header stage's number, 't' the turnpoints, 'r' the routes.
std::string Write(const std::string& order, const std::vector<FIO_TPEntry>& turnpoints,
                  const std::vector<const FIO_Route*>& routes = {}) {
  TempFile temp;
  {
    CHostTextFile file(temp.path(), CFile::modeCreate | CFile::modeWrite | CFile::typeText);
    for (const char step : order) {
      if (step == 't') {
        for (const FIO_TPEntry& tp : turnpoints) EXPECT_EQ(FIO_WriteTP(&file, &tp), kFIOSuccess);
      } else if (step == 'r') {
        for (const FIO_Route* route : routes) EXPECT_EQ(FIO_WriteRoute(&file, route), kFIOSuccess);
      } else {
        WriteStage(file, step - '0');
      }
    }
  }
  return temp.Contents();
}

// What a read pass of the bytes gives: its turnpoints and routes, or the fault it ends with.
struct ReadBack {
  std::vector<FIO_TPEntry> turnpoints;
  std::vector<std::shared_ptr<FIO_Route>> routes;
  std::string fault;  // "message@line"
};

ReadBack Read(const std::string& bytes) {
  TempFile temp(bytes);
  CHostTextFile file(temp.path(), CFile::modeRead | CFile::typeText);
  ReadBack back;
  try {
    for (int calls = 0; calls < 300; ++calls) {
      FIO_TPEntry tp;
      auto route = std::make_shared<FIO_Route>();
      const std::int32_t result = FIO_ReadObject(&file, &tp, route.get());
      if (result == kFIOReadEnd) break;
      if (result == kFIOReadTurnpoint) back.turnpoints.push_back(tp);
      if (result == kFIOReadRoute) back.routes.push_back(route);
    }
  } catch (const FIO_Error& error) {
    back.fault = std::string(error.message.GetString()) + "@" + std::to_string(error.line);
  }
  return back;
}

std::vector<std::string> PointNames(const FIO_Route& route) {
  std::vector<std::string> names;
  for (const FIO_TPEntry* point : route.points) names.push_back(point->name);
  return names;
}

class Contract : public ::testing::Test {
 protected:
  void SetUp() override { FIO_InitDriver(); }
  void TearDown() override { FIO_ExitDriver(); }
};

TEST_F(Contract, StagesLeftOutStillSucceedAndLeaveTheSlotsTheyWriteOut) {
  const std::vector<FIO_TPEntry> three = {Turnpoint("A"), Turnpoint("B"), Turnpoint("C")};
  const struct {
    std::string order;
    std::size_t lines;
    bool mine;
    std::string fault;
  } cases[] = {
      {"3t2r4", 2044, true, ""},                // the order
      {"3tr4", 532, true, "bad latitude@22"},   // the routes follow the third turnpoint
      {"3t2r", 1532, true, ""},                 // the file ends after the turnpoints
      {"t2r4", 2042, false, "bad latitude@4"},  // no header: the first slot is taken for it
  };
  for (const auto& c : cases) {
    const std::string bytes = Write(c.order, three);
    EXPECT_EQ(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')), c.lines)
        << c.order;
    TempFile temp(bytes);
    CHostTextFile file(temp.path(), CFile::modeRead | CFile::typeText);
    EXPECT_EQ(FIO_IsFileOfMyType(&file) == kFIOSuccess, c.mine) << c.order;
    EXPECT_EQ(Read(bytes).fault, c.fault) << c.order;
    EXPECT_EQ(bytes.find('\r'), std::string::npos) << "a text stream on Linux writes LF alone";
  }
}

TEST_F(Contract, TurnpointFieldsReadBackAsTheFileHoldsThem) {
  const float rounded = static_cast<float>(std::round(48.730417 * 3600.0) / 3600.0);
  const struct {
    const char* what;
    FIO_TPEntry written;
    std::string name;
    double latitudeSeconds;  // seconds past 48 degrees 43 minutes
    std::int32_t altitude;
    std::string frequency;
  } cases[] = {
      {"bytes as given", Turnpoint("M\xFCnchen", 48.7305556F), "M\xFCnchen", 50, 0, "0.000"},
      {"cut at 18 bytes", Turnpoint("ABCDEFGHIJKLMNOPQRSTUVWXYZ", 48.7305556F),
       "ABCDEFGHIJKLMNOPQR", 50, 0, "0.000"},
      {"float of 48.730417", Turnpoint("F", 48.730417F), "F", 49, 0, "0.000"},
      {"rounded in double first", Turnpoint("R", rounded), "R", 50, 0, "0.000"},
      {"lowest altitude", Turnpoint("L", 48.7305556F, -999, "122.475"), "L", 50, -999, "122.475"},
      {"highest altitude", Turnpoint("H", 48.7305556F, 9999, "122.475"), "H", 50, 9999, "122.475"},
      {"five digits", Turnpoint("5", 48.7305556F, 12345, "122.475"), "5", 50, 1234, ""},
      {"below -999", Turnpoint("N", 48.7305556F, -1000, "122.475"), "N", 50, -100, ""},
  };
  for (const auto& c : cases) {
    const ReadBack back = Read(Write("3t2r4", {c.written}));
    ASSERT_EQ(back.fault, "") << c.what;
    ASSERT_EQ(back.turnpoints.size(), 1u) << c.what;
    const FIO_TPEntry& tp = back.turnpoints[0];
    EXPECT_EQ(tp.name, c.name) << c.what;
    EXPECT_NEAR((tp.latitude - 48.0 - 43.0 / 60.0) * 3600.0, c.latitudeSeconds, 0.05) << c.what;
    EXPECT_EQ(tp.altitude, c.altitude) << c.what;
    EXPECT_EQ(tp.frequency, c.frequency) << c.what;
  }
}

TEST_F(Contract, ARouteLosesItsFirstAndLastPointEachTimeItIsWritten) {
  FIO_Route route;
  route.name = "Route-name-of-24-bytes";
  for (const char* point : {"Takeoff", "P1", "P2", "P3", "P4", "Landing"})
    AppendRoutePoint(route, point, 0.0F, 0.0F, kFIOPointKindPlain);
  ReadBack back = Read(Write("3t2r4", {}, {&route}));
  ASSERT_EQ(back.routes.size(), 1u);
  EXPECT_EQ(back.routes[0]->name, "Route-name-of-24-by");  // 19 bytes
  EXPECT_EQ(PointNames(*back.routes[0]), (std::vector<std::string>{"P1", "P2", "P3", "P4"}));

  back = Read(Write("3t2r4", {}, {back.routes[0].get()}));
  ASSERT_EQ(back.routes.size(), 1u);
  EXPECT_EQ(PointNames(*back.routes[0]), (std::vector<std::string>{"P2", "P3"}));
}

TEST_F(Contract, AReadPassWhileWritingResetsTheWriteCounters) {
  const std::string other = Write("3t2r4", {Turnpoint("A")});
  TempFile temp;
  {
    CHostTextFile file(temp.path(), CFile::modeCreate | CFile::modeWrite | CFile::typeText);
    WriteStage(file, kFIOStageFileStart);
    const FIO_TPEntry a = Turnpoint("A"), b = Turnpoint("B");
    FIO_WriteTP(&file, &a);
    FIO_WriteTP(&file, &b);
    EXPECT_EQ(Read(other).fault, "");  // a read pass in between
    WriteStage(file, kFIOStageTurnpointsDone);
    WriteStage(file, kFIOStageRoutesDone);
  }
  const std::string bytes = temp.Contents();
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 2044 + 2 * 6)
      << "the two turnpoints written before the read are filled again";
}

}  // namespace
