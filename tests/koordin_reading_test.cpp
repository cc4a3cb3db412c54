// KOORDIN files read once, as they come (standard input and named pipes keep nothing on disk), and
// as strictly as the instrument needs: what koordin takes is what the driver's writer writes.

#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/instrument/koordin_plan.h"
#include "tools/koordin/instrument/koordin_reader.h"
#include "tools/koordin/instrument/koordin_writer.h"

#include "tests/koordin_testing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace koordin_cli {
namespace {

using koordin_testing::ExpectSession;
using koordin_testing::TempDir;

// Two turnpoints and a route: slot 1 is lines 3 to 8, slot 2 lines 9 to 14.
const std::string kCup =
    "name,lat,lon,elev,freq\r\nAlpha,5030.000N,00715.000W,120m,\r\n"
    "Beta,4700.000N,01130.500E,1500m,122.500\r\n-----Related Tasks-----\r\nRunde,,Alpha,Beta,\r\n";

const char* const kEncoding = "CP1252";

// What reading `bytes` as a KOORDIN file gives: the listing and the lines not in the writer's
// form; none when it is refused.
struct Read {
  std::optional<KoordinListing> listing;
  std::vector<FormFault> faults;
};

Read ReadBytes(const LoadedDriver& driver, std::string bytes) {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream(
      fmemopen(bytes.data(), bytes.size(), "rb"), &std::fclose);
  Read read;
  Diagnostics diagnostics;
  try {
    read.listing = ReadKoordin(driver, stream.get(), kEncoding, diagnostics, "x.lst", &read.faults);
  } catch (const FileError&) {
  }
  return read;
}

// The file koordin writes of what was read.
std::string WriteBack(const LoadedDriver& driver, const KoordinListing& listing) {
  Diagnostics diagnostics;
  const Document document = ListingToDocument(listing, diagnostics);
  const KoordinPlan plan =
      PlanKoordin(document, CapacitiesOf(QueryDriverInfo(driver)), kEncoding, diagnostics);
  return WriteKoordin(driver, plan, "x.lst");
}

// The offset of line `number` (1-based) in `bytes`.
std::size_t LineStart(const std::string& bytes, int number) {
  std::size_t at = 0;
  for (int line = 1; line < number; ++line) at = bytes.find('\n', at) + 1;
  return at;
}

// Every byte of every coordinate, hemisphere and altitude line changed into every other byte: each
// file that koordin takes without a word is the very file it writes of what it read, so that a
// line the driver reads otherwise than its digits say never passes.
TEST(KoordinForm, EveryLineTakenIsOneTheWriterWrites) {
  LoadedDriver driver(VP6FIO_DRIVER);
  TempDir dir;
  dir.Write("in.cup", kCup);
  ASSERT_EQ(koordin_testing::RunKoordin(dir, "convert in.cup good.lst").status, 0);
  const std::string good = koordin_testing::ReadFile(dir / "good.lst");
  const Read base = ReadBytes(driver, good);
  ASSERT_TRUE(base.listing);
  ASSERT_EQ(base.faults.size(), 0u);
  ASSERT_TRUE(WriteBack(driver, *base.listing) == good);

  int changes = 0;
  int taken = 0;
  for (int line = 4; line <= 8; ++line) {
    const std::size_t start = LineStart(good, line);
    std::size_t end = good.find('\r', start);
    if (line == 8) end = good.find(':', start) + 1;  // the altitude and its colon
    for (std::size_t at = start; at < end; ++at) {
      for (int byte = 0; byte < 256; ++byte) {
        if (static_cast<char>(byte) == good[at]) continue;
        std::string changed = good;
        changed[at] = static_cast<char>(byte);
        ++changes;
        const Read read = ReadBytes(driver, changed);
        if (!read.listing) continue;  // refused
        const bool told = !read.faults.empty() && read.faults.front().first == line;
        if (told) continue;
        ++taken;
        EXPECT_TRUE(WriteBack(driver, *read.listing) == changed)
            << "line " << line << ": " << Quoted(changed.substr(start, end - start));
      }
    }
  }
  EXPECT_EQ(changes, 255 * 24);  // 24 bytes in the five lines
  EXPECT_GT(taken, 0);           // digits into digits within range, N into S, W into O, ...
}

// The changes the driver takes and the instrument may not: each told with its line.
TEST(KoordinForm, CheckTellsEachLineNotAsTheWriterWritesIt) {
  TempDir dir;
  dir.Write("in.cup", kCup);
  koordin_testing::RunKoordin(dir, "convert in.cup good.lst");
  const std::pair<std::string, std::string> cases[] = {
      // a sed script, and what check prints
      {"5s/N/s/", "x.lst:5: latitude hemisphere \"s\" is neither N nor S"},
      {"7s/W/w/", "x.lst:7: longitude hemisphere \"w\" is neither O nor W"},
      {"13s/O/E/", "x.lst:13: longitude hemisphere \"E\" is neither O nor W"},
      {"4s/:30:/:99:/", "x.lst:4: latitude \"50:99:00\": minutes beyond 59"},
      {"4s/:00/:5x/", "x.lst:4: latitude \"50:30:5x\" is not in the form DD:MM:SS"},
      {"6s/:00/:60/", "x.lst:6: longitude \"007:15:60\": seconds beyond 59"},
      {"4s/50:30/90:30/", "x.lst:4: latitude \"90:30:00\": beyond 90 degrees"},
      {"6s/007/181/", "x.lst:6: longitude \"181:15:00\": beyond 180 degrees"},
      {"8s/0120/0x53/",
       "x.lst:8: altitude \"0x53\" is not 4 digits, or a minus and 3, before a colon"},
      {"8s/0120/1e3/",
       "x.lst:8: altitude \"1e3\" is not 4 digits, or a minus and 3, before a colon"},
      {"8s/0120/12000/",
       "x.lst:8: altitude \"12000\" is not 4 digits, or a minus and 3, before a colon"},
      {"14s/122.500/122 500/",
       "x.lst:14: frequency \"122 500\" is not 1 to 19 characters without blanks"},
      {"3s/Alpha  /Alpha/", "x.lst:3: a line of 17 characters, not 19"},
      {"1537s/-*/Gamma              /",
       "x.lst:1537: a route point after the route's empty point lines"},
      {"4s/50:30:00/50:30:00 /;5s/N/s/",
       "x.lst:4: 2 lines not as the driver writes them, the first: latitude \"50:30:00 \" is not "
       "in "
       "the form DD:MM:SS"},
  };
  for (const auto& [sed, fault] : cases) {
    SCOPED_TRACE(sed);
    koordin_testing::RunShell(dir, "sed '" + sed + "' good.lst >x.lst");
    const koordin_testing::Run check = koordin_testing::RunKoordin(dir, "check x.lst");
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.out, fault + "\n");
    // Standard error has each line as a warning, which --strict refuses.
    EXPECT_NE(check.err.find("x.lst: warning: line "), std::string::npos) << check.err;
    const koordin_testing::Run strict =
        koordin_testing::RunKoordin(dir, "convert x.lst y.cup --strict");
    EXPECT_EQ(strict.status, 1);
    EXPECT_NE(strict.err.find("koordin: y.cup: "), std::string::npos) << strict.err;
    EXPECT_EQ(koordin_testing::RunShell(dir, "test -e y.cup").status, 1);
  }
}

// Standard input and named pipes are read once as they come: nothing is kept on disk (the
// temporary folder need not exist), and a fault quotes its line all the same. (Recognising a
// stream by its content is tested apart.)
TEST(KoordinStreams, AKoordinStreamIsReadOnceAsItComes) {
  TempDir dir;
  dir.Write("in.cup", kCup);
  koordin_testing::RunKoordin(dir, "convert in.cup good.lst");
  const std::string noDisk = "export TMPDIR=$PWD/none && ";
  const std::string pipe = "rm -f p.lst && mkfifo p.lst && (cat good.lst >p.lst &) && ";
  ExpectSession(
      dir,
      {{noDisk + "koordin check - --from lst <good.lst", 0,
        "(standard input): 2 turnpoints, 1 route\n", ""},
       {noDisk + "koordin dump - --from lst <good.lst | tail -1", 0, "    1  Runde  Alpha > Beta\n",
        ""},
       {noDisk + "koordin convert - x.cup --from lst --near Beta <good.lst && tail -1 x.cup | tr "
                 "-d '\\r'",
        0, "x.cup: 2 turnpoints, 1 route\n\"Runde\",\"\",\"Alpha\",\"Beta\",\"\"\n", ""},
       {pipe + "koordin check p.lst", 0, "p.lst: 2 turnpoints, 1 route\n", ""},
       {pipe + "koordin dump p.lst --all | wc -l", 0, "290\n", ""},
       {pipe + "koordin convert p.lst x.gpx --near Alpha", 0, "x.gpx: 2 turnpoints, 1 route\n", ""},
       {"sed 10s/.*/4x:10:00/ good.lst | koordin check - --from lst", 1,
        "(standard input):10: bad latitude: \"4x:10:00\"\n", ""},
       {"head -9 good.lst | koordin check - --from lst", 1,
        "(standard input):9: bad latitude: \"Beta               \" (the file ends there)\n", ""},
       {"echo hello | koordin check - --from lst", 1,
        "(standard input): not a KOORDIN file: its first line is \"hello\"\n", ""},
       {"mkdir -p tmp && TMPDIR=$PWD/tmp koordin check - --from lst </dev/zero | cut -c1-47 && ls "
        "-A tmp",
        0, "(standard input):1: header line too long: \"\\x00\n", ""}});
}

}  // namespace
}  // namespace koordin_cli
