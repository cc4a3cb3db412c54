// koordin and GPSBabel, the converter most pilots already have, meet through GPX: every name and
// coordinate of the bundled example must come through both ways. Without gpsbabel on the
// machine, the tests say that they were skipped.

#include "tests/koordin_testing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace koordin_testing {
namespace {

const std::string kExample = "'" KOORDIN_SOURCE_DIR "/examples/gliding-sites.cup'";

class KoordinWithGpsbabel : public ::testing::Test {
 protected:
  void SetUp() override {
    if (RunShell(dir, "command -v gpsbabel").status != 0) GTEST_SKIP() << "gpsbabel is missing";
    ASSERT_EQ(RunKoordin(dir, "convert " + kExample + " sites.gpx").status, 0);
  }
  // koordin's CSV listing of `file`; with `columns`, its turnpoint table cut to those columns.
  std::string Listing(const std::string& file, const std::string& columns = "") {
    const std::string cut = columns.empty() ? "" : " | sed '/^$/q' | cut -d, -f" + columns;
    return RunShell(dir, "koordin dump " + file + " --format csv 2>/dev/null" + cut).out;
  }
  TempDir dir;
};

TEST_F(KoordinWithGpsbabel, GpsbabelReadsEveryWaypointOfKoordinsGpx) {
  // GPSBabel's unicsv has the columns Name, Latitude and Longitude, which koordin's CSV reads;
  // GPSBabel writes six decimals of a degree, as koordin's listing does.
  ASSERT_EQ(RunShell(dir, "gpsbabel -i gpx -f sites.gpx -o unicsv -F babel.csv").status, 0);
  const std::string expected = Listing(kExample, "1-4");  // slot, name, latitude, longitude
  EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 1 + 28 + 1);
  EXPECT_EQ(Listing("babel.csv", "1-4"), expected);
}

TEST_F(KoordinWithGpsbabel, GpsbabelNamesTheWaypointsOfKoordinsCup) {
  // GPSBabel takes a CUP waypoint's name from its code column, quotes and all, which koordin
  // fills with the name, unquoted, where the source has no code.
  dir.Write("plain.cup",
            "name,lat,lon\r\nHahnweide,4837.833N,00925.817E\r\n"
            "K\u00f6nigsdorf,4749.767N,01128.000E\r\n");
  ASSERT_EQ(RunKoordin(dir, "convert plain.cup sites.cup").status, 0);
  ASSERT_EQ(RunShell(dir, "gpsbabel -i cup -f sites.cup -o unicsv -F babel.csv").status, 0);
  EXPECT_EQ(Listing("babel.csv", "2"), "name\nHahnweide\nK\u00f6nigsdorf\n\n");
}

// A task's takeoff and landing travel in koordin's GPX, and through GPSBabel, so that a CUP file
// taken through GPX comes back the same, and so does the KOORDIN file made from it. GPSBabel reads
// koordin's CSV, whose tasks it passes over.
TEST_F(KoordinWithGpsbabel, TasksComeBackWholeThroughGpxAndCsvReadsInGpsbabel) {
  ExpectSession(
      dir,
      {{"koordin convert " + kExample + " direct.cup && koordin convert " + kExample +
            " direct.lst 2>/dev/null && koordin convert sites.gpx back.cup && cmp direct.cup "
            "back.cup && koordin convert sites.gpx back.lst 2>/dev/null && cmp direct.lst back.lst",
        0,
        "direct.cup: 28 turnpoints, 3 routes\ndirect.lst: 28 turnpoints, 3 routes\nback.cup: 28 "
        "turnpoints, 3 routes\nback.lst: 28 turnpoints, 3 routes\n",
        ""},
       {"gpsbabel -i gpx -f sites.gpx -o gpx -F babel.gpx && koordin convert babel.gpx "
        "babel.cup 2>/dev/null && cmp babel.cup direct.cup && koordin convert babel.gpx "
        "babel.lst 2>/dev/null && cmp babel.lst direct.lst",
        0, "babel.cup: 28 turnpoints, 3 routes\nbabel.lst: 28 turnpoints, 3 routes\n", ""},
       {"koordin convert " + kExample +
            " sites.csv 2>/dev/null && gpsbabel -i unicsv -f sites.csv -o unicsv -F - | wc -l",
        0, "sites.csv: 28 turnpoints, 3 routes\n29\n", ""}});
}

}  // namespace
}  // namespace koordin_testing
