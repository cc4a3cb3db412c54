// koordin with CUPX files as a pilot runs it: what it makes of one is what it makes of the CUP file
// inside, byte for byte, with a word about the pictures; it refuses zip bombs and writes no CUPX.

#include "tests/koordin_testing.h"
#include "tests/zip_testing.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>

namespace koordin_testing {
namespace {

const std::string kPicturesNotRead =
    "sites.cupx: warning: 2 pictures not read: koordin reads the waypoints and tasks of "
    "\"POINTS.CUP\"\n";

// The example as a CUPX file: its pictures, then its points, in two archives.
TempDir WithExample() {
  TempDir dir;
  const std::string cup = ReadFile(KOORDIN_SOURCE_DIR "/examples/gliding-sites.cup");
  dir.Write("points.cup", cup);
  dir.Write("sites.cupx", ZipArchiveOf({{"Pics/hahnweide.jpg", "\xFF\xD8 hangar"},
                                        {"Pics/teck.jpg", "\xFF\xD8"}}) +
                              ZipArchiveOf({{"POINTS.CUP", cup}}));
  return dir;
}

TEST(KoordinCupx, ConvertsAsTheCupFileInside) {
  const TempDir dir = WithExample();
  for (const char* target : {"lst", "gpx", "cup"}) {
    SCOPED_TRACE(target);
    const std::string fromCup = std::string("from-cup.") + target;
    const std::string fromCupx = std::string("from-cupx.") + target;
    const koordin_testing::Run cup =
        RunKoordin(dir, "convert points.cup " + fromCup + " --near Hahnweide");
    const koordin_testing::Run cupx =
        RunKoordin(dir, "convert sites.cupx " + fromCupx + " --near Hahnweide");
    ASSERT_EQ(cup.status, 0) << cup.err;
    ASSERT_EQ(cupx.status, 0) << cupx.err;
    EXPECT_EQ(ReadFile(dir / fromCupx), ReadFile(dir / fromCup));
    EXPECT_EQ(cupx.out.substr(cupx.out.find(':')), cup.out.substr(cup.out.find(':')));
  }
  // Standard input, read twice from its copy, as a file is.
  const koordin_testing::Run piped =
      RunShell(dir, "koordin convert - piped.lst --from cupx <sites.cupx");
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(ReadFile(dir / "piped.lst"), ReadFile(dir / "from-cup.lst"));
}

TEST(KoordinCupx, WarnsOfThePicturesFirstChecksAsCupAndIsToldByItsContent) {
  const TempDir dir = WithExample();
  const koordin_testing::Run cupx = RunKoordin(dir, "dump sites.cupx --format csv");
  EXPECT_EQ(cupx.status, 0);
  EXPECT_EQ(cupx.err.substr(0, kPicturesNotRead.size()), kPicturesNotRead);
  EXPECT_EQ(RunKoordin(dir, "check sites.cupx").out,
            "sites.cupx" + RunKoordin(dir, "check points.cup").out.substr(10));
  const koordin_testing::Run renamed =
      RunShell(dir, "cp sites.cupx sites.zip && koordin check sites.zip");
  EXPECT_EQ(renamed.status, 0);
  EXPECT_EQ(renamed.err.substr(0, renamed.err.find('\n') + 1),
            "sites.zip: read as CUPX (by its content)\n");
}

TEST(KoordinCupx, RefusesBombsAndWritesNoCupx) {
  const TempDir dir = WithExample();
  dir.Write("bomb.cupx", ZipArchiveOf({{"POINTS.CUP", std::string(10 << 20, '\n')}}));
  ExpectSession(
      dir,
      {{"koordin convert bomb.cupx out.lst", 1, "",
        "koordin: bomb.cupx: \"POINTS.CUP\" inflates to more than 200 times its size: refused as "
        "a zip bomb\n"},
       {"koordin convert sites.cupx out.cupx", 2, "",
        "koordin: out.cupx: koordin reads CUPX files but does not write them\n"},
       {"ls", 0, "bomb.cupx\npoints.cup\nsites.cupx\n", ""}});
}

TEST(KoordinCupx, IsListedAsReadOnly) {
  TempDir dir;
  const koordin_testing::Run text = RunKoordin(dir, "formats");
  EXPECT_NE(text.out.find("CUPX: a CUP file and its pictures in a zip archive (read only)\n"),
            std::string::npos)
      << text.out;
  const nlohmann::json json = nlohmann::json::parse(RunKoordin(dir, "formats --format json").out);
  for (const nlohmann::json& format : json.at("formats")) {
    EXPECT_EQ(format.at("writes"), format.at("name") != "cupx") << format.at("name");
  }
}

}  // namespace
}  // namespace koordin_testing
