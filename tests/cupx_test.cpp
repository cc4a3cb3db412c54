// CUPX files as pilots get them: a zip archive of POINTS.CUP and its pictures, often two archives
// one after the other; and the archives koordin refuses: zip bombs, member names that lead outside,
// damaged and unknown ones.

#include "tools/koordin/formats/formats.h"
#include "tools/koordin/formats/zip_archive.h"

#include "tests/document_testing.h"
#include "tests/zip_testing.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace koordin_cli {
namespace {

using koordin_testing::ZipArchiveOf;
using koordin_testing::ZipEntry;

const FileFormat& kCupx = Format("cupx");

// Waypoints with pictures, a task, and a line the CUP reader warns about.
const std::string kPoints =
    "name,code,country,lat,lon,elev,style,rwdir,rwlen,rwwidth,freq,desc,userdata,pics\r\n"
    "\"Hahnweide\",\"EDST\",DE,4838.000N,00925.000E,350m,5,130,800m,30m,\"130.125\",\"\",\"\","
    "\"hahnweide.jpg;hangar.jpg\"\r\n"
    "\"Teck\",\"TECK\",DE,4834.000N,00929.000E,775m,7,,,,,\"Burg\",,\"teck.jpg\"\r\n"
    "\"Teck\",,DE,4835.000N,00929.000E,,1,,,,,,,\r\n"
    "-----Related Tasks-----\r\n"
    "\"Teck und zurück\",\"Hahnweide\",\"Teck\",\"Hahnweide\"\r\n"
    "Options,NoStart=10:00\r\n";

const std::vector<ZipEntry> kPictures = {
    {"Pics/", ""},
    {"Pics/hahnweide.jpg", "\xFF\xD8\xFF\xE0 JFIF hangar"},
    {"Pics/teck.jpg", std::string(5000, '\x7F'), false},
};

// What the CUP reader makes of kPoints: the document, then its warnings.
std::pair<std::string, std::string> CupReading() {
  const std::string read = ReadAs(Format("cup"), kPoints);
  const std::size_t warnings = read.find("\n! ") + 1;
  return {read.substr(0, warnings), read.substr(warnings)};
}

// Each layout pilots' files come in reads as the CUP file inside, the pictures counted in one
// warning before the CUP reader's.
TEST(ReadCupx, ReadsThePointsOfEveryLayoutAsTheCupFileInside) {
  const auto [document, cupWarnings] = CupReading();
  const std::string pictures = ZipArchiveOf(kPictures);
  const std::string notRead =
      "! 2 pictures not read: koordin reads the waypoints and tasks of \"POINTS.CUP\"\n";
  const std::pair<const char*, std::string> layouts[] = {
      {"pictures, then the points apart", pictures + ZipArchiveOf({{"POINTS.CUP", kPoints}})},
      {"the points' offsets from the file's start",
       pictures +
           ZipArchiveOf({{"POINTS.CUP", kPoints}}, static_cast<std::uint32_t>(pictures.size()))},
      {"one archive",
       ZipArchiveOf({kPictures[0], kPictures[1], kPictures[2], {"POINTS.CUP", kPoints}})},
      {"the points first", ZipArchiveOf({{"POINTS.CUP", kPoints}}) + pictures},
      {"stored, a comment",
       ZipArchiveOf({kPictures[0], kPictures[1], kPictures[2], {"POINTS.CUP", kPoints, false}}, 0,
                    "made by a test")},
  };
  for (const auto& [layout, bytes] : layouts) {
    EXPECT_EQ(ReadAs(kCupx, bytes), document + notRead + cupWarnings) << layout;
  }
}

TEST(ReadCupx, FindsThePointsInAnyCaseAndFolder) {
  const auto [document, cupWarnings] = CupReading();
  for (const char* name : {"points.cup", "POINTS.CUP", "Points.Cup", "Export/points.cup"}) {
    EXPECT_EQ(ReadAs(kCupx, ZipArchiveOf({{name, kPoints}})), document + cupWarnings) << name;
  }
  // The one CUP file of another name; POINTS.CUP before any other.
  EXPECT_EQ(ReadAs(kCupx, ZipArchiveOf({{"Alpen 2024.CUP", kPoints}})), document + cupWarnings);
  EXPECT_EQ(ReadAs(kCupx, ZipArchiveOf({{"old.cup", "x"}, {"points.cup", kPoints}})),
            document + "! the CUP file \"old.cup\" not read beside \"points.cup\"\n" + cupWarnings);
}

TEST(ReadCupx, ReadsTheSameInPiecesAsWhole) {
  const std::string bytes =
      ZipArchiveOf(kPictures) + ZipArchiveOf({{"POINTS.CUP", kPoints + std::string(70000, '*')}});
  for (unsigned seed = 1; seed <= 3; ++seed) {
    EXPECT_EQ(ReadInPieces(kCupx, bytes, seed), ReadAs(kCupx, bytes)) << "seed " << seed;
  }
  const std::string damaged = ZipArchiveOf({{"POINTS.CUP", kPoints, true, 0, 0, -1, 1}});
  EXPECT_EQ(ReadInPieces(kCupx, damaged, 1), ReadAs(kCupx, damaged));
}

TEST(ReadCupx, TellsWhatIsLeftOutBesideThePictures) {
  const std::string points = ZipArchiveOf({{"POINTS.CUP", "A,,,5000.000N,00100.000E\n"}});
  EXPECT_EQ(ReadAs(kCupx, "PK\x03\x04 a stub of no archive" + points),
            "A|||50.000000 1.000000 nan|0|  |||||0 0\n"
            "! 25 bytes before the zip archive, not read\n");
}

// Archives that koordin refuses, with the reason; nothing of them is read.
TEST(ReadCupx, RefusesWhatItCannotOrMustNotRead) {
  const std::string zeros(10 << 20, '\0');
  const std::string points = "A,,,5000.000N,00100.000E\n";
  const std::string archive = ZipArchiveOf({{"POINTS.CUP", points}});
  const auto outside = [](const std::string& name) {
    return "the zip archive names a member \"" + name +
           "\", which leads outside it: koordin reads no such archive";
  };
  const std::string noCup = "no CUP file in the zip archive, where a CUPX file has POINTS.CUP";
  const std::pair<std::string, std::string> cases[] = {
      {ZipArchiveOf({{"POINTS.CUP", zeros}}),
       "\"POINTS.CUP\" inflates to more than 200 times its size: refused as a zip bomb"},
      {ZipArchiveOf({{"POINTS.CUP", points, true, 0, 0, std::int64_t{3} << 30}}),
       "\"POINTS.CUP\" inflates to 3,221,225,472 bytes, more than koordin reads (1 GiB)"},
      {ZipArchiveOf({{"POINTS.CUP", zeros.substr(0, 70000), true, 0, 0, 100}}),
       "a damaged zip archive: \"POINTS.CUP\" inflates to more than the 100 bytes its directory "
       "gives"},
      {ZipArchiveOf({{"POINTS.CUP", points, true, 0, 0, 1000}}),
       "a damaged zip archive: \"POINTS.CUP\" inflates to 25 bytes, not the 1,000 its directory "
       "gives"},
      {ZipArchiveOf({{"POINTS.CUP", points, true, 0, 0, -1, 1}}),
       "a damaged zip archive: \"POINTS.CUP\" fails its check sum"},
      {ZipArchiveOf({{"../../.bashrc", "x"}, {"POINTS.CUP", points}}), outside("../../.bashrc")},
      {ZipArchiveOf({{"POINTS.CUP", points}}) + ZipArchiveOf({{"Pics\\..\\..\\a.jpg", "x"}}),
       outside("Pics\\..\\..\\a.jpg")},
      {ZipArchiveOf({{"/etc/cron.d/x", "x"}, {"POINTS.CUP", points}}), outside("/etc/cron.d/x")},
      {ZipArchiveOf({{"C:x.jpg", "x"}, {"POINTS.CUP", points}}), outside("C:x.jpg")},
      {ZipArchiveOf(kPictures), noCup},
      {ZipArchiveOf({}), noCup},
      {ZipArchiveOf({{"a.cup", points}, {"b.cup", points}, {"c.cup", points}}),
       "3 CUP files in the zip archive (\"a.cup\", \"b.cup\", ...) and none of them POINTS.CUP: "
       "koordin cannot tell which to read"},
      {ZipArchiveOf({{"POINTS.CUP", points, true, 1}}),
       "\"POINTS.CUP\" is encrypted, which koordin does not read"},
      {ZipArchiveOf({{"POINTS.CUP", points, true, 0, 12}}),
       "\"POINTS.CUP\" is compressed by method 12, which koordin does not read (only stored or "
       "deflated)"},
      {ZipArchiveOf({{"POINTS.CUP", points, false, 0, 0, 30}}),
       "a damaged zip archive: \"POINTS.CUP\" is stored in 25 bytes but has 30"},
      {points, "not a zip archive"},
      {"PK", "not a zip archive"},
      {archive.substr(0, archive.size() - 1), "not a zip archive: it has no end record"},
      {archive.substr(0, 40) + archive.substr(60),
       "a damaged zip archive: its directory lies beyond its place"},
      {archive.substr(0, archive.size() - 6) + koordin_testing::Le32(0xFFFFFFFF) +
           archive.substr(archive.size() - 2),
       "a ZIP64 archive, which koordin does not read"},
  };
  for (const auto& [bytes, refusal] : cases) {
    EXPECT_EQ(ReadAs(kCupx, bytes), "line 0: " + refusal);
  }
}

TEST(ReadCupx, TakesNoFileButAZipArchiveThrough) {
  // A source without end ends at its first bytes.
  class Zeros : public ByteSource {
   public:
    std::size_t Read(char* buffer, std::size_t size) override {
      std::fill_n(buffer, size, '\0');
      read += size;
      return size;
    }
    void Rewind() override {}
    std::size_t read = 0;
  } zeros;
  Diagnostics diagnostics;
  DocumentCollector collector;
  EXPECT_THROW(kCupx.read(zeros, diagnostics, collector), FormatError);
  EXPECT_EQ(zeros.read, kPieceBytes);
}

TEST(ZipArchive, ListsTheLastArchivesMembersFirst) {
  const std::string bytes = ZipArchiveOf({{"a", "1"}, {"b/", ""}}) + ZipArchiveOf({{"c", "2"}}) +
                            ZipArchiveOf({{"d", "3"}, {"e", "4"}});
  StringSource source(bytes);
  std::vector<std::string> names;
  EXPECT_EQ(ListZipMembers(source, [&](const ZipMember& member) { names.push_back(member.name); }),
            0U);
  EXPECT_EQ(names, (std::vector<std::string>{"d", "e", "c", "a", "b/"}));
}

TEST(ZipArchive, InflatesAMemberAsOftenAsAsked) {
  std::string text;
  for (int line = 1; line <= 20000; ++line) text += "Wendepunkt " + std::to_string(line) + "\n";
  const std::string bytes = ZipArchiveOf(kPictures) + ZipArchiveOf({{"POINTS.CUP", text}});
  StringSource archive(bytes);
  ZipMember points;
  ListZipMembers(archive, [&](const ZipMember& member) {
    if (member.name == "POINTS.CUP") points = member;
  });
  ZipMemberSource source(archive, points);
  for (int pass = 1; pass <= 2; ++pass) {
    std::string read;
    char piece[4096];
    while (const std::size_t got = source.Read(piece, sizeof piece)) read.append(piece, got);
    EXPECT_EQ(read, text) << "pass " << pass;
    source.Rewind();
  }
}

}  // namespace
}  // namespace koordin_cli
