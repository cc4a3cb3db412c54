// WinPilot waypoint files as pilots' tools write them, and koordin's own.

#include "tools/koordin/formats/formats.h"

#include "tests/document_testing.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace koordin_cli {
namespace {

const FileFormat& kDat = Format("dat");

TEST(ReadDat, GivesTheStyleTheFlagsSay) {
  const std::pair<const char*, int> cases[] = {
      {"A", 5}, {"AL", 5}, {"TLA", 5}, {"a", 5}, {"L", 3}, {"TL", 3}, {"l", 3},
      {"T", 1}, {"W", 1},  {"H", 1},   {"S", 1}, {"F", 1}, {"", 0},   {"R", 0},
  };
  for (const auto& [flags, style] : cases) {
    Diagnostics warnings;
    const Document read = ReadDocument(
        kDat, "1,50:00:00N,010:00:00E,100M," + std::string(flags) + ",P,\r\n", warnings);
    ASSERT_EQ(read.waypoints.size(), 1U) << flags;
    EXPECT_EQ(read.waypoints[0].style, style) << flags;
  }
}

TEST(ReadDat, ReadsWhatPilotsFilesHold) {
  const std::pair<std::string, std::string> cases[] = {
      // seconds and thousandths of a minute, every hemisphere, feet, metres and no unit
      {"* written by hand\r\n"
       "1,51:07:48N,007:56:28W,1000F,AT,Nordfeld,EDXN 122.500\r\n"
       "2,45:30.500S,170:15.250E,12.5M,L,Sued,\n"
       "**\n\n  * indented comment\r"
       "3,0:0:0N,0:00.000W,-3,T,Null\n",
       "Nordfeld|||51.130000 -7.941111 304.800000|5|  ||EDXN 122.500|||0 0\n"
       "Sued|||-45.508333 170.254167 12.500000|3|  |||||0 0\n"
       "Null|||0.000000 0.000000 -3.000000|1|  |||||0 0\n"},
      // quotes as koordin writes them, and commas of a comment that nothing quotes
      {"1,48:00:00N,009:00:00E,500M,T,\"Berg, Nord\",\"ein \"\"Gipfel\"\"\"\r\n"
       "2,48:00:00N,009:00:00E,500M,T,Acker,Wiese, Kuh,  Zaun\r\n"
       "3,48:00:00N,009:00:00E,500M,T,\"Berg, S\",Wiese, Kuh\r\n"
       "4,48:00:00N,009:00:00E,500M,T,Stein 12\" hoch,Feld, Rand\r\n",
       "Berg, Nord|||48.000000 9.000000 500.000000|1|  ||ein \"Gipfel\"|||0 0\n"
       "Acker|||48.000000 9.000000 500.000000|1|  ||Wiese, Kuh,  Zaun|||0 0\n"
       "Berg, S|||48.000000 9.000000 500.000000|1|  ||Wiese, Kuh|||0 0\n"
       "Stein 12\" hoch|||48.000000 9.000000 500.000000|1|  ||Feld, Rand|||0 0\n"},
      // Windows-1252
      {"1,48:00:00N,009:00:00E,,T,M\xFCnster,Stra\xDF\x65\r\n",
       "Münster|||48.000000 9.000000 nan|1|  ||Straße|||0 0\n"
       "! not UTF-8: read as Windows-1252; give --input-encoding for another set (CP1250, "
       "ISO-8859-2, ...)\n"},
  };
  for (const auto& [in, read] : cases) {
    EXPECT_EQ(ReadAs(kDat, in), read) << in;
    EXPECT_EQ(ReadInPieces(kDat, in, 7), read) << in;
  }
}

TEST(ReadDat, SkipsTheLinesItCannotReadNamingThem) {
  const std::string in =
      "1,48:00:00N,009:00:00E,500M,T,Good,\r\n"  // 1
      "2,48:60:00N,009:00:00E,500M,T,Minutes,\r\n"
      "3,48:00:60N,009:00:00E,500M,T,Seconds,\r\n"
      "4,48:00.5:00N,009:00:00E,500M,T,Point,\r\n"
      "5,91:00:00N,009:00:00E,500M,T,Pole,\r\n"  // 5
      "6,48:00:00N,181:00:00W,500M,T,Date,\r\n"
      "7,48:00:00E,009:00:00E,500M,T,East,\r\n"
      "8,4800.000N,009:00:00E,500M,T,Cup,\r\n"
      "9,48:00:00N,009:00:00E,500M,T,\r\n"
      "10,48:00:00N,009:00:00E,500M,T\r\n"  // 10
      "11,48:00:00N,009:00:00E,5OOM,TX,Bad altitude,\r\n"
      "12,48:00:00N,009:00:00E,500M,T,Good,\r\n"
      "13,48:00:00N,009:00:00E,500M,T,\"Open,\r\n"
      "14,48:00:00N,009:00:00E,500M,HSF,Flags,\r\n";
  EXPECT_EQ(
      ReadAs(kDat, in),
      "Good|||48.000000 9.000000 500.000000|1|  |||||0 0\n"
      "Bad altitude|||48.000000 9.000000 nan|1|  |||||0 0\n"
      "Good|||48.000000 9.000000 500.000000|1|  |||||0 0\n"
      "\"Open|||48.000000 9.000000 500.000000|1|  |||||0 0\n"
      "Flags|||48.000000 9.000000 500.000000|1|  |||||0 0\n"
      "! line 2: bad latitude \"48:60:00N\": 60 minutes or more: line skipped\n"
      "! line 3: bad latitude \"48:00:60N\": 60 seconds or more: line skipped\n"
      "! line 4: bad latitude \"48:00.5:00N\": expected DD:MM:SS or DD:MM.mmm followed by N or S: "
      "line skipped\n"
      "! line 5: bad latitude \"91:00:00N\": beyond 90 degrees: line skipped\n"
      "! line 6: bad longitude \"181:00:00W\": beyond 180 degrees: line skipped\n"
      "! line 7: bad latitude \"48:00:00E\": expected DD:MM:SS or DD:MM.mmm followed by N or S: "
      "line skipped\n"
      "! line 8: bad latitude \"4800.000N\": expected DD:MM:SS or DD:MM.mmm followed by N or S: "
      "line skipped\n"
      "! line 9: a waypoint without a name: line skipped\n"
      "! line 10: 5 fields where a waypoint has its number, latitude, longitude, altitude, flags "
      "and name: line skipped\n"
      "! line 11: bad altitude \"5OOM\": expected a number with M or F; read as unknown\n"
      "! line 12: the name \"Good\" is used already on line 1\n"
      "! line 13: a quote that is never closed, read as a character\n"
      "! line 14: 1 waypoints flagged H (home): koordin has no place for the flag\n"
      "! line 14: 1 waypoints flagged S (start): koordin has no place for the flag\n"
      "! line 14: 1 waypoints flagged F (finish): koordin has no place for the flag\n"
      "! line 11: 1 waypoints with flags that WinPilot does not know, such as \"TX\": not read\n");
}

TEST(ReadDat, RefusesAFileOfWhichNoLineCanBeRead) {
  EXPECT_EQ(ReadAs(kDat,
                   "* a CUP file\r\nname,code,country,lat,lon,elev,style,rwdir,rwlen,freq,desc\r\n"
                   "\"A\",A,,4800.000N,00900.000E,100m,1,,,,\r\n"),
            "line 2: bad latitude \"code\": expected DD:MM:SS or DD:MM.mmm followed by N or S");
  EXPECT_EQ(ReadAs(kDat, "* only a comment\r\n"), "");
}

TEST(WriteDat, WritesTheStylesAsFlagsAndWarnsAboutThoseThatDoNotComeBack) {
  const std::tuple<int, const char*, bool> cases[] = {
      {0, "T", false},   {1, "T", false}, {2, "ATL", true}, {3, "TL", false}, {4, "ATL", true},
      {5, "ATL", false}, {6, "T", true},  {7, "T", true},   {21, "T", true},
  };
  for (const auto& [style, flags, warned] : cases) {
    Waypoint waypoint = PlainWaypoint("P", 48.0, 9.0, 100.0);
    waypoint.style = style;
    Diagnostics warnings;
    const std::string written = WriteDocument(kDat, {{waypoint}, {}}, warnings);
    EXPECT_EQ(written, "1,48:00.000N,009:00.000E,100M," + std::string(flags) + ",P,\r\n") << style;
    EXPECT_EQ(warnings.Count(), warned ? 1U : 0U) << style;
  }
}

TEST(WriteDat, WritesWhatItCanHoldAndWarnsAboutTheRest) {
  Document document = SampleDocument();
  document.waypoints[0].latitude = 51.9999999;  // 59.999994 minutes: 52:00.000
  document.waypoints[0].elevation = 189.5;
  Waypoint& padded = document.waypoints.emplace_back();
  padded.name = " Padded ";
  padded.latitude = -0.5;
  padded.longitude = 0.25;
  padded.elevation = -0.4;
  padded.style = 1;
  Waypoint& quoted = document.waypoints.emplace_back(padded);
  quoted.name = "Stein \"12\"";
  quoted.description = "\"Nord\" Seite";
  Diagnostics warnings;
  EXPECT_EQ(WriteDocument(kDat, document, warnings),
            "1,52:00.000N,006:11.200E,190M,ATL,Aachen Merzbrück,\"Platz, \"\"EDKA\"\"\\nzweite "
            "Zeile\"\r\n"
            "2,45:30.000S,179:59.994W,0M,T,\"Gipfel \"\"Süd\"\", Öhr\",\r\n"
            "3,00:30.000S,000:15.000E,0M,T,\" Padded \",\r\n"
            "4,00:30.000S,000:15.000E,0M,T,Stein \"12\",\"\"\"Nord\"\" Seite\"\r\n");
  std::vector<std::string> expected;
  for (const char* field :
       {"code", "country", "runway", "frequency", "user data", "pictures", "marker"}) {
    expected.push_back(std::string("WinPilot has no place for the ") + field +
                       " of 1 waypoints: left out");
  }
  expected.insert(expected.end(),
                  {"WinPilot waypoint files hold no tasks: 1 tasks left out",
                   "WinPilot flags tell an airfield, an outlanding or a turnpoint: the style of 1 "
                   "waypoints is written as the nearest of these",
                   "WinPilot has no unknown altitude: 1 waypoints without one are written at 0 m",
                   "WinPilot lines hold no line break: those in the name or comment of 1 "
                   "waypoints are written as \\n"});
  EXPECT_EQ(warnings.warnings(), expected);
}

}  // namespace
}  // namespace koordin_cli
