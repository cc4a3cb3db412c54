// CompeGPS waypoint files: what koordin writes of the shared sample, and the files of other
// programs, with their degree signs in any character set, UTM, and their faults.

#include "tools/koordin/formats/formats.h"

#include "tests/document_testing.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace koordin_cli {
namespace {

const FileFormat& kCompeGps = Format("compegps");

const std::string kHeader = "G  WGS 84\r\nU  1\r\n";

TEST(CompeGps, WritesDegreesInWindows1252AndWarnsOfWhatItLeavesOut) {
  Diagnostics diagnostics;
  const std::string written = WriteDocument(kCompeGps, SampleDocument(), diagnostics);
  // º is byte 186; a name's blanks are written as _.
  EXPECT_EQ(written, kHeader +
                         "W  Aachen_Merzbr\xFC"
                         "ck A 50.823\xBAN 6.1866667\xBA"
                         "E 27-MAR-62 00:00:00 189 Platz, \"EDKA\" zweite Zeile\r\n"
                         "W  Gipfel_\"S\xFC"
                         "d\",_\xD6hr A 45.5\xBAS 179.9999\xBAW 27-MAR-62 00:00:00 0\r\n");
  EXPECT_EQ(Describe({}, diagnostics.warnings()),
            "! waypoint \"Aachen Merzbrück\", its description: line breaks written as blanks\n"
            "! CompeGPS has no place for the code of 1 waypoints: left out\n"
            "! CompeGPS has no place for the country of 1 waypoints: left out\n"
            "! CompeGPS has no place for the style of 2 waypoints: left out\n"
            "! CompeGPS has no place for the runway of 1 waypoints: left out\n"
            "! CompeGPS has no place for the frequency of 1 waypoints: left out\n"
            "! CompeGPS has no place for the user data of 1 waypoints: left out\n"
            "! CompeGPS has no place for the pictures of 1 waypoints: left out\n"
            "! CompeGPS has no place for the marker of 1 waypoints: left out\n"
            "! CompeGPS waypoint files hold no tasks: 1 tasks left out\n"
            "! CompeGPS has no unknown altitude: 1 waypoints without one are written at 0 m\n");
}

TEST(CompeGps, WarnsOfANameWhoseUnderscoresReadBackAsBlanks) {
  Diagnostics diagnostics;
  WriteDocument(kCompeGps, {{PlainWaypoint("TP_07", 47.5, 8.5, 500.0)}, {}}, diagnostics);
  EXPECT_EQ(Describe({}, diagnostics.warnings()),
            "! waypoint \"TP_07\": _ stands for a blank in CompeGPS names and reads back as one\n");
}

// The degree sign as files have it: º and ° in Windows-1252 and in UTF-8, or none; the
// hemisphere's letter in either case.
TEST(CompeGps, ReadsADegreeSignInAnyCharacterSet) {
  const std::pair<std::string, std::string> signs[] = {
      {"\xBA", "º in Windows-1252"},
      {"\xB0", "° in Windows-1252"},
      {"\u00BA", "º in UTF-8"},
      {"\u00B0", "° in UTF-8"},
      {"", "none"},
  };
  for (const auto& [sign, what] : signs) {
    for (const std::string& south : {std::string("S"), std::string("s")}) {
      const std::string file =
          kHeader + "W  Punkt A 36.7545386" + sign + south + " 5.3576059" + sign + "W 27-MAR-62 " +
          "00:00:00 762.000000\r\nw  Crossed Square,0,-1.0,16777215,255,1,7,,0.0,\r\n";
      EXPECT_EQ(ReadAs(kCompeGps, file), "Punkt|||-36.754539 -5.357606 762.000000|0|  |||||0 0\n")
          << what << " " << south;
    }
  }
}

// Files as other programs write them, with what koordin reads of them.
TEST(CompeGps, ReadsOtherProgramsFilesAndSkipsOrRefusesWhatItCannotRead) {
  const std::pair<std::string, std::string> cases[] = {
      // A character set line, a name with _, no date, a description of several words.
      {"B  UTF-8\nG  WGS 84\nU  1\nW  1D-027 A 36.44025\u00BAS 146.3607333\u00BAE 885.000000 "
       "WHITF RD/SNO  Nord\nW  Monte_Cucco A 43.36ºN 12.74ºE 2-JAN-2023 14:30:23 1566 \n",
       "1D-027|||-36.440250 146.360733 885.000000|0|  ||WHITF RD/SNO  Nord|||0 0\n"
       "Monte Cucco|||43.360000 12.740000 1566.000000|0|  |||||0 0\n"},
      // No date: a description of a word with hyphens is all description.
      {kHeader + "W  Hang A 47.5ºN 8.5ºE 1200 Nord-Ost-Hang\r\nW  Wiese A 47.5ºN 8.6ºE "
                 "Süd-Wiese-2\r\n",
       "Hang|||47.500000 8.500000 1200.000000|0|  ||Nord-Ost-Hang|||0 0\n"
       "Wiese|||47.500000 8.600000 nan|0|  ||Süd-Wiese-2|||0 0\n"},
      // UTM (U 0): positions to a millionth of a degree, north and south of the equator.
      {"G  WGS 84\r\nU  0\r\nW  Eiffel 31U 448251.795 5411932.678 27-MAR-62 00:00:00 35 Tour\r\n"
       "W  Oper 56H 334873.0 6252266.0 27-MAR-62 00:00:00 3\r\n"
       "W  Rand 32T 300000 5000000 27-MAR-62 00:00:00 0\r\n",
       "Eiffel|||48.858200 2.294500 35.000000|0|  ||Tour|||0 0\n"
       "Oper|||-33.857001 151.214998 3.000000|0|  |||||0 0\n"
       "Rand|||45.125154 6.456877 0.000000|0|  |||||0 0\n"},
      // Lines that cannot be read are skipped, each with its line; other records are named.
      {kHeader + "W  Nord A 47.5ºX 8.5ºE\r\nW  Fern A 95ºN 8.5ºE\r\nW  Kurz A 47.5ºN\r\n"
                 "R  16711680,Route,1,-1\r\nW  Gut A 47.5ºN 8.5ºE\r\nT  A 47.5ºN 8.5ºE\r\n",
       "Gut|||47.500000 8.500000 nan|0|  |||||0 0\n"
       "! line 3: bad latitude \"47.5ºX\": expected N or S at its end: line skipped\n"
       "! line 4: bad latitude 95: beyond 90 degrees: line skipped\n"
       "! line 5: expected a name, a zone and two coordinates: line skipped\n"
       "! line 6: a line of kind R, which koordin does not read\n"
       "! line 8: a line of kind T, which koordin does not read\n"},
      {"G  WGS 84\r\nU  0\r\nW  Irgendwo 31I 448251 5411932\r\nW  Weit 31U 1448251 5411932\r\n",
       "! line 3: bad UTM zone \"31I\": expected its number and latitude band, as 31T: line "
       "skipped\n"
       "! line 4: bad easting \"1448251\": line skipped\n"},
      {kHeader, ""},
      // Faults that end the reading (another datum: koordin_wpt_test): another form, a file of
      // another kind.
      {"G  WGS 84\r\nU  2\r\n",
       "line 2: coordinates in the form \"2\", which koordin does not read: it reads 1 (degrees) "
       "and 0 (UTM)"},
      {"G  WGS 84\r\nW  A A 47.5ºN 8.5ºE\r\n",
       "line 2: a waypoint before the U line that names the form of its coordinates"},
      {"name,lat,lon\r\n",
       "line 1: not a CompeGPS file: its first line is no G line naming the datum"},
      {"B  UTF-8\r\n", "line 1: not a CompeGPS file: it has no G line naming the datum"},
  };
  for (const auto& [file, read] : cases) EXPECT_EQ(ReadAs(kCompeGps, file), read) << file;
}

}  // namespace
}  // namespace koordin_cli
