// koordin on a national waypoint file, as a pilot uses it: a file of thousands of points, a site
// found by its code or a part of its name, and messages that fit a screen.

#include "tests/koordin_testing.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Outcome = koordin_testing::Run;
using koordin_testing::RunKoordin;
using koordin_testing::TempDir;

constexpr int kWaypoints = 4806;
constexpr int kSite = 1998;  // on line 2000, after the header
constexpr int kLastLandable = 5;

// A CUP coordinate of `degrees` on `axis` ('N' or 'E').
std::string CupCoordinate(double degrees, char axis) {
  const char hemisphere = axis == 'N' ? (degrees < 0 ? 'S' : 'N') : (degrees < 0 ? 'W' : 'E');
  const double value = degrees < 0 ? -degrees : degrees;
  const int whole = static_cast<int>(value);
  char text[24];
  std::snprintf(text, sizeof text, axis == 'N' ? "%02d%06.3f%c" : "%03d%06.3f%c", whole,
                (value - whole) * 60.0, hemisphere);
  return text;
}

// A country's file: turnpoints, bridges and masts (all named "Mast"), a few in ten landing places,
// a site with an ICAO code, and tasks with "???" for takeoff and landing and long names that a cut
// makes one.
std::string NationalCup() {
  std::string cup = "name,code,country,lat,lon,elev,style,rwdir,rwlen,rwwidth,freq,desc\r\n";
  std::uint32_t state = 12345;
  const auto next = [&state] {
    state = state * 1664525U + 1013904223U;
    return (state >> 8) / static_cast<double>(1U << 24);
  };
  for (int i = 0; i < kWaypoints; ++i) {
    double latitude = 43.0 + next() * 8.0;
    double longitude = -1.0 + next() * 8.0;
    const double kind = next();
    int style = kind < 0.03   ? 4
                : kind < 0.07 ? 3
                : kind < 0.09 ? 2
                : kind < 0.1  ? 5
                : kind < 0.3  ? 8
                              : 1;
    std::string name = (style <= kLastLandable ? "Field " : "Point ") + std::to_string(i);
    std::string code;
    if (style == 8) name = "Mast";
    if (i == kSite) {
      name = "Carpentras";
      code = "LFNH";
      style = 5;
      latitude = 44.0;
      longitude = 5.05;
    }
    cup += "\"" + name + "\"," + code + ",FR," + CupCoordinate(latitude, 'N') + "," +
           CupCoordinate(longitude, 'E') + ",100m," + std::to_string(style) + ",,,,0.000,\r\n";
  }
  cup += "-----Related Tasks-----\r\n";
  cup += "\"Dreieck Ventoux und zurück\",\"???\",\"Carpentras\",\"Field 20\",\"???\"\r\n";
  cup += "\"Dreieck Ventoux und zurück 2\",\"???\",\"Carpentras\",\"Field 21\",\"???\"\r\n";
  return cup;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class National : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir();
    dir_->Write("fr.cup", NationalCup());
  }
  static void TearDownTestSuite() { delete dir_; }
  static TempDir* dir_;
};
TempDir* National::dir_ = nullptr;

// Near a site, a full file keeps every landing place within the radius, then the nearest others,
// and says so in a line that fits a screen.
TEST_F(National, KeepsTheLandingPlacesWithinReachFirst) {
  const Outcome run = RunKoordin(*dir_,
                                 "convert fr.cup - --to lst --near LFNH --radius 150 --dry-run "
                                 "--plan-format json");
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json plan = nlohmann::json::parse(run.out);
  EXPECT_EQ(plan["near"]["name"], "Carpentras");
  double farthestOther = 0.0;
  double nearestDroppedOther = 1e9;
  std::size_t landable = 0;
  std::size_t landableKept = 0;
  for (const nlohmann::json& turnpoint : plan["turnpoints"]) {
    const double km = turnpoint["distanceKm"];
    if (km > 150.0) continue;
    const bool kept = turnpoint["kept"];
    if (turnpoint["style"].get<int>() >= 2 && turnpoint["style"].get<int>() <= kLastLandable) {
      ++landable;
      landableKept += kept ? 1 : 0;
    } else if (kept) {
      farthestOther = std::max(farthestOther, km);
    } else {
      nearestDroppedOther = std::min(nearestDroppedOther, km);
    }
  }
  ASSERT_LT(landable, 255U) << "the file must leave room for others";
  EXPECT_EQ(landableKept, landable);
  EXPECT_LE(farthestOther, nearestDroppedOther);
  const std::vector<std::string> warnings = Lines(run.err);
  const auto summary = std::find_if(warnings.begin(), warnings.end(), [](const std::string& line) {
    return line.find("turnpoints within 150 km dropped; kept nearest to Carpentras: ") !=
           std::string::npos;
  });
  ASSERT_NE(summary, warnings.end()) << run.err;
  EXPECT_NE(summary->find(" landing places to "), std::string::npos) << *summary;
  EXPECT_NE(summary->find(" and 3 of routes; "), std::string::npos) << *summary;
}

// The site by its code, its name in any case, or a part of it: the same file.
TEST_F(National, FindsTheSiteAsAPilotTypesIt) {
  const Outcome byName = RunKoordin(*dir_, "convert fr.cup - --to lst --near Carpentras --quiet");
  ASSERT_EQ(byName.status, 0) << byName.err;
  for (const char* near : {"LFNH", "lfnh", "CARPENTRAS", "carpent"}) {
    const Outcome run =
        RunKoordin(*dir_, std::string("convert fr.cup - --to lst --quiet --near ") + near);
    EXPECT_EQ(run.status, 0) << near << ": " << run.err;
    EXPECT_EQ(run.out, byName.out) << near;
  }
  const Outcome typo = RunKoordin(*dir_, "convert fr.cup o.lst --near Karpentras");
  EXPECT_EQ(typo.status, 2);
  EXPECT_NE(typo.err.find("did you mean \"Carpentras\"?"), std::string::npos) << typo.err;
  EXPECT_FALSE(dir_->Files().count("o.lst"));
}

// Every line of the default output fits a screen and is told once; "???", "0.000" and the points
// a filter leaves out give no warning.
TEST_F(National, SaysWhatHappenedInAScreen) {
  const Outcome all = RunKoordin(*dir_, "convert fr.cup all.lst --near LFNH");
  const Outcome masts = RunKoordin(*dir_, "convert fr.cup some.lst --near LFNH --exclude Mast");
  for (const Outcome* run : {&all, &masts}) {
    EXPECT_EQ(run->status, 0) << run->err;
    const std::vector<std::string> lines = Lines(run->err);
    EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()).size(), lines.size()) << run->err;
    for (const std::string& line : lines) EXPECT_LE(line.size(), 200U) << line;
    EXPECT_EQ(run->err.find("???"), std::string::npos) << run->err;
    EXPECT_EQ(run->err.find("0.000"), std::string::npos) << run->err;
  }
  EXPECT_NE(all.err.find("the name \"Mast\" is used already"), std::string::npos) << all.err;
  EXPECT_EQ(masts.err.find("the name \"Mast\""), std::string::npos) << masts.err;
  EXPECT_NE(all.err.find("numbered"), std::string::npos) << all.err;
  const Outcome routes = RunKoordin(*dir_, "dump all.lst | grep -c 'Dreieck Ventoux'");
  EXPECT_EQ(routes.out, "2\n");
  const Outcome numbered = RunKoordin(*dir_, "dump all.lst | grep -c 'Dreieck Ventoux u 2'");
  EXPECT_EQ(numbered.out, "1\n");
}

}  // namespace
