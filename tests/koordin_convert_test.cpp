// koordin convert as a user runs it: what arrives in the output, every warning about what does
// not, and an output file that is either complete or not there at all.

#include "tests/koordin_testing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using koordin_testing::KoordinText;
using koordin_testing::Lines;
using koordin_testing::ReadFile;
using koordin_testing::RunKoordin;
using koordin_testing::Slot;
using koordin_testing::TempDir;

constexpr const char* kCupHeader =
    "name,code,country,lat,lon,elev,style,rwdir,rwlen,rwwidth,freq,desc,userdata,pics\r\n";
constexpr const char* kTaskSection = "-----Related Tasks-----\r\n";

std::string PointName(int number) {
  char name[16];
  std::snprintf(name, sizeof name, "Punkt %03d", number);
  return name;
}

// A CUP waypoint line at a place of its own (one minute of latitude per number).
std::string CupWaypoint(const std::string& name, int number, const std::string& elevation) {
  char line[160];
  std::snprintf(line, sizeof line, "\"%s\",\"P%03d\",DE,%02d%02d.000N,00930.000E,%s,1,,,,,,,\r\n",
                name.c_str(), number, 47 + number / 60, number % 60, elevation.c_str());
  return line;
}

std::string CupTask(const std::string& name, const std::vector<std::string>& points) {
  std::string line = "\"" + name + "\"";
  for (const std::string& point : points) line += ",\"" + point + "\"";
  return line + "\r\n";
}

// 300 waypoints and 40 tasks: more than a KOORDIN file holds, with two long names that become one
// by the cut, an altitude too high, a long task and a point that falls off the end.
std::string BigCup() {
  std::string cup = kCupHeader;
  for (int i = 1; i <= 300; ++i) {
    std::string name = PointName(i);
    if (i == 5) name = "Flugplatz Ober-Mörlen Süd";
    if (i == 6) name = "Flugplatz Ober-Mörlen Nord";
    cup += CupWaypoint(name, i, i == 7 ? "33000ft" : "500m");
  }
  cup += kTaskSection;
  std::vector<std::string> longTask = {PointName(1)};
  for (int i : {2, 3, 4, 8, 9, 10, 11, 280, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 1}) {
    longTask.push_back(PointName(i));
  }
  cup += CupTask("Aufgabe 01", longTask);
  cup += CupTask("Aufgabe 02", {"", PointName(1), PointName(290), PointName(2), ""});
  for (int task = 3; task <= 40; ++task) {
    char name[16];
    std::snprintf(name, sizeof name, "Aufgabe %02d", task);
    cup += CupTask(name, {"", PointName(task + 10), PointName(task + 11), ""});
  }
  return cup;
}

// What koordin says about BigCup, one line each, for the output file `out`.
std::vector<std::string> BigCupWarnings(const std::string& out) {
  const std::string warning = out + ": warning: ";
  std::vector<std::string> lines = {
      warning +
          "turnpoint \"Flugplatz Ober-Mörlen Süd\": name cut to 18 characters: "
          "\"Flugplatz Ober-Mör\"",
      warning +
          "turnpoint \"Flugplatz Ober-Mörlen Nord\": name cut to 18 characters: "
          "\"Flugplatz Ober-Mör\"",
      warning + "turnpoint \"Punkt 007\": altitude 10058 m outside -999..9999, written as 9999",
  };
  for (int i = 256; i <= 300; ++i) {
    lines.push_back(warning + "turnpoint \"" + PointName(i) +
                    "\" dropped: the file holds 255 turnpoints");
  }
  lines.push_back(warning +
                  "turnpoints \"Flugplatz Ober-Mörlen Süd\" and \"Flugplatz Ober-Mörlen Nord\" "
                  "become one name when cut to 18 characters: \"Flugplatz Ober-Mör\"");
  lines.push_back(warning +
                  "route \"Aufgabe 01\": point \"Punkt 280\" left out: it names no turnpoint in "
                  "the file, and the route has more than 15 points");
  lines.push_back(warning +
                  "route \"Aufgabe 01\": point \"Punkt 020\" left out: a route holds 15 points");
  lines.push_back(warning +
                  "route \"Aufgabe 01\": point \"Punkt 021\" left out: a route holds 15 points");
  lines.push_back(warning + "route \"Aufgabe 02\": point \"Punkt 290\" names no turnpoint in the " +
                  "file");
  for (int task = 33; task <= 40; ++task) {
    lines.push_back(warning + "route \"Aufgabe " + std::to_string(task) +
                    "\" dropped: the file holds 32 routes");
  }
  return lines;
}

TEST(KoordinConvert, TooMuchForTheFileConvertsWithAWarningForEachLoss) {
  TempDir dir;
  dir.Write("big.cup", BigCup());
  const auto run = RunKoordin(dir, "convert big.cup big.lst");
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> expected = BigCupWarnings("big.lst");
  expected.push_back("61 warnings");
  EXPECT_EQ(Lines(run.err), expected);
  EXPECT_EQ(run.out, "big.lst: 255 turnpoints, 32 routes\n");

  // The file holds what the warnings say it does.
  const auto dump = RunKoordin(dir, "dump big.lst --format csv");
  ASSERT_EQ(dump.status, 0) << dump.err;
  const std::vector<std::string> lines = Lines(dump.out);
  EXPECT_EQ(lines[5].rfind("5,Flugplatz Ober-Mör,", 0), 0u) << lines[5];
  EXPECT_EQ(lines[7].rfind("7,Punkt 007,", 0), 0u) << lines[7];
  EXPECT_NE(lines[7].find(",9999,"), std::string::npos) << lines[7];
  EXPECT_EQ(lines[255].rfind("255,Punkt 255,", 0), 0u) << lines[255];
  EXPECT_EQ(lines[258],
            "1,Aufgabe 01,Punkt 002 > Punkt 003 > Punkt 004 > Punkt 008 > Punkt 009 > Punkt 010 > "
            "Punkt 011 > Punkt 012 > Punkt 013 > Punkt 014 > Punkt 015 > Punkt 016 > Punkt 017 > "
            "Punkt 018 > Punkt 019");
  EXPECT_EQ(lines[259], "2,Aufgabe 02,Punkt 001 > Punkt 290 > Punkt 002");
  EXPECT_EQ(lines.back(), "32,Aufgabe 32,Punkt 042 > Punkt 043");
  EXPECT_EQ(dump.err,
            "big.lst: warning: line 1549: route \"Aufgabe 02\": point \"Punkt 290\" "
            "matches no turnpoint\n");
}

TEST(KoordinConvert, StrictRefusesTooMuchAndLeavesTheTargetAlone) {
  TempDir dir;
  dir.Write("big.cup", BigCup());
  dir.Write("big.lst", "the old file");
  const auto run = RunKoordin(dir, "convert big.cup big.lst --strict");
  EXPECT_EQ(run.status, 1);
  std::vector<std::string> expected = BigCupWarnings("big.lst");
  expected.push_back("big.lst: not written: 61 warnings under --strict");
  EXPECT_EQ(Lines(run.err), expected);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(ReadFile(dir / "big.lst"), "the old file");
  EXPECT_EQ(dir.Files(), (std::vector<std::string>{"big.cup", "big.lst"}));
}

TEST(KoordinConvert, StrictWritesWhatFitsWhole) {
  TempDir dir;
  dir.Write("small.cup", std::string(kCupHeader) + CupWaypoint("Hahnweide", 1, "353m"));
  const auto run = RunKoordin(dir, "convert small.cup small.lst --strict");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, "small.lst: 1 turnpoint, 0 routes\n");
}

TEST(KoordinConvert, AFailureLeavesTheTargetUntouchedAndNoTemporary) {
  struct Case {
    const char* what;
    const char* prefix;     // shell words before koordin
    const char* arguments;  // after it
    const char* error;      // how standard error begins
  };
  const Case cases[] = {
      // A file size limit (of 2 KiB, which koordin's messages stay within) makes the driver's
      // writes fail part-way through the file.
      {"the disk fills while the driver writes", "trap '' XFSZ; ulimit -f 4; ",
       "convert '" KOORDIN_SOURCE_DIR "/examples/gliding-sites.cup' out.lst",
       "out.lst: cannot write: File too large"},
      {"the disk fills while a format is written", "trap '' XFSZ; ulimit -f 4; ",
       "convert big.cup out.cup", "out.cup: cannot write: File too large"},
      {"the input is malformed", "", "convert bad.lst out.lst", "bad.lst:16: bad latitude"},
      {"the input is no KOORDIN file", "", "convert big.cup out.lst --from lst",
       "big.cup: not a KOORDIN file"},
      {"the output format cannot hold a coordinate", "", "convert far.lst out.cup",
       "out.cup: waypoint \"Pol\": bad latitude"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    dir.Write("big.cup", BigCup());
    Slot broken{"Alpha"};
    broken.latitude = "x";
    dir.Write("bad.lst", KoordinText({Slot{"A"}, Slot{"B"}, broken}));
    dir.Write("far.lst", KoordinText({Slot{"Pol", "95:00:00"}}));
    dir.Write("out.lst", "the old file");
    dir.Write("out.cup", "the old file");
    const auto run = RunKoordin(dir, c.arguments, c.prefix);
    EXPECT_EQ(run.status, 1);
    // Warnings may come first; the error is one line, the last.
    std::vector<std::string> errors;
    for (const std::string& line : Lines(run.err)) {
      if (line.find(": warning: ") == std::string::npos) errors.push_back(line);
    }
    ASSERT_EQ(errors.size(), 1u) << run.err;
    EXPECT_EQ(errors[0].rfind(c.error, 0), 0u) << run.err;
    EXPECT_EQ(Lines(run.err).back(), errors[0]);
    EXPECT_EQ(ReadFile(dir / "out.lst"), "the old file");
    EXPECT_EQ(ReadFile(dir / "out.cup"), "the old file");
    EXPECT_EQ(dir.Files(),
              (std::vector<std::string>{"bad.lst", "big.cup", "far.lst", "out.cup", "out.lst"}));
  }
}

TEST(KoordinConvert, NamesGoIntoTheFileInItsCharacterSet) {
  struct Case {
    const char* encoding;
    const char* name;      // in the CUP file, UTF-8
    std::string nameLine;  // line 3 of the KOORDIN file
    std::string warning;
  };
  const Case cases[] = {
      {"CP1252", "Säntis", koordin_testing::NameField("S\xE4ntis"), ""},
      {"CP850", "Säntis", koordin_testing::NameField("S\x84ntis"), ""},
      {"ISO-8859-2", "Łódź",
       koordin_testing::NameField("\xA3\xF3"
                                  "d\xBC"),
       ""},
      {"CP1252", "Łódź",
       koordin_testing::NameField("L\xF3"
                                  "dz"),
       "out.lst: warning: turnpoint \"Łódź\": characters outside CP1252 written as \"Lódz\"\n"
       "1 warning\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.encoding) + " " + c.name);
    TempDir dir;
    dir.Write("in.cup", std::string(kCupHeader) + CupWaypoint(c.name, 1, "500m"));
    const std::string encoding = std::string("--encoding ") + c.encoding + " ";
    const auto run = RunKoordin(dir, encoding + "convert in.cup out.lst");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, c.warning);
    EXPECT_EQ(Lines(ReadFile(dir / "out.lst"))[2], c.nameLine);
    // Read back in the same set, the name is the one written.
    const auto back = RunKoordin(dir, encoding + "dump out.lst --format csv");
    const std::string readBack = std::string("1,") + (c.warning.empty() ? c.name : "Lódz") + ",";
    EXPECT_EQ(Lines(back.out)[1].rfind(readBack, 0), 0u) << back.out;
  }
}

TEST(KoordinConvert, BytesThatAreNoCharactersAreShownAndWarnedAbout) {
  TempDir dir;
  dir.Write("in.lst", KoordinText({Slot{"A\x81"
                                        "B"}}));
  const auto run = RunKoordin(dir, "convert in.lst out.cup");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Lines(run.err)[0],
            "in.lst: warning: turnpoint 1: bytes that are no CP1252 characters read as \"?\": "
            "\"A?B\"");
  EXPECT_NE(ReadFile(dir / "out.cup").find("\"A?B\""), std::string::npos);
}

TEST(KoordinConvert, KoordinRoutesBecomeTasksWithoutTakeoffAndLanding) {
  TempDir dir;
  dir.Write("in.lst",
            KoordinText({Slot{"Alpha", "50:30:00", "N", "007:15:00", "W", "0120:0.000"},
                         Slot{"Beta", "47:00:00", "N", "011:30:30", "O", "1500:122.500"}},
                        {koordin_testing::RouteSlot{"Runde", {"Alpha", "Beta", "Gamma"}}}));
  const auto run = RunKoordin(dir, "convert in.lst out.cup");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Lines(run.err)[0],
            "in.lst: warning: line 1533: route \"Runde\": point \"Gamma\" matches no turnpoint");
  const std::string cup = ReadFile(dir / "out.cup");
  EXPECT_NE(cup.find("\"Runde\",\"\",\"Alpha\",\"Beta\",\"Gamma\",\"\"\r\n"), std::string::npos)
      << cup;
  EXPECT_NE(cup.find("\"Alpha\",\"\",,5030.000N,00715.000W,120.0m,"), std::string::npos) << cup;
  EXPECT_NE(cup.find(",\"122.500\","), std::string::npos) << cup;
}

TEST(KoordinConvert, TheBundledExampleConvertsAndReadsBack) {
  TempDir dir;
  const auto run =
      RunKoordin(dir, "convert '" KOORDIN_SOURCE_DIR "/examples/gliding-sites.cup' sites.lst");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "sites.lst: 28 turnpoints, 3 routes\n");
  const auto check = RunKoordin(dir, "check sites.lst");
  EXPECT_EQ(check.status, 0);
  EXPECT_EQ(check.out, "sites.lst: 28 turnpoints, 3 routes\n");
  EXPECT_EQ(check.err, "");
}

}  // namespace

namespace {

TEST(KoordinConvert, AKoordinFileComesBackWholeThroughEveryFormat) {
  for (const char* format : {"cup", "gpx", "csv", "json", "lst"}) {
    SCOPED_TRACE(format);
    TempDir dir;
    ASSERT_EQ(
        RunKoordin(dir, "convert '" KOORDIN_SOURCE_DIR "/examples/gliding-sites.cup' sites.lst")
            .status,
        0);
    const std::string middle = std::string("middle.") + format;
    const auto out = RunKoordin(dir, "convert sites.lst " + middle);
    ASSERT_EQ(out.status, 0) << out.err;
    const auto back = RunKoordin(dir, "convert " + middle + " back.lst");
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(ReadFile(dir / "back.lst"), ReadFile(dir / "sites.lst"));
  }
}

}  // namespace
