// OziExplorer waypoint files: what koordin writes of the shared sample, and the files of other
// programs, with their feet, their -777, their Windows-1252 and their faults.

#include "tools/koordin/formats/formats.h"

#include "tests/document_testing.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace koordin_cli {
namespace {

const FileFormat& kOzi = Format("ozi");

const std::string kHeader =
    "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\nReserved 3\r\n";

TEST(Ozi, WritesWindows1252InFeetAndWarnsOfWhatItLeavesOut) {
  Diagnostics diagnostics;
  const std::string written = WriteDocument(kOzi, SampleDocument(), diagnostics);
  // 189 m are 620.079 feet; the comma of a text becomes byte 209.
  EXPECT_EQ(written, kHeader +
                         "1,Aachen Merzbr\xFC"
                         "ck,50.823,6.1866667,,0,1,3,0,65535,Platz\xD1 \"EDKA\" zweite Zeile,0,0,"
                         "0,620.079,6,0,17\r\n"
                         "2,Gipfel \"S\xFC"
                         "d\"\xD1 \xD6hr,-45.5,-179.9999,,0,1,3,0,65535,,0,0,0,-777,6,0,17\r\n");
  EXPECT_EQ(Describe({}, diagnostics.warnings()),
            "! waypoint \"Aachen Merzbrück\", its description: line breaks written as blanks\n"
            "! OziExplorer has no place for the code of 1 waypoints: left out\n"
            "! OziExplorer has no place for the country of 1 waypoints: left out\n"
            "! OziExplorer has no place for the style of 2 waypoints: left out\n"
            "! OziExplorer has no place for the runway of 1 waypoints: left out\n"
            "! OziExplorer has no place for the frequency of 1 waypoints: left out\n"
            "! OziExplorer has no place for the user data of 1 waypoints: left out\n"
            "! OziExplorer has no place for the pictures of 1 waypoints: left out\n"
            "! OziExplorer has no place for the marker of 1 waypoints: left out\n"
            "! OziExplorer waypoint files hold no tasks: 1 tasks left out\n");
}

TEST(Ozi, WarnsOfTextsThatDoNotComeBackAsTheyWere) {
  const Document document{
      {PlainWaypoint("Łódź", 51.75, 19.45, 200.0), PlainWaypoint("Logroño Ñ", 42.46, -2.44, 380.0)},
      {}};
  Diagnostics diagnostics;
  const std::string written = WriteDocument(kOzi, document, diagnostics);
  EXPECT_NE(written.find("\r\n1,L\xF3"
                         "dz,"),
            std::string::npos)
      << written;
  EXPECT_EQ(Describe({}, diagnostics.warnings()),
            "! waypoint \"Łódź\": characters that Windows-1252 lacks, transliterated\n"
            "! waypoint \"Logroño Ñ\", its name: Ñ stands for a comma in OziExplorer files and "
            "reads back as one\n");
}

// Files as OziExplorer and other programs write them, with what koordin reads of them.
TEST(Ozi, ReadsOtherProgramsFilesAndSkipsOrRefusesWhatItCannotRead) {
  const std::string umlaut = "Segelfluggel\xE4nde";  // Windows-1252
  const std::pair<std::string, std::string> cases[] = {
      // Blanks around the fields, a date, the fields after the symbol size, a symbol set line.
      {"OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\ngarmin\r\n"
       "   1,Hahnweide      ,  48.630500,   9.429500,40107.9567229, 0, 1, 3, 0, 65535," +
           umlaut + ", 0, 0, 0,   1083, 6, 0,17,0,10.0,2,,,\r\n",
       "Hahnweide|||48.630500 9.429500 330.098000|0|  ||Segelfluggelände|||0 0\n"},
      // No altitude: -777, or a line that ends before it; byte 209 for a comma.
      {kHeader + "-1,Br\xFC" + "cke\xD1 Nord,47.5,-8.25,,0,1,3,0,65535,,0,0,0,-777\r\n" +
           "2,Turm,-12.5,130.75\n",
       "Brücke, Nord|||47.500000 -8.250000 nan|0|  |||||0 0\n"
       "Turm|||-12.500000 130.750000 nan|0|  |||||0 0\n"},
      // UTF-8, as a program of today may write it.
      {kHeader + "1,K\u00f6nigsdorf,47.8294,11.4667,,0,1,3,0,65535,\u00d6sterreich? "
                 "Nein,0,0,0,2000.5\r\n",
       "Königsdorf|||47.829400 11.466700 609.752000|0|  ||Österreich? Nein|||0 0\n"},
      // Lines that cannot be read are skipped, each with its line.
      {kHeader + "1,,47,8\r\n2,Nord,north,8\r\n3,Fern,95,8\r\n4,Kurz,47\r\n5,Gut,47,8,,0,1,3,0,"
                 "65535,,0,0,0,high\r\n6,Gut,46,8\r\n",
       "Gut|||47.000000 8.000000 nan|0|  |||||0 0\nGut|||46.000000 8.000000 nan|0|  |||||0 0\n"
       "! line 5: a waypoint without a name: line skipped\n"
       "! line 6: bad latitude \"north\": line skipped\n"
       "! line 7: bad latitude 95: beyond 90 degrees: line skipped\n"
       "! line 8: 3 fields where a waypoint has at least 4: line skipped\n"
       "! line 9: bad altitude \"high\": read as unknown\n"
       "! line 10: the name \"Gut\" is used already on line 9\n"},
      {kHeader, ""},
      // Faults that end the reading (another datum: koordin_wpt_test): a file of another kind, a
      // header cut short.
      {"name,lat,lon\r\n",
       "line 1: not an OziExplorer waypoint file: its first line is no \"OziExplorer Waypoint "
       "File Version\""},
      {"OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\n",
       "line 2: the file ends within its 4 header lines"},
  };
  for (const auto& [file, read] : cases) EXPECT_EQ(ReadAs(kOzi, file), read) << file;
}

}  // namespace
}  // namespace koordin_cli
