#include "tools/koordin/formats/cup_fields.h"
#include "tools/koordin/formats/formats.h"

#include "tests/document_testing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace koordin_cli {
namespace {

constexpr double kThousandthOfAMinute = 1.0 / 60000.0;

// --- fields ---------------------------------------------------------------------------------

struct CoordinateCase {
  const char* text;
  CupAxis axis;
  double degrees;
};

TEST(ParseCupCoordinate, ReadsDegreesAndMinutesWithTheirHemisphere) {
  const CoordinateCase cases[] = {
      {"5107.830N", CupAxis::kLatitude, 51.1305},
      {"5107.830S", CupAxis::kLatitude, -51.1305},
      {"5107.830n", CupAxis::kLatitude, 51.1305},
      {"  5107.830N ", CupAxis::kLatitude, 51.1305},
      {"5107N", CupAxis::kLatitude, 51 + 7 / 60.0},
      {"507.5N", CupAxis::kLatitude, 5.125},
      {"0000.000S", CupAxis::kLatitude, 0.0},
      {"9000.000N", CupAxis::kLatitude, 90.0},
      {"00756.467E", CupAxis::kLongitude, 7 + 56.467 / 60},
      {"00756.467W", CupAxis::kLongitude, -(7 + 56.467 / 60)},
      {"17959.999E", CupAxis::kLongitude, 179 + 59.999 / 60},
      {"18000.000W", CupAxis::kLongitude, -180.0},
      {"0756.46700E", CupAxis::kLongitude, 7 + 56.467 / 60},
  };
  for (const CoordinateCase& c : cases) {
    EXPECT_NEAR(ParseCupCoordinate(c.text, c.axis), c.degrees, 1e-9) << c.text;
  }
}

TEST(ParseCupCoordinate, RefusesWhatIsNoCupCoordinateAndSaysWhy) {
  const struct {
    const char* text;
    CupAxis axis;
    const char* why;
  } cases[] = {
      {"51.1305N", CupAxis::kLatitude, "expected DDMM.mmm"},  // decimal degrees
      {"5160.000N", CupAxis::kLatitude, "60 minutes"},
      {"9000.001N", CupAxis::kLatitude, "beyond 90"},
      {"18000.001E", CupAxis::kLongitude, "beyond 180"},
      {"5107.830E", CupAxis::kLatitude, "N or S"},
      {"00756.467N", CupAxis::kLongitude, "E or W"},
      {"5107.830", CupAxis::kLatitude, "expected"},
      {"", CupAxis::kLatitude, "empty"},
      {"51O7.830N", CupAxis::kLatitude, "expected"},
      {"5107.N", CupAxis::kLatitude, "expected"},
      {"-5107.830N", CupAxis::kLatitude, "expected"},
      {"51 07.830N", CupAxis::kLatitude, "expected"},
      {"51107.830N", CupAxis::kLatitude, "expected"},
  };
  for (const auto& c : cases) {
    try {
      ParseCupCoordinate(c.text, c.axis);
      ADD_FAILURE() << c.text << " was read";
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << c.text << ": " << e.what();
    }
  }
}

TEST(FormatCupCoordinate, RoundsToThousandthsOfAMinuteAndCarries) {
  const CoordinateCase cases[] = {
      {"5107.830N", CupAxis::kLatitude, 51.1305},
      {"5107.830S", CupAxis::kLatitude, -51.1305},
      {"5200.000N", CupAxis::kLatitude, 51.9999999},
      {"5159.999N", CupAxis::kLatitude, 51.99999},
      {"5110.000N", CupAxis::kLatitude, 51 + 10 / 60.0 - 1e-8},
      {"0000.000N", CupAxis::kLatitude, -0.0000001},  // rounds to zero: no southern zero
      {"9000.000S", CupAxis::kLatitude, -90.0},
      {"00756.467E", CupAxis::kLongitude, 7 + 56.467 / 60},
      {"00000.000E", CupAxis::kLongitude, 0.0},
      {"18000.000W", CupAxis::kLongitude, -179.99999999},
      {"00100.000W", CupAxis::kLongitude, -0.99999999},
  };
  for (const CoordinateCase& c : cases) {
    EXPECT_EQ(FormatCupCoordinate(c.degrees, c.axis), c.text) << c.degrees;
  }
  EXPECT_THROW(FormatCupCoordinate(90.5, CupAxis::kLatitude), std::invalid_argument);
  EXPECT_THROW(FormatCupCoordinate(NAN, CupAxis::kLongitude), std::invalid_argument);
}

TEST(FormatCupCoordinate, NeverWritesSixtyMinutesAndReadsBackWithinAHalfThousandth) {
  for (int degrees = 0; degrees < 90; degrees += 7) {
    for (double below : {0.0, 1e-9, 1e-7, 4e-6, 9e-6, 1e-5}) {
      for (const double value : {degrees + 1.0 - below, -(degrees + 1.0 - below)}) {
        const std::string text = FormatCupCoordinate(value, CupAxis::kLatitude);
        EXPECT_NE(text.substr(2, 2), "60") << value;
        EXPECT_NEAR(ParseCupCoordinate(text, CupAxis::kLatitude), value,
                    kThousandthOfAMinute / 2 + 1e-12)
            << text;
      }
    }
  }
}

TEST(ParseCupElevation, ReadsMetresAndFeetLineByLine) {
  const struct {
    const char* text;
    std::optional<double> metres;
  } cases[] = {
      {"287m", 287.0},   {"873.0m", 873.0},    {"170.0ft", 51.816},
      {"1000FT", 304.8}, {" 512.5 M ", 512.5}, {"287", 287.0},
      {"-3m", -3.0},     {"", std::nullopt},   {"   ", std::nullopt},
  };
  for (const auto& c : cases) {
    const std::optional<double> metres = ParseCupElevation(c.text);
    ASSERT_EQ(metres.has_value(), c.metres.has_value()) << c.text;
    if (c.metres) {
      EXPECT_NEAR(*metres, *c.metres, 1e-9) << c.text;
    }
  }
  for (const char* bad : {"12O.0m", "287km", "m", "ft", "1,5m", "nanm"}) {
    EXPECT_THROW(ParseCupElevation(bad), std::invalid_argument) << bad;
  }
  EXPECT_EQ(FormatCupElevation(287.0), "287.0m");
  EXPECT_EQ(FormatCupElevation(51.816), "51.8m");
  EXPECT_EQ(FormatCupElevation(std::nullopt), "");
}

TEST(SplitCupLine, HandlesTheQuotingFoundInRealFiles) {
  const struct {
    const char* line;
    std::vector<std::string> fields;
    bool unclosed;
  } cases[] = {
      {"a,b,c", {"a", "b", "c"}, false},
      {"\"Foo, Bar\",x", {"Foo, Bar", "x"}, false},
      {"\"Say \"\"hi\"\"\",x", {"Say \"hi\"", "x"}, false},
      {"  \"Padded\"  ,  text  ,", {"Padded", "text", ""}, false},
      {"\"Stray \"quote\" inside\",x", {"Stray \"quote\" inside", "x"}, false},
      {"unquoted \"mid\" text,x", {"unquoted \"mid\" text", "x"}, false},
      {"\"\",\"\"", {"", ""}, false},
      {"a,,", {"a", "", ""}, false},
      {"\"122.355 \",x", {"122.355 ", "x"}, false},
      {"\"open,x", {"\"open", "x"}, true},
      {"", {""}, false},
  };
  for (const auto& c : cases) {
    const CupFields split = SplitCupLine(c.line);
    EXPECT_EQ(split.fields, c.fields) << c.line;
    EXPECT_EQ(split.unclosedQuote, c.unclosed) << c.line;
  }
}

TEST(CupField, QuotesWhereNeededAndKeepsARecordOnOneLine) {
  const struct {
    const char* text;
    bool always;
    const char* field;
  } cases[] = {
      {"abc", false, "abc"},
      {"abc", true, "\"abc\""},
      {"", true, "\"\""},
      {"", false, ""},
      {"a,b", false, "\"a,b\""},
      {"say \"x\"", false, "\"say \"\"x\"\"\""},
      {" lead", false, "\" lead\""},
      {"two\nlines", true, "\"two\\nlines\""},
      {"two\r\nlines\rthree", false, "two\\nlines\\nthree"},
  };
  for (const auto& c : cases) EXPECT_EQ(CupField(c.text, c.always), c.field) << c.text;
}

TEST(MapCupHeader, MapsKnownNamesAndFallsBackToPositions) {
  using C = CupColumn;
  const struct {
    std::vector<std::string> header;
    std::vector<CupColumn> columns;
  } cases[] = {
      {{"name", "code", "country", "lat", "lon", "elev", "style", "rwdir", "rwlen", "freq", "desc"},
       {C::kName, C::kCode, C::kCountry, C::kLatitude, C::kLongitude, C::kElevation, C::kStyle,
        C::kRunwayDirection, C::kRunwayLength, C::kFrequency, C::kDescription}},
      {{"Title", "Code", "Country", "Latitude", "Longitude", "Elevation", "Style", "Direction",
        "Length", "Frequency", "Description"},
       {C::kName, C::kCode, C::kCountry, C::kLatitude, C::kLongitude, C::kElevation, C::kStyle,
        C::kRunwayDirection, C::kRunwayLength, C::kFrequency, C::kDescription}},
      // 13 columns as one real file has them: no rwwidth, but userdata and pics
      {{"name", "code", "country", "lat", "lon", "elev", "style", "rwdir", "rwlen", "freq", "desc",
        "userdata", "pics"},
       {C::kName, C::kCode, C::kCountry, C::kLatitude, C::kLongitude, C::kElevation, C::kStyle,
        C::kRunwayDirection, C::kRunwayLength, C::kFrequency, C::kDescription, C::kUserData,
        C::kPictures}},
      // unknown words take the column at their position in the 11-column layout
      {{"Nom", "Code", "Pays", "LAT", " Lon ", "Alt", "Style", "Dir", "Long", "Freq", "Remarque"},
       {C::kName, C::kCode, C::kCountry, C::kLatitude, C::kLongitude, C::kElevation, C::kStyle,
        C::kRunwayDirection, C::kRunwayLength, C::kFrequency, C::kDescription}},
      // and in the 14-column one for a longer header; a known word wins over a position
      {{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n", "name"},
       {C::kUnknown, C::kCode, C::kCountry, C::kLatitude, C::kLongitude, C::kElevation, C::kStyle,
        C::kRunwayDirection, C::kRunwayLength, C::kRunwayWidth, C::kFrequency, C::kDescription,
        C::kUserData, C::kPictures, C::kName}},
  };
  for (const auto& c : cases) EXPECT_EQ(MapCupHeader(c.header), c.columns) << c.header[0];
}

TEST(CupTaskLines, AreRecognisedInAnyCase) {
  for (const char* line :
       {"-----Related Tasks-----", "-----related tasks-----  ", "--Related Tasks--"}) {
    EXPECT_TRUE(IsCupTaskSeparator(line)) << line;
  }
  EXPECT_FALSE(IsCupTaskSeparator("Related Tasks"));
  for (const char* line :
       {"Options", "Options,NoStart=10:00:00", "OPTIONS ,TaskTime=02:00:00", "ObsZone=0,Style=2",
        "obszone=1,R1=500m", "Point=1,\"A\",A,,5100.000N", "STARTS=\"A\",\"B\""}) {
    EXPECT_TRUE(IsCupTaskOptionLine(line)) << line;
  }
  for (const char* line : {"\"Options\",\"A\",\"B\"", "Optionsfoo", "\"Task\",\"A\""}) {
    EXPECT_FALSE(IsCupTaskOptionLine(line)) << line;
  }
}

// --- whole files ----------------------------------------------------------------------------

Document Read(const std::string& bytes, Diagnostics& diagnostics) {
  return ReadCup(bytes, diagnostics);
}

TEST(ReadCup, ReadsAnOldElevenColumnFileWithTheTrapsOfRealFiles) {
  const std::string file =
      "\xEF\xBB\xBF"
      "name,code,country,lat,lon,elev,style,rwdir,rwlen,freq,desc\r\n"
      "* a comment line\n"
      "\"Altena Bf\",\"ALTENB\",,5118.117N,00740.133E,170.0ft,0,0,0.0m,\"\",\"RAILWAYST\"\r\n"
      "  LF_Aichhalden , AL A09 A ,de, 4838.750N ,00832.600E,760.0m,3,20,500.0m,,Aichhalden\n"
      "\r\n"
      "\"Berg, Nord\",BN,DE,5103.117N,00742.383E,,4,40,590.0m,\"123.650 \","
      "\"Sagt \"\"Hallo\"\", mit \"Zitat\" drin\\nzweite Zeile\"\r";
  Diagnostics diagnostics;
  const Document document = Read(file, diagnostics);
  EXPECT_TRUE(diagnostics.warnings.empty()) << diagnostics.warnings.front();
  ASSERT_EQ(document.waypoints.size(), 3U);
  const Waypoint& altena = document.waypoints[0];
  EXPECT_EQ(altena.name, "Altena Bf");  // not the code
  EXPECT_EQ(altena.code, "ALTENB");
  EXPECT_NEAR(*altena.elevation, 51.816, 1e-9);  // feet
  EXPECT_NEAR(altena.latitude, 51 + 18.117 / 60, 1e-9);
  EXPECT_EQ(altena.description, "RAILWAYST");
  const Waypoint& field = document.waypoints[1];
  EXPECT_EQ(field.name, "LF_Aichhalden");
  EXPECT_EQ(field.code, "AL A09 A");
  EXPECT_EQ(field.country, "de");
  EXPECT_EQ(field.style, 3);
  EXPECT_EQ(field.runwayDirection, "20");
  EXPECT_EQ(field.runwayLength, "500.0m");
  const Waypoint& berg = document.waypoints[2];
  EXPECT_EQ(berg.name, "Berg, Nord");
  EXPECT_FALSE(berg.elevation.has_value());
  EXPECT_EQ(berg.frequency, "123.650");
  EXPECT_EQ(berg.description, "Sagt \"Hallo\", mit \"Zitat\" drin\\nzweite Zeile");
  EXPECT_TRUE(document.tasks.empty());
}

TEST(ReadCup, MapsColumnsByTheirHeaderNames) {
  const std::string file =
      "Title,Code,Country,Latitude,Longitude,Elevation,Style,Direction,Length,Frequency,"
      "Description\n"
      "Wendepunkt,WP,DE,4910.471N,00645.292E,280m,1,,,122.500,Kirche\n"
      "name,code,country,lat,lon,elev,style,rwdir,rwlen,freq,desc\n";  // as in joined files
  Diagnostics diagnostics;
  try {
    Read(file, diagnostics);
    FAIL() << "the line with bad coordinates was read";
  } catch (const FormatError& e) {
    EXPECT_EQ(e.line(), 3);
    EXPECT_NE(std::string(e.what()).find("bad latitude \"lat\""), std::string::npos) << e.what();
  }
  const Document reordered =
      Read("lat,name,lon,freq,elev\n5000.000S,Süd,00100.000W,130.125,1ft\n", diagnostics);
  ASSERT_EQ(reordered.waypoints.size(), 1U);
  EXPECT_EQ(reordered.waypoints[0].name, "Süd");
  EXPECT_EQ(reordered.waypoints[0].latitude, -50.0);
  EXPECT_EQ(reordered.waypoints[0].longitude, -1.0);
  EXPECT_EQ(reordered.waypoints[0].frequency, "130.125");
  EXPECT_NEAR(*reordered.waypoints[0].elevation, 0.3048, 1e-12);
}

TEST(ReadCup, ReadsAFileWithoutAHeaderByPosition) {
  const std::string waypoint =
      "\"Bergheim\",\"BERGH\",,5058.717N,00636.517E,70.0m,2,140,1100.0m,\"130.125\",\"x\"\n";
  Diagnostics diagnostics;
  const Document document = Read(waypoint, diagnostics);
  EXPECT_TRUE(diagnostics.warnings.empty());
  ASSERT_EQ(document.waypoints.size(), 1U);
  EXPECT_EQ(document.waypoints[0].name, "Bergheim");
  EXPECT_EQ(document.waypoints[0].frequency, "130.125");
  // A first line that is neither a waypoint nor names a known column is taken as a header, aloud.
  const Document taken = Read("Berg,B,,51O0.000N,00100.000E\n" + waypoint, diagnostics);
  EXPECT_EQ(taken.waypoints.size(), 1U);
  ASSERT_EQ(diagnostics.warnings.size(), 2U);
  EXPECT_EQ(diagnostics.warnings[0].rfind("line 1: no column name that koordin knows", 0), 0U);
  EXPECT_EQ(diagnostics.warnings[1].rfind("line 2: 6 fields beyond the header's 5", 0), 0U);
}

TEST(ReadCup, ReadsWindows1252WhenTheFileIsNotUtf8) {
  const std::string file =
      "name,code,country,lat,lon,elev,style,rwdir,rwlen,freq,desc\r\n"
      "\"M\xFCnster Stra\xDF\x65\",MS,DE,4823.967N,00958.983E,480.0m,1,,,,\"\xC4rger \x80 "
      "\x93x\x94\"\r\n";
  Diagnostics diagnostics;
  const Document document = Read(file, diagnostics);
  EXPECT_TRUE(diagnostics.warnings.empty());
  ASSERT_EQ(document.waypoints.size(), 1U);
  EXPECT_EQ(document.waypoints[0].name, "Münster Straße");
  EXPECT_EQ(document.waypoints[0].description, "Ärger € “x”");

  Diagnostics undefined;  // 0x81 is no Windows-1252 character
  const Document replaced = Read("name,lat,lon\nA\x81,5000.000N,00100.000E\n", undefined);
  EXPECT_EQ(replaced.waypoints[0].name, "A?");
  ASSERT_EQ(undefined.warnings.size(), 1U);
  EXPECT_EQ(undefined.warnings[0].rfind("line 2: ", 0), 0U) << undefined.warnings[0];
}

const char kTaskFile[] =
    "name,code,country,lat,lon,elev,style,rwdir,rwlen,freq,desc\r\n"
    "\"Aachen Stolberg TV\",,,5046.725N,00614.618E,287m,1,,,,\r\n"
    "\"Wendepunkt\",,,4910.471N,00645.292E,280m,1,,,,\r\n"
    "\"Linnich Station\",,,5059.067N,00616.562E,61m,1,,,,\r\n"
    "-----Related Tasks-----\r\n"
    "\"Dreieck · 500 km\",\"\",\"Aachen Stolberg TV\",\"Wendepunkt\",\"Linnich Station\","
    "\"Aachen Stolberg TV\",\"\"\r\n"
    "Options,NoStart=10:00:00,TaskTime=03:00:00\r\n"
    "ObsZone=0,Style=2,R1=1000m,A1=180\r\n"
    "obszone=1,Style=1,R1=20000m,A1=45\r\n"
    "Point=1,\"Wendepunkt\",,,4910.471N,00645.292E,280m,1,,,,\r\n"
    "STARTS=\"Aachen Stolberg TV\",\"Linnich Station\"\r\n"
    "\"Kurz\",\"Linnich Station\",\"Aachen Stolberg TV\",\"Linnich Station\"\n";

TEST(ReadCup, ReadsTasksWithTheirOptionAndZoneLines) {
  Diagnostics diagnostics;
  const Document document = Read(kTaskFile, diagnostics);
  EXPECT_TRUE(diagnostics.warnings.empty());
  ASSERT_EQ(document.waypoints.size(), 3U);  // no task line became a waypoint
  ASSERT_EQ(document.tasks.size(), 2U);
  const Task& triangle = document.tasks[0];
  EXPECT_EQ(triangle.name, "Dreieck · 500 km");
  EXPECT_EQ(triangle.points,
            (std::vector<std::string>{"", "Aachen Stolberg TV", "Wendepunkt", "Linnich Station",
                                      "Aachen Stolberg TV", ""}));
  EXPECT_EQ(triangle.cupOptions,
            (std::vector<std::string>{"Options,NoStart=10:00:00,TaskTime=03:00:00",
                                      "ObsZone=0,Style=2,R1=1000m,A1=180",
                                      "obszone=1,Style=1,R1=20000m,A1=45",
                                      "Point=1,\"Wendepunkt\",,,4910.471N,00645.292E,280m,1,,,,",
                                      "STARTS=\"Aachen Stolberg TV\",\"Linnich Station\""}));
  EXPECT_EQ(document.tasks[1].points.size(), 3U);
  EXPECT_TRUE(document.tasks[1].cupOptions.empty());
}

TEST(WriteCup, WritesTasksBackWithTheirOptionLinesAfterThem) {
  Diagnostics diagnostics;
  const Document document = Read(kTaskFile, diagnostics);
  const std::string written = WriteCup(document, diagnostics);
  EXPECT_TRUE(diagnostics.warnings.empty());
  EXPECT_EQ(written.substr(0, written.find("\r\n")),
            "name,code,country,lat,lon,elev,style,rwdir,rwlen,rwwidth,freq,desc,userdata,pics");
  EXPECT_NE(written.find("-----Related Tasks-----\r\n"
                         "\"Dreieck · 500 km\",\"\",\"Aachen Stolberg TV\",\"Wendepunkt\","
                         "\"Linnich Station\",\"Aachen Stolberg TV\",\"\"\r\n"
                         "Options,NoStart=10:00:00,TaskTime=03:00:00\r\n"
                         "ObsZone=0,Style=2,R1=1000m,A1=180\r\n"),
            std::string::npos)
      << written;
  EXPECT_NE(written.find("STARTS=\"Aachen Stolberg TV\",\"Linnich Station\"\r\n\"Kurz\""),
            std::string::npos);
  const Document again = Read(written, diagnostics);
  ASSERT_EQ(again.tasks.size(), document.tasks.size());
  for (std::size_t i = 0; i < again.tasks.size(); ++i) {
    ExpectSameTask(document.tasks[i], again.tasks[i]);
  }
  EXPECT_EQ(WriteCup(again, diagnostics), written);
}

TEST(WriteCup, RoundTripsEveryCupFieldAndWarnsAboutTheMarker) {
  const Document document = SampleDocument();
  Diagnostics diagnostics;
  const std::string written = WriteCup(document, diagnostics);
  ASSERT_EQ(diagnostics.warnings.size(), 1U);
  EXPECT_NE(diagnostics.warnings[0].find("1 marked"), std::string::npos);
  EXPECT_NE(written.find("\"Aachen Merzbrück\",\"AACH\",DE,5049.380N,00611.200E,189.0m,5,80,520m,"
                         "20m,\"122.875\",\"Platz, \"\"EDKA\"\"\\nzweite Zeile\","
                         "\"user, data\",\"a.jpg;b.jpg\"\r\n"),
            std::string::npos)
      << written;
  Diagnostics reading;
  const Document read = ReadCup(written, reading);
  EXPECT_TRUE(reading.warnings.empty());
  ASSERT_EQ(read.waypoints.size(), document.waypoints.size());
  for (std::size_t i = 0; i < read.waypoints.size(); ++i) {
    Waypoint expected = document.waypoints[i];
    expected.marked = false;  // CUP has no marker, and no slots
    if (i == 0) expected.description = "Platz, \"EDKA\"\\nzweite Zeile";  // one line in CUP
    ExpectSameWaypoint(expected, read.waypoints[i], kThousandthOfAMinute, false);
  }
  ASSERT_EQ(read.tasks.size(), 2U);
  ExpectSameTask(document.tasks[0], read.tasks[0]);
}

TEST(WriteCup, WarnsAboutTaskPointsThatAreNoWaypoints) {
  Document document;
  document.tasks.push_back(Task{"T", {"", "Nowhere", ""}, {}});
  Diagnostics diagnostics;
  WriteCup(document, diagnostics);
  ASSERT_EQ(diagnostics.warnings.size(), 1U);
  EXPECT_NE(diagnostics.warnings[0].find("\"Nowhere\""), std::string::npos);
}

TEST(ReadCup, WarnsWithTheLineAboutWhatItCanReadPast) {
  const std::string file =
      "name,code,country,lat,lon,elev,style,rwdir,rwlen,freq,desc,extra\n"  // 1
      "A,,,5000.000N,00100.000E,12O.0m,99,,,,,\n"                           // 2
      "B,,,5000.000N,00100.000E,10m,x,,,,,,surplus\n"                       // 3
      "A,,,5001.000N,00100.000E,10m,4.0,,,,,\n"                             // 4
      "\"Open,,,5002.000N,00100.000E,10m,1,,,,,\n"                          // 5
      "-----Related Tasks-----\n"                                           // 6
      "ObsZone=0,Style=2\n"                                                 // 7
      "\"T\",\"\",\"A\",\"Nowhere\",\"\",\"B\",\"\"\n"                      // 8
      "\"Lonely\"\n";                                                       // 9
  Diagnostics diagnostics;
  const Document document = Read(file, diagnostics);
  const std::vector<std::string> expected = {
      "line 1: column \"extra\" is not read",
      "line 2: bad elevation \"12O.0m\"",
      "line 2: unknown style 99, read as 0",
      "line 3: unknown style \"x\", read as 0",
      "line 3: 1 fields beyond the header's 12 columns are not read",
      "line 4: the name \"A\" is used already on line 2",
      "line 5: a quote that is never closed",
      "line 7: a task option line before any task is not read",
      "line 8: task \"T\" names \"Nowhere\", which is no waypoint",
      "line 8: task \"T\" has an empty point 4",
      "line 9: task \"Lonely\" has no points",
  };
  ASSERT_EQ(diagnostics.warnings.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(diagnostics.warnings[i].rfind(expected[i], 0), 0U) << diagnostics.warnings[i];
  }
  EXPECT_EQ(document.waypoints.size(), 4U);
  EXPECT_FALSE(document.waypoints[0].elevation.has_value());
  EXPECT_EQ(document.waypoints[0].style, 0);
  EXPECT_EQ(document.waypoints[2].style, 4);
  EXPECT_EQ(document.waypoints[3].name, "\"Open");
  ASSERT_EQ(document.tasks.size(), 2U);
}

TEST(ReadCup, RefusesLinesItCannotReadWithTheirLineNumber) {
  const std::string header = "name,code,country,lat,lon,elev,style,rwdir,rwlen,freq,desc\r\n";
  const std::string good = "Good,,,5000.000N,00100.000E,10m,1,,,,\r\n";
  const struct {
    std::string file;
    int line;
    const char* what;
  } cases[] = {
      {header + good + "Bad,,,5160.000N,00100.000E,10m,1,,,,\r\n", 3,
       "bad latitude \"5160.000N\": 60 minutes or more"},
      {header + good + good + "Bad,,,5100.000N,,10m,1,,,,\r\n", 4, "bad longitude \"\": empty"},
      {header + "* comment\n\n" + "Bad,,,5100.000N,00100,000E,10m\n", 4, "bad longitude \"00100\""},
      {header + "Bad,,,5100.000N\n", 2, "4 fields where the header has 11"},
      {header + ",CODE,,5100.000N,00100.000E,10m,1,,,,\n", 2, "a waypoint without a name"},
      {"<?xml version=\"1.0\"?>\n<gpx/>\n", 1, "not a CUP header: it has no lat column"},
      {"name,code,latitude\n", 1, "it has no lon column"},
  };
  for (const auto& c : cases) {
    Diagnostics diagnostics;
    try {
      Read(c.file, diagnostics);
      ADD_FAILURE() << c.what << ": nothing thrown";
    } catch (const FormatError& e) {
      EXPECT_EQ(e.line(), c.line) << c.what;
      EXPECT_NE(std::string(e.what()).find(c.what), std::string::npos) << e.what();
    }
  }
}

TEST(ReadCup, ReadsAnEmptyFileAsNoWaypoints) {
  Diagnostics diagnostics;
  EXPECT_TRUE(Read("", diagnostics).waypoints.empty());
  EXPECT_TRUE(Read("name,code,country,lat,lon\r\n", diagnostics).waypoints.empty());
}

}  // namespace
}  // namespace koordin_cli
