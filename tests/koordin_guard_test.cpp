// What koordin guards: the KOORDIN file's lines against the texts it is given, the shape of the
// files it reads, the files it replaces, and the streams it reads and writes.

#include "tests/koordin_testing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace koordin_testing {
namespace {

// Two turnpoints and a route: in the KOORDIN file, route slot 1 begins at line 1533.
const std::string kCup =
    "name,lat,lon,elev,freq\r\nAlpha,5030.000N,00715.000W,120m,\r\n"
    "Beta,4700.000N,01130.500E,1500m,122.500\r\n-----Related Tasks-----\r\nRunde,,Alpha,Beta,\r\n";

std::string Json(const std::string& name, const std::string& frequency, const std::string& route,
                 const std::string& point) {
  return "{\"waypoints\": [{\"name\": \"" + name + "\", \"latitude\": 50.5, \"longitude\": 7.25, " +
         "\"frequency\": \"" + frequency + "\"}], \"tasks\": [{\"name\": \"" + route +
         "\", \"points\": [\"" + point + "\"]}]}";
}

TEST(KoordinGuard, ControlCharactersNeverShiftTheFilesLines) {
  const std::string w = "o.lst: warning: ";
  // A JSON file, and the warning about the text replaced.
  const std::pair<std::string, std::string> cases[] = {
      {Json("Al\\npha", "", "R", "X"),
       w + "turnpoint \"Al\\npha\": control characters replaced, written as \"Al pha\"\n"},
      {Json("A", "122.5\\r\\n", "R", "X"),
       w + "turnpoint \"A\": frequency \"122.5\\r\\n\": control characters replaced, written as "
           "\"122.5  \"\n"},
      {Json("A", "", "T\\n1", "X"),
       w + "route \"T\\n1\": control characters replaced, written as \"T 1\"\n"},
      {Json("A", "", "R", "B\\u0085C"),
       w + "route \"R\": point \"B\\u0085C\": control characters replaced, written as \"B C\"\n"},
      {Json("E\\u001b[2J\\u0007", "", "R", "X"),
       w + "turnpoint \"E\\x1b[2J\\x07\": control characters replaced, written as \"E[2J\"\n"},
      {Json("Tab\\tbed", "", "R", "X"),
       w + "turnpoint \"Tab\\tbed\": control characters replaced, written as \"Tabbed\"\n"},
      // Replaced before choosing: a name of control characters alone is no name.
      {Json("\\u0007", "", "R", "X"), w + "turnpoint on line 1 has no name: left out\n"},
  };
  for (const auto& [source, warning] : cases) {
    SCOPED_TRACE(source);
    TempDir dir;
    dir.Write("in.json", source);
    const koordin_testing::Run run = RunKoordin(dir, "convert in.json o.lst");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.err.find(warning), std::string::npos) << run.err;
    EXPECT_EQ(RunShell(dir, "wc -l <o.lst").out, "2044\n");
    // The listing of the source shows them escaped, as text and as CSV, and so does the plan.
    for (const std::string command : {"dump in.json --format text", "dump in.json --format csv",
                                      "convert in.json p.gpx --dry-run"}) {
      const std::string listing = RunKoordin(dir, command).out;
      EXPECT_EQ(std::count_if(listing.begin(), listing.end(),
                              [](unsigned char c) { return c < 0x20 && c != '\n'; }),
                0)
          << listing;
      EXPECT_EQ(listing.find("\xc2\x85"), std::string::npos) << listing;
    }
    const koordin_testing::Run strict = RunKoordin(dir, "convert in.json s.lst --strict");
    EXPECT_EQ(strict.status, 1);
    EXPECT_EQ(RunShell(dir, "test -e s.lst").status, 1);
  }
}

TEST(KoordinGuard, ControlCharactersAreToldOnlyInTheTextsWritten) {
  TempDir dir;
  dir.Write("in.json",
            "{\"waypoints\": [{\"name\": \"A\", \"latitude\": 50, \"longitude\": 7}, "
            "{\"name\": \"B\\n\", \"latitude\": 50, \"longitude\": 7}]}");
  ExpectSession(
      dir, {{"koordin convert in.json o.lst --only A", 0, "o.lst: 1 turnpoint, 0 routes\n", ""}});
}

TEST(KoordinGuard, AKoordinFileCutOrLongerIsAFaultNamingWhere) {
  const std::string whole = "; a KOORDIN file has 2044 lines\n";
  // Shell commands that make x.lst from good.lst, and what check prints.
  const std::pair<std::string, std::string> cases[] = {
      {"head -1560 good.lst",
       "x.lst:1560: the file ends at line 1560, in route slot 2 of 32" + whole},
      {"head -1532 good.lst",
       "x.lst:1532: the file ends at line 1532, in route slot 1 of 32" + whole},
      {"head -2043 good.lst",
       "x.lst:2043: the file ends at line 2043, in route slot 32 of 32" + whole},
      {"head -c -2 good.lst", "x.lst: 2 turnpoints, 1 route\n"},  // no line end after the last
      {"cat good.lst; echo", "x.lst:2045: a line after the last route slot" + whole},
      {"tr '\\n' '\\r' <good.lst",
       "x.lst: not a KOORDIN file: its lines end in a carriage return alone; a KOORDIN file's end "
       "in a line feed (or CR LF)\n"},
  };
  TempDir dir;
  dir.Write("good.cup", kCup);
  RunKoordin(dir, "convert good.cup good.lst");
  for (const auto& [make, fault] : cases) {
    SCOPED_TRACE(make);
    RunShell(dir, "(" + make + ") >x.lst");
    const koordin_testing::Run check = RunKoordin(dir, "check x.lst");
    const int status = fault.find(": 2 turnpoints") == std::string::npos ? 1 : 0;
    EXPECT_EQ(check.out, fault);
    EXPECT_EQ(check.status, status);
    // dump and convert stop at the same fault, on standard error.
    const koordin_testing::Run dump = RunKoordin(dir, "dump x.lst");
    EXPECT_EQ(dump.status, status);
    EXPECT_EQ(dump.err, status == 0 ? "" : "koordin: " + fault);
    EXPECT_EQ(RunKoordin(dir, "convert x.lst y.cup").status, status);
  }
}

struct TargetCase {
  std::string what;
  std::string setup;  // shell commands run in the folder before the conversion
  std::string err;    // koordin's standard error
  std::string after;  // shell commands whose output describes what the folder holds then
  std::string holds;  // and that output
};

TEST(KoordinGuard, ATargetIsReplacedKeepingWhatItWasOrRefusedSayingWhy) {
  // Runs as an unprivileged user where the test runs as root, which may write anything.
  const std::string asUser =
      "if [ $(id -u) = 0 ]; then chmod 777 . && setpriv --reuid=65534 --regid=65534 "
      "--clear-groups ";
  const TargetCase cases[] = {
      {"a private file stays private", "echo old >o.lst && chmod 600 o.lst", "",
       "stat -c %a o.lst && wc -l <o.lst", "600\n2044\n"},
      {"a link is written through and stays",
       "mkdir card && echo old >card/k.lst && ln -s "
       "card/k.lst o.lst",
       "", "readlink o.lst && wc -l <card/k.lst && ls -A card", "card/k.lst\n2044\nk.lst\n"},
      {"an owner kept", "echo old >o.lst && chown 65534:65534 o.lst", "",
       "[ $(id -u) != 0 ] || stat -c %u:%g o.lst", "65534:65534\n"},
      {"a link to nothing", "ln -s gone/k.lst o.lst",
       "koordin: o.lst: cannot write: a link to gone/k.lst, which does not exist\n",
       "readlink o.lst", "gone/k.lst\n"},
      {"a folder", "mkdir o.lst", "koordin: o.lst: cannot write: Is a directory\n",
       "test -d o.lst && echo folder", "folder\n"},
  };
  for (const TargetCase& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    dir.Write("in.cup", kCup);
    RunShell(dir, c.setup);
    const koordin_testing::Run run = RunKoordin(dir, "convert in.cup o.lst");
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.status, c.err.empty() ? 0 : 1);
    EXPECT_EQ(RunShell(dir, c.after).out, c.holds);
    EXPECT_EQ(RunShell(dir, "ls -A | grep -c '[.]tmp$'").out, "0\n");  // no temporary left
  }
  // A read-only file is not replaced, as cp would not replace it.
  TempDir dir;
  dir.Write("in.cup", kCup);
  RunShell(dir, "echo old >o.lst && chmod 444 o.lst");
  const koordin_testing::Run run =
      RunShell(dir, asUser +
                        "koordin convert in.cup o.lst; else koordin convert "
                        "in.cup o.lst; fi");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "koordin: o.lst: cannot write: Permission denied\n");
  EXPECT_EQ(ReadFile(dir / "o.lst"), "old\n");
}

TEST(KoordinGuard, StandardInputAndOutputAreFilesNamedDash) {
  TempDir dir;
  dir.Write("in.cup", kCup);
  ExpectSession(
      dir,
      {{"koordin convert - a.lst --from cup <in.cup && koordin convert in.cup b.lst && cmp a.lst "
        "b.lst",
        0, "a.lst: 2 turnpoints, 1 route\nb.lst: 2 turnpoints, 1 route\n", ""},
       {"koordin convert in.cup - --to lst | cmp - b.lst", 0, "",
        "(standard output): 2 turnpoints, 1 route\n"},
       // A stream of no format named is read as its content tells, which koordin says; a target
       // needs its format named.
       {"koordin dump - <b.lst | tail -1 && koordin convert - c.cup <b.lst", 0,
        "    1  Runde  Alpha > Beta\nc.cup: 2 turnpoints, 1 route\n",
        "(standard input): read as KOORDIN (by its content)\n"
        "(standard input): read as KOORDIN (by its content)\n"},
       {"koordin convert in.cup - --to gpx 2>/dev/null | gpsbabel -i gpx -f - -o unicsv -F - | "
        "cut -d, -f1-2",
        0, "No,Latitude\n1,50.500000\n2,47.000000\n", ""},
       // Nothing reaches standard output from a conversion that fails.
       {"echo broken | koordin convert - - --from cup --to gpx | wc -c", 0, "0\n",
        "koordin: (standard input):1: not a CUP header: it has no lat column\n"},
       {"koordin dump b.lst >/dev/full", 1, "",
        "koordin: (standard output): cannot write: No space left on device\n"},
       {"koordin convert in.cup - --to csv >/dev/full", 1, "",
        "koordin: (standard output): cannot write: No space left on device\n"}});
}

TEST(KoordinGuard, ACommandLineItCannotFollowIsNamedWithTheNearestMeaning) {
  TempDir dir;
  const std::string more = "Run with --help for more information.\n";
  ExpectSession(dir,
                {{"koordin convrt a.cup b.lst", 2, "",
                  "koordin: convrt: no such command; did you mean convert?\n" + more},
                 {"koordin frobnicate", 2, "", "koordin: frobnicate: no such command\n" + more},
                 {"koordin convert a.cup b.lst --stirct", 2, "",
                  "koordin: --stirct: no such option; did you mean --strict?\n" + more},
                 {"koordin --encodng CP850 info", 2, "",
                  "koordin: --encodng: no such option; did you mean --encoding?\n" + more},
                 {"koordin convert a b c", 2, "", "koordin: c: one argument too many\n" + more},
                 {"koordin --encoding SHIFT_JIS check a.lst", 2, "",
                  "koordin: --encoding SHIFT_JIS: SHIFT_JIS does not keep ASCII as it is\n"},
                 // An installed program's help points to its manual, not to a file of the sources.
                 {"koordin --help | grep -c -e README -e 'koordin(1)'", 0, "1\n", ""},
                 // Each command's help shows its own usage, without the program's examples.
                 {"koordin convert --help | grep -c -e Examples: -e /", 1, "0\n", ""},
                 {"koordin convert --help | head -2 | tail -1", 0,
                  "Usage: koordin convert [OPTIONS] IN OUT\n", ""}});
}

}  // namespace
}  // namespace koordin_testing
