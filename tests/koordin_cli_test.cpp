// koordin as a user runs it: the built program, its driver beside it, files in a folder of their
// own. Each test states what the user sees: standard output, standard error, the exit status and
// the files left behind.

#include "tests/koordin_testing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using koordin_testing::KoordinText;
using koordin_testing::Lines;
using koordin_testing::ReadFile;
using koordin_testing::RouteSlot;
using koordin_testing::RunKoordin;
using koordin_testing::Slot;
using koordin_testing::TempDir;

const Slot kAlpha{"Alpha", "50:30:00", "N", "007:15:00", "W", "0120:0.000"};
const Slot kBeta{"Beta", "47:00:00", "N", "011:30:30", "O", "1500:122.500"};
const Slot kGamma{"Gamma", "46:10:00", "N", "009:00:00", "O", "0400:0.000"};

// Three turnpoints and two routes, one of them with a point that is no turnpoint.
std::string GoodFile() {
  return KoordinText({kAlpha, kBeta, kGamma},
                     {RouteSlot{"Runde", {"Beta", "Gamma"}}, RouteSlot{"Irrweg", {"Nirgends"}}});
}

// The good file with line `number` (1-based) replaced.
std::string WithLine(int number, const std::string& line) {
  std::vector<std::string> lines = Lines(GoodFile());
  lines[static_cast<std::size_t>(number - 1)] = line;
  std::string text;
  for (const std::string& each : lines) text += each + "\n";
  return text;
}

TEST(KoordinCheck, OneLinePerFileWithWhatItHoldsOrWhatIsWrong) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string expected;  // after "<path>"
  };
  const std::string lines = GoodFile();
  const Case cases[] = {
      {"good", GoodFile(), ": 3 turnpoints, 2 routes"},
      // Slot 3 begins at line 15: its latitude is line 16.
      {"bad latitude in slot 3", WithLine(16, "4x:10:00"), ":16: bad latitude: \"4x:10:00\""},
      {"bad hemisphere line", WithLine(17, ""), ":17: bad latitude: \"\""},
      {"bad longitude", WithLine(18, "9:00"), ":18: bad longtiude: \"9:00\""},
      {"bad altitude", WithLine(20, "hoch:0.000"), ":20: bad altitude/frequency: \"hoch:0.000\""},
      {"cut off in slot 2", lines.substr(0, lines.find("47:00:00")),
       ":9: bad latitude: \"" + koordin_testing::NameField("Beta") + "\" (the file ends there)"},
      {"not KOORDIN", "name,code,country\n\"A\",\"B\",DE\n",
       ": not a KOORDIN file: its first line is \"name,code,country\""},
      {"second header line differs", WithLine(2, "v2.1"),
       ": not a KOORDIN file: its first line is \"VP6 KOORDIN Datei Peschges Variometer GmbH\""},
      {"empty", "", ": not a KOORDIN file: it is empty"},
      {"over-long header", std::string(300, 'x') + "\n",
       ":1: header line too long: \"" + std::string(80, 'x') + "\u2026\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string path = dir.Write("file.lst", c.bytes);
    const auto run = RunKoordin(dir, "check '" + path + "'");
    EXPECT_EQ(run.out, path + c.expected + "\n");
    EXPECT_EQ(run.status, c.expected.rfind(": 3 turnpoints", 0) == 0 ? 0 : 1);
  }
}

TEST(KoordinCheck, FailsWhenAnyFileIsBadAndStillChecksTheRest) {
  TempDir dir;
  const std::string good = dir.Write("good.lst", GoodFile());
  const std::string bad = dir.Write("bad.lst", WithLine(16, "4x:10:00"));
  const std::string missing = dir / "missing.lst";
  const auto run = RunKoordin(dir, "check '" + good + "' '" + bad + "' '" + missing + "'");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Lines(run.out),
            (std::vector<std::string>{good + ": 3 turnpoints, 2 routes",
                                      bad + ":16: bad latitude: \"4x:10:00\"",
                                      missing + ": cannot read: No such file or directory"}));
}

TEST(KoordinCheck, WarnsAboutRoutePointsThatMatchNoTurnpoint) {
  TempDir dir;
  const std::string good = dir.Write("good.lst", GoodFile());
  const auto run = RunKoordin(dir, "check '" + good + "'");
  EXPECT_EQ(run.status, 0);
  // Route slot 2 begins at line 1549.
  EXPECT_EQ(run.err, good + ": warning: line 1549: route \"Irrweg\": point \"Nirgends\" matches " +
                         "no turnpoint\n");
}

TEST(KoordinCheck, WarnsAboutCoordinatesBeyondTheGlobe) {
  TempDir dir;
  const std::string path = dir.Write(
      "far.lst", KoordinText({kAlpha, Slot{"Pol", "95:00:00", "N", "190:30:00", "W", "0000"}}));
  const auto run = RunKoordin(dir, "check far.lst");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "far.lst: 2 turnpoints, 0 routes\n");
  EXPECT_EQ(Lines(run.err), (std::vector<std::string>{
                                "far.lst: warning: line 9: turnpoint \"Pol\": latitude 95.000000 "
                                "is beyond 90 degrees",
                                "far.lst: warning: line 9: turnpoint \"Pol\": longitude "
                                "-190.500000 is beyond 180 degrees"}));
}

TEST(KoordinDriver, NamesEveryExportTheLibraryLacks) {
  TempDir dir;
  const std::string good = dir.Write("good.lst", GoodFile());
  const auto run = RunKoordin(dir, "--driver '" PARTIAL_DRIVER "' check '" + good + "'");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, std::string(PARTIAL_DRIVER) +
                         ": not a usable driver: missing exports FIO_ReadObject, FIO_WriteRoute\n");
}

TEST(KoordinDriver, SaysWhyALibraryCannotBeLoaded) {
  TempDir dir;
  const auto run = RunKoordin(dir, "--driver '" + (dir / "none.so") + "' info");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.rfind(dir / "none.so" + ": cannot load the driver: ", 0), 0u) << run.err;
  EXPECT_EQ(Lines(run.err).size(), 1u);
}

TEST(KoordinInfo, ShowsWhatTheDriverSaysAboutItself) {
  TempDir dir;
  const auto run = RunKoordin(dir, "info");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 9u) << run.out;
  EXPECT_EQ(lines[0], "driver        VP6 (Version 2)");
  EXPECT_EQ(lines[1], "version       Version 1.03");
  EXPECT_EQ(lines[2], "maker         Tarnwickelmarden");
  EXPECT_EQ(lines[4], "extension     lst");
  EXPECT_EQ(lines[5], "turnpoints    255");
  EXPECT_EQ(lines[6], "routes        32, each of up to 15 points");
  EXPECT_EQ(lines[7], "names         18 characters, route names 19");
  EXPECT_EQ(lines[8], "object kinds  1, 8, 64, 512");
}

TEST(KoordinDump, ListsTheFilledSlotsAsAnAlignedTable) {
  TempDir dir;
  const std::string path = dir.Write("good.lst", GoodFile());
  const auto run = RunKoordin(dir, "dump '" + path + "'");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "slot  name    latitude              longitude               alt m  freq     marker\n"
            "   1  Alpha  50.500000  50°30'00\"N  -7.250000  007°15'00\"W    120\n"
            "   2  Beta   47.000000  47°00'00\"N  11.508333  011°30'30\"E   1500  122.500\n"
            "   3  Gamma  46.166668  46°10'00\"N   9.000000  009°00'00\"E    400\n"
            "\n"
            "route  name    points\n"
            "    1  Runde   Beta > Gamma\n"
            "    2  Irrweg  Nirgends\n");
}

TEST(KoordinDump, ListsEmptySlotsWithAll) {
  TempDir dir;
  const std::string path = dir.Write("good.lst", GoodFile());
  const auto run = RunKoordin(dir, "dump '" + path + "' --all --format csv");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  // A header and 255 turnpoint slots, a blank line, a header and 32 route slots.
  ASSERT_EQ(lines.size(), 1u + 255u + 1u + 1u + 32u);
  EXPECT_EQ(lines[4], "4,,0.000000,0.000000,\"00°00'00\"\"N\",\"000°00'00\"\"E\",0,,0");
  EXPECT_EQ(lines.back(), "32,,");
}

TEST(KoordinDump, WritesCsvAndJson) {
  TempDir dir;
  const std::string path = dir.Write("good.lst", GoodFile());
  const auto csv = RunKoordin(dir, "dump '" + path + "' --format csv");
  ASSERT_EQ(csv.status, 0) << csv.err;
  EXPECT_EQ(csv.out,
            "slot,name,latitude,longitude,latitude_dms,longitude_dms,altitude,frequency,marked\n"
            "1,Alpha,50.500000,-7.250000,\"50°30'00\"\"N\",\"007°15'00\"\"W\",120,,0\n"
            "2,Beta,47.000000,11.508333,\"47°00'00\"\"N\",\"011°30'30\"\"E\",1500,122.500,0\n"
            "3,Gamma,46.166668,9.000000,\"46°10'00\"\"N\",\"009°00'00\"\"E\",400,,0\n"
            "\n"
            "route,name,points\n"
            "1,Runde,Beta > Gamma\n"
            "2,Irrweg,Nirgends\n");
  const auto json = RunKoordin(dir, "dump '" + path + "' --format json");
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_NE(json.out.find("      \"slot\": 2,\n"
                          "      \"name\": \"Beta\",\n"
                          "      \"latitude\": 47.0,\n"
                          "      \"longitude\": 11.508333,\n"
                          "      \"latitude_dms\": \"47°00'00\\\"N\",\n"
                          "      \"longitude_dms\": \"011°30'30\\\"E\",\n"
                          "      \"altitude\": 1500,\n"
                          "      \"frequency\": \"122.500\",\n"
                          "      \"marked\": false\n"),
            std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("\"points\": [\n        \"Beta\",\n        \"Gamma\"\n      ]"),
            std::string::npos)
      << json.out;
}

TEST(KoordinUsage, RefusesWhatItCannotDoWithOneLine) {
  struct Case {
    const char* arguments;
    int status;
    const char* error;
  };
  const Case cases[] = {
      {"convert in.txt out.lst", 2,
       "koordin: in.txt: cannot tell the format from the file name; give --from (lst, cup, gpx, "
       "csv, json)\n"},
      {"convert in.cup out.lst --from xls", 2,
       "koordin: --from xls: not a format koordin knows (lst, cup, gpx, csv, json)\n"},
      {"--encoding NOSUCHSET convert in.lst out.cup", 2,
       "koordin: --encoding NOSUCHSET: not a character set that iconv knows\n"},
      {"--encoding UTF-8 convert in.lst out.cup", 2,
       "koordin: --encoding UTF-8: UTF-8 is not a single-byte character set\n"},
      {"convert in.lst", 2, "OUT is required\nRun with --help for more information.\n"},
      {"", 2, "A subcommand is required\nRun with --help for more information.\n"},
      {"dump in.lst --format xml", 2,
       "--format: xml not in {text,csv,json}\nRun with --help for more information.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    TempDir dir;
    dir.Write("in.lst", GoodFile());
    dir.Write("in.cup", "name,code,country,lat,lon,elev,style\n");
    dir.Write("in.txt", "");
    const auto run = RunKoordin(dir, c.arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.err, c.error);
  }
}

TEST(KoordinUsage, HelpShowsExamplesAndVersionTheNumber) {
  TempDir dir;
  const auto help = RunKoordin(dir, "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Examples:\n  koordin convert"), std::string::npos) << help.out;
  const auto version = RunKoordin(dir, "--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "koordin " KOORDIN_VERSION "\n");
}

}  // namespace
