#include "tools/koordin/formats/cup_fields.h"
#include "tools/koordin/formats/formats.h"

#include "tests/document_testing.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace koordin_cli {
namespace {

const FileFormat& kCup = Format("cup");

constexpr CupAxis kLat = CupAxis::kLatitude;
constexpr CupAxis kLon = CupAxis::kLongitude;

// The degrees of a CUP coordinate to six places, or why it is refused.
std::string Coordinate(const char* text, CupAxis axis) try {
  return std::to_string(ParseCupCoordinate(text, axis));
} catch (const std::invalid_argument& e) {
  return e.what();
}

TEST(CupFields, ReadCoordinatesOrSayWhatIsWrong) {
  const std::tuple<const char*, CupAxis, std::string_view> cases[] = {
      {"5107.830N", kLat, "51.130500"},     {" 5107.830s ", kLat, "-51.130500"},
      {"507.5N", kLat, "5.125000"},         {"00756.467W", kLon, "-7.941117"},
      {"18000.000E", kLon, "180.000000"},   {"18000.001W", kLon, "beyond 180"},
      {"9000.001N", kLat, "beyond 90"},     {"5160.000N", kLat, "60 minutes"},
      {"51.1305N", kLat, "expected DDM"},   {"5107.830E", kLat, "expected DDM"},
      {"00756.467N", kLon, "expected DDD"}, {"51O7.830N", kLat, "expected DDM"},
      {"5107.N", kLat, "expected DDM"},     {"51107.830N", kLat, "expected DDM"},
  };
  for (const auto& [text, axis, read] : cases) {
    EXPECT_EQ(Coordinate(text, axis).substr(0, read.size()), read) << text;
  }
}

TEST(CupFields, TellAHeadersColumnNameFromACoordinate) {
  const std::tuple<const char*, CupAxis, bool> cases[] = {
      {" 5107.830s ", kLat, true}, {"00756.467W", kLon, true}, {"lat", kLat, false},
      {"Latitude", kLat, false},   {"5107.830E", kLat, false}, {" ", kLat, false},
  };
  for (const auto& [text, axis, may] : cases) EXPECT_EQ(EndsInHemisphere(text, axis), may) << text;
}

TEST(CupFields, WriteCoordinatesToAThousandthOfAMinuteCarryingIntoTheDegrees) {
  const std::tuple<double, CupAxis, const char*> cases[] = {
      {51.9999999, kLat, "5200.000N"},     {51.99999, kLat, "5159.999N"},
      {-0.0000001, kLat, "0000.000N"},     {7 + 56.467 / 60, kLon, "00756.467E"},
      {-179.99999999, kLon, "18000.000W"}, {-0.99999999, kLon, "00100.000W"},
  };
  for (const auto& [degrees, axis, text] : cases) {
    EXPECT_EQ(FormatCupCoordinate(degrees, axis), text) << degrees;
    EXPECT_NEAR(ParseCupCoordinate(text, axis), degrees, 1 / 120000.0) << text;
  }
}

TEST(CupFields, ReadElevationsInMetresOrFeetAndEmptyAsUnknown) {
  const std::pair<const char*, double> cases[] = {
      {"287m", 287}, {"170.0ft", 51.816}, {"1000FT", 304.8}, {" 512.5 M ", 512.5}, {"287", 287}};
  for (const auto& [in, metres] : cases) EXPECT_NEAR(ParseCupElevation(in).value(), metres, 1e-9);
  EXPECT_FALSE(ParseCupElevation(" ").has_value());
  for (const char* bad : {"12O.0m", "287km", "nanm"}) EXPECT_ANY_THROW(ParseCupElevation(bad));
}

TEST(CupFields, SplitLinesWithTheQuotingOfRealFiles) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"\"Foo, Bar\",x", {"Foo, Bar", "x"}},
      {"\"Say \"\"hi\"\"\",x", {"Say \"hi\"", "x"}},
      {"  \"Padded\"  ,  text  ,", {"Padded", "text", ""}},
      {"\"Stray \"quote\" inside\",x", {"Stray \"quote\" inside", "x"}},
      {"unquoted \"mid\" text,\"\"", {"unquoted \"mid\" text", ""}},
      {"\"open,x", {"\"open", "x"}},
  };
  for (const auto& [line, fields] : cases) EXPECT_EQ(SplitCupLine(line).fields, fields) << line;
  EXPECT_TRUE(SplitCupLine("\"open,x").unclosedQuote);
}

TEST(ReadCup, ReadsWhatPilotsFilesHoldAndSkipsTheLinesItCannotRead) {
  const std::string h11 = "name,code,country,lat,lon,elev,style,rwdir,rwlen,freq,desc\r\n";
  const std::pair<std::string, std::string> cases[] = {
      // an old 11-column file: a comment, mixed line ends, padding, quotes, feet, no elevation
      {h11 + "* a comment, \"quoted\"\n\"Altena Bf\",\"ALT\",,5118.000N,00745.000E,"
             "170.0ft,0,0,0.0m,\"\",\"RAIL\"\r  Aich , AL A09 , de, 4839.000N "
             ",00833.000E,760m,3,,,,\n\r\n"
             "\"Berg, Nord\",BN,DE,5103.000N,00742.000E,,4,40,590m,\"123.650 \",x\r\n",
       "Altena Bf|ALT||51.300000 7.750000 51.816000|0|0 0.0m ||RAIL|||0 0\n"
       "Aich|AL A09|de|48.650000 8.550000 760.000000|3|  |||||0 0\n"
       "Berg, Nord|BN|DE|51.050000 7.700000 nan|4|40 590m |123.650|x|||0 0\n"},
      {"Title,Lat,Lon,Code,Frequency,Alt\nSüd,5000.000S,00100.000W,SD,130.125,1ft\n",
       "Süd|SD||-50.000000 -1.000000 0.304800|0|  |130.125||||0 0\n"},  // Alt: by position
      {"\357\273\277Bergheim,BGH,,5100.000N,00630.000E,70m,2,140,1100m,130.125,x\n",  // no header
       "Bergheim|BGH||51.000000 6.500000 70.000000|2|140 1100m |130.125|x|||0 0\n"},
      {"name,lat,lon,desc\r\nM\xFCnster Stra\xDF\x65,4830.000N,00945.000E,\xC4rger \x80 \x93x\x94"
       "\r\nA\x81,5000.000N,00100.000E\r\n",  // Windows-1252, with a byte that is none
       "Münster Straße|||48.500000 9.750000 nan|0|  ||Ärger € “x”|||0 0\n"
       "A?|||50.000000 1.000000 nan|0|  |||||0 0\n"
       "! not UTF-8: read as Windows-1252; give --input-encoding for another set (CP1250, "
       "ISO-8859-2, ...)\n! line 3: a byte that is no Windows-1252 character, read as ?\n"},
      {"name,lat,lon,elev,style,extra\n"             // 1
       "A,5000.000N,00100.000E,12O.0m,99\n"          // 2
       "A,5001.000N,00100.000E,,x,,surplus\n"        // 3
       "\"Open,5002.000N,00100.000E\n"               // 4
       "-----Related Tasks-----\nObsZone=0,R1=1m\n"  // 5, 6
       "\"T\",\"\",\"A\",\"Nowhere\",\"\",\"A\",\"\"\n\"Lonely\"\n",
       "A|||50.000000 1.000000 nan|0|  |||||0 0\n"
       "A|||50.016667 1.000000 nan|0|  |||||0 0\n"
       "\"Open|||50.033333 1.000000 nan|0|  |||||0 0\n"
       "task T||A|Nowhere||A|\ntask Lonely\n"
       "! line 1: column \"extra\" is not read\n"
       "! line 2: bad elevation \"12O.0m\": expected a number with m or ft; read as unknown\n"
       "! line 2: unknown style 99, read as 0\n! line 3: unknown style \"x\", read as 0\n"
       "! line 3: 1 fields beyond the header's 6 columns are not read\n"
       "! line 3: the name \"A\" is used already on line 2\n"
       "! line 4: a quote that is never closed, read as a character\n"
       "! line 6: a task option line before any task is not read\n"
       "! line 7: task \"T\" names \"Nowhere\", which is no waypoint\n"
       "! line 7: task \"T\" has an empty point 4\n! line 8: task \"Lonely\" has no points\n"},
      // A line that is no waypoint is skipped with a warning; the lines around it are read.
      {h11 + "* comment\r\n\r" + "Bad,,,5100.000N,00100,000E\n--Mountain Peaks\n" +
           "Good,,,5100.000N,00100.000E\n",
       "Good|||51.000000 1.000000 nan|0|  |||||0 0\n"
       "! line 4: bad longitude \"00100\": expected DDDMM.mmm followed by E or W: line skipped\n"
       "! line 5: 1 fields where the header has 11: line skipped\n"},
      {h11 + "A,,,5000.000N,00100.000E\r\n" + h11,
       "A|||50.000000 1.000000 nan|0|  |||||0 0\n! line 3: bad latitude \"lat\": expected DDMM.mmm "
       "followed by N or S: line skipped\n"},
      {h11 + " ,CODE,,5100.000N,00100.000E\n",
       "! line 2: a waypoint without a name: line skipped\n"},
      {"<?xml version=\"1.0\"?>\n<gpx/>\n", "line 1: not a CUP header: it has no lat column"},
      {"", ""},
  };
  for (const auto& [file, read] : cases) EXPECT_EQ(ReadAs(kCup, file), read) << file;
}

TEST(ReadCup, ReadsTasksWithTheirOptionLinesAndWritesThemBack) {
  const std::string file =
      "name,lat,lon\r\nStart,5000.000N,00100.000E\r\nWende,5100.000N,00100.000E\r\n"
      "-----related tasks-----  \r\n\"Dreieck\",\"\",\"Start\",\"Wende\",\"Start\",\"\"\r\n"
      "Options,NoStart=10:00:00\r\nobszone=1,R1=20000m\r\nPoint=1,\"Wende\",,,5100.000N\r\n"
      "STARTS=\"Start\",\"Wende\"\r\nOptions Runde,Start,Wende\n";
  const std::string tasks =
      "task Dreieck||Start|Wende|Start|\n  Options,NoStart=10:00:00\n  obszone=1,R1=20000m\n"
      "  Point=1,\"Wende\",,,5100.000N\n  STARTS=\"Start\",\"Wende\"\ntask Options "
      "Runde|Start|Wende\n";
  EXPECT_EQ(ReadAs(kCup, file),
            "Start|||50.000000 1.000000 nan|0|  |||||0 0\n"
            "Wende|||51.000000 1.000000 nan|0|  |||||0 0\n" +
                tasks);
  // Written back, the code column holds the name, for tools that show the code.
  Diagnostics diagnostics;
  EXPECT_EQ(ReadAs(kCup, WriteDocument(kCup, ReadDocument(kCup, file, diagnostics), diagnostics)),
            "Start|Start||50.000000 1.000000 nan|0|  |||||0 0\n"
            "Wende|Wende||51.000000 1.000000 nan|0|  |||||0 0\n" +
                tasks);
}

TEST(WriteCup, WritesEveryFieldThatCupHoldsAndWarnsAboutTheRest) {
  Document document = SampleDocument();
  Diagnostics diagnostics;
  const std::string written = WriteDocument(kCup, document, diagnostics);
  EXPECT_EQ(written,
            "name,code,country,lat,lon,elev,style,rwdir,rwlen,rwwidth,freq,desc,userdata,pics\r\n"
            "\"Aachen Merzbrück\",AACH,DE,5049.380N,00611.200E,189.0m,5,80,520m,20m,"
            "\"122.875\",\"Platz, \"\"EDKA\"\"\\nzweite Zeile\",\"user, data\",\"a.jpg;b.jpg\"\r\n"
            "\"Gipfel \"\"Süd\"\", Öhr\",\"Gipfel \"\"Süd\"\", "
            "Öhr\",,4530.000S,17959.994W,,7,,,,\"\",\"\",\"\",\"\"\r\n"
            "-----Related Tasks-----\r\n\"Dreieck, 300 km\",\"\",\"Aachen Merzbrück\","
            "\"Gipfel \"\"Süd\"\", Öhr\",\"\"\r\nOptions,NoStart=12:00\r\nObsZone=0\r\n");
  EXPECT_EQ(Describe({}, diagnostics.warnings()),
            "! CUP has no marker: 1 marked waypoints are written without it\n");
  document.waypoints[0].description = "Platz, \"EDKA\"\\nzweite Zeile";  // one line in CUP
  document.waypoints[0].marked = false;
  document.waypoints[0].slot = 0;
  document.waypoints[1].code = document.waypoints[1].name;  // no code: the name is written
  EXPECT_EQ(ReadAs(kCup, written), Describe(document));
}

}  // namespace
// "???" stands for a takeoff or landing left open: none, and nothing to warn about.
TEST(ReadCup, TakesQuestionMarksAtATasksEndsForNone) {
  const std::string file =
      "name,lat,lon\r\nA,5000.000N,00100.000E\r\n-----Related Tasks-----\r\n"
      "\"T\",\"???\",\"A\",\"A\",\"???\"\r\n\"U\",\"A\",\"???\",\"A\"\r\n";
  EXPECT_EQ(ReadAs(kCup, file),
            "A|||50.000000 1.000000 nan|0|  |||||0 0\ntask T||A|A|\n"
            "task U|A|???|A\n"
            "! line 5: task \"U\" names \"???\", which is no waypoint\n");
}

}  // namespace koordin_cli
