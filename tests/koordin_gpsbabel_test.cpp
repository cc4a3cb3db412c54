// koordin and GPSBabel, the converter most pilots already have, meet through GPX: every name and
// coordinate of the bundled example must come through both ways. Without gpsbabel on the
// machine, the tests say that they were skipped.

#include "tests/koordin_testing.h"
#include "tools/koordin/formats/formats.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

using koordin_testing::Lines;
using koordin_testing::ReadFile;
using koordin_testing::RunKoordin;
using koordin_testing::RunShell;
using koordin_testing::TempDir;

constexpr const char* kExample = KOORDIN_SOURCE_DIR "/examples/gliding-sites.cup";
// GPSBabel's text output has six decimals of a degree.
constexpr double kSameDegrees = 1e-6;

struct Position {
  double latitude;
  double longitude;
};

// The example's waypoints, by name, as koordin's CUP reader understands them.
std::map<std::string, Position> ExampleWaypoints() {
  koordin_cli::Diagnostics diagnostics;
  const koordin_cli::Document document = koordin_cli::ReadCup(ReadFile(kExample), diagnostics);
  std::map<std::string, Position> waypoints;
  for (const koordin_cli::Waypoint& waypoint : document.waypoints) {
    waypoints[waypoint.name] = {waypoint.latitude, waypoint.longitude};
  }
  return waypoints;
}

// The example's tasks as route name and the names of the points to fly.
std::vector<std::pair<std::string, std::vector<std::string>>> ExampleRoutes() {
  koordin_cli::Diagnostics diagnostics;
  const koordin_cli::Document document = koordin_cli::ReadCup(ReadFile(kExample), diagnostics);
  std::vector<std::pair<std::string, std::vector<std::string>>> routes;
  for (const koordin_cli::Task& task : document.tasks) {
    std::vector<std::string> points;
    for (const std::string& point : task.points) {
      if (!point.empty()) points.push_back(point);
    }
    routes.emplace_back(task.name, points);
  }
  return routes;
}

// The fields of one line of GPSBabel's unicsv output; quoted fields hold no quotes here.
std::vector<std::string> SplitCsv(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else if (c != '\r') {
      fields.back() += c;
    }
  }
  return fields;
}

class KoordinWithGpsbabel : public ::testing::Test {
 protected:
  void SetUp() override {
    if (RunShell(dir, "command -v gpsbabel").status != 0) {
      GTEST_SKIP() << "gpsbabel is not installed";
    }
  }

  TempDir dir;
};

TEST_F(KoordinWithGpsbabel, GpsbabelReadsEveryWaypointOfKoordinsGpx) {
  ASSERT_EQ(RunKoordin(dir, std::string("convert '") + kExample + "' sites.gpx").status, 0);
  const auto babel = RunShell(dir, "gpsbabel -i gpx -f sites.gpx -o unicsv -F sites.csv");
  ASSERT_EQ(babel.status, 0) << babel.err;

  const std::vector<std::string> lines = Lines(ReadFile(dir / "sites.csv"));
  ASSERT_FALSE(lines.empty());
  const std::vector<std::string> header = SplitCsv(lines[0]);
  std::map<std::string, std::size_t> column;
  for (std::size_t i = 0; i < header.size(); ++i) column[header[i]] = i;
  ASSERT_EQ(column.count("Name") + column.count("Latitude") + column.count("Longitude"), 3u)
      << lines[0];

  std::map<std::string, Position> expected = ExampleWaypoints();
  ASSERT_EQ(lines.size() - 1, expected.size());
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> fields = SplitCsv(lines[i]);
    const std::string& name = fields[column["Name"]];
    SCOPED_TRACE(name);
    ASSERT_EQ(expected.count(name), 1u);
    EXPECT_NEAR(std::stod(fields[column["Latitude"]]), expected[name].latitude, kSameDegrees);
    EXPECT_NEAR(std::stod(fields[column["Longitude"]]), expected[name].longitude, kSameDegrees);
    expected.erase(name);
  }
  EXPECT_TRUE(expected.empty());
}

TEST_F(KoordinWithGpsbabel, KoordinReadsTheGpxGpsbabelWrites) {
  ASSERT_EQ(RunKoordin(dir, std::string("convert '") + kExample + "' sites.gpx").status, 0);
  const auto babel = RunShell(dir, "gpsbabel -w -r -i gpx -f sites.gpx -o gpx -F babel.gpx");
  ASSERT_EQ(babel.status, 0) << babel.err;

  const auto dump = RunKoordin(dir, "dump babel.gpx --format json");
  ASSERT_EQ(dump.status, 0) << dump.err;
  const nlohmann::json listing = nlohmann::json::parse(dump.out);

  std::map<std::string, Position> expected = ExampleWaypoints();
  ASSERT_EQ(listing["turnpoints"].size(), expected.size());
  for (const nlohmann::json& turnpoint : listing["turnpoints"]) {
    const std::string name = turnpoint["name"];
    SCOPED_TRACE(name);
    ASSERT_EQ(expected.count(name), 1u);
    EXPECT_NEAR(turnpoint["latitude"].get<double>(), expected[name].latitude, kSameDegrees);
    EXPECT_NEAR(turnpoint["longitude"].get<double>(), expected[name].longitude, kSameDegrees);
  }

  std::vector<std::pair<std::string, std::vector<std::string>>> routes;
  for (const nlohmann::json& route : listing["routes"]) {
    routes.emplace_back(route["name"], route["points"].get<std::vector<std::string>>());
  }
  EXPECT_EQ(routes, ExampleRoutes());
}

TEST_F(KoordinWithGpsbabel, AKoordinFileGoesToGpsbabelAndBackWhole) {
  ASSERT_EQ(RunKoordin(dir, std::string("convert '") + kExample + "' sites.lst").status, 0);
  ASSERT_EQ(RunKoordin(dir, "convert sites.lst sites.gpx").status, 0);
  ASSERT_EQ(RunShell(dir, "gpsbabel -w -r -i gpx -f sites.gpx -o gpx -F babel.gpx").status, 0);
  const auto back = RunKoordin(dir, "convert babel.gpx back.lst");
  ASSERT_EQ(back.status, 0) << back.err;
  // Whole seconds of arc survive six decimals of a degree, so the file comes back byte for byte.
  EXPECT_EQ(ReadFile(dir / "back.lst"), ReadFile(dir / "sites.lst"));
}

}  // namespace
