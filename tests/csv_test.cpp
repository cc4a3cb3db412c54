#include "tools/koordin/formats/formats.h"

#include "tests/document_testing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace koordin_cli {
namespace {

const char kHeader[] =
    "name,code,country,latitude,longitude,elevation_m,style,frequency,description,marked\r\n";

TEST(WriteCsv, WritesSignedDegreesWithRfc4180QuotingAndTheTasksTable) {
  Document document;
  Waypoint waypoint;
  waypoint.name = "Berg, \"Süd\"";
  waypoint.code = "BS";
  waypoint.latitude = -45.5;
  waypoint.longitude = 7.123456789;
  waypoint.elevation = 170 * 0.3048;
  waypoint.style = 7;
  waypoint.frequency = "122.500";
  waypoint.description = "zwei\nZeilen";
  waypoint.marked = true;
  document.waypoints.push_back(waypoint);
  waypoint = Waypoint{};
  waypoint.name = " Feld";
  document.waypoints.push_back(waypoint);
  document.tasks.push_back(Task{"Runde", {"", "Berg, \"Süd\"", " Feld", ""}, {}});
  Diagnostics diagnostics;
  EXPECT_EQ(WriteCsv(document, diagnostics),
            std::string(kHeader) +
                "\"Berg, \"\"Süd\"\"\",BS,,-45.5,7.1234568,51.816,7,122.500,\"zwei\nZeilen\",1\r\n"
                "\" Feld\",,,0,0,,0,,,0\r\n"
                "\r\n"
                "task,points\r\n"
                "Runde,,\"Berg, \"\"Süd\"\"\",\" Feld\",\r\n");
  EXPECT_TRUE(diagnostics.warnings.empty());
}

TEST(WriteCsv, RoundTripsAndWarnsAboutWhatCsvCannotHold) {
  const Document document = SampleDocument();
  Diagnostics diagnostics;
  const std::string written = WriteCsv(document, diagnostics);
  EXPECT_EQ(
      diagnostics.warnings,
      (std::vector<std::string>{
          "CSV has no runway columns: the runway of 1 waypoints is left out",
          "CSV has no userdata and pics columns: they are left out for 1 waypoints",
          "task \"Dreieck · 300 km\": CSV has no place for its 2 CUP option and zone lines"}));
  Diagnostics reading;
  const Document read = ReadCsv(written, reading);
  EXPECT_TRUE(reading.warnings.empty());
  ASSERT_EQ(read.waypoints.size(), document.waypoints.size());
  for (std::size_t i = 0; i < read.waypoints.size(); ++i) {
    Waypoint expected = document.waypoints[i];
    expected.runwayDirection = expected.runwayLength = expected.runwayWidth = "";
    expected.userData = expected.pictures = "";
    ExpectSameWaypoint(expected, read.waypoints[i], kSameDegrees, false);
  }
  ASSERT_EQ(read.tasks.size(), document.tasks.size());
  for (std::size_t i = 0; i < read.tasks.size(); ++i) {
    EXPECT_EQ(read.tasks[i].name, document.tasks[i].name);
    EXPECT_EQ(read.tasks[i].points, document.tasks[i].points);  // empty takeoff and landing too
  }
  Diagnostics again;
  EXPECT_EQ(WriteCsv(read, again), written);
}

TEST(ReadCsv, ReadsColumnsByNameInAnyOrder) {
  const std::string file =
      "\xEF\xBB\xBF"
      "Latitude,Name,Longitude,Notes,Marked,Elevation_m\n"
      "48.5,\"Zeile\n"
      "über zwei\",-9.25,x,yes,\n"
      "\n"
      "49,B,10,,0,-3.5\n";
  Diagnostics diagnostics;
  const Document document = ReadCsv(file, diagnostics);
  EXPECT_EQ(diagnostics.warnings,
            (std::vector<std::string>{"line 1: column \"Notes\" is not read"}));
  ASSERT_EQ(document.waypoints.size(), 2U);
  EXPECT_EQ(document.waypoints[0].name, "Zeile\nüber zwei");
  EXPECT_EQ(document.waypoints[0].longitude, -9.25);
  EXPECT_TRUE(document.waypoints[0].marked);
  EXPECT_FALSE(document.waypoints[0].elevation.has_value());
  EXPECT_EQ(*document.waypoints[1].elevation, -3.5);
  EXPECT_TRUE(document.tasks.empty());
}

TEST(ReadCsv, ReadsWindows1252FromSpreadsheets) {
  Diagnostics diagnostics;
  const Document document = ReadCsv("name,latitude,longitude\r\nM\xFCnster,52,7\r\n", diagnostics);
  ASSERT_EQ(document.waypoints.size(), 1U);
  EXPECT_EQ(document.waypoints[0].name, "Münster");
}

TEST(ReadCsv, WarnsAboutTaskPointsThatAreNoWaypoints) {
  Diagnostics diagnostics;
  const Document document =
      ReadCsv("name,latitude,longitude\nA,1,2\n\ntask,points\nT,,A,Nowhere,\n", diagnostics);
  EXPECT_EQ(
      diagnostics.warnings,
      (std::vector<std::string>{"line 5: task \"T\" names \"Nowhere\", which is no waypoint"}));
  ASSERT_EQ(document.tasks.size(), 1U);
  EXPECT_EQ(document.tasks[0].points, (std::vector<std::string>{"", "A", "Nowhere", ""}));
}

TEST(ReadCsv, RefusesWhatItCannotReadWithTheLine) {
  const std::string head = kHeader;
  const std::string twoLines = "A,,,1,2,,,,\"first\nsecond\",0\r\n";  // lines 2 and 3
  const struct {
    std::string file;
    int line;
    const char* what;
  } cases[] = {
      {head + twoLines + "B,,,north,2,,,,,0\r\n", 4, "bad latitude \"north\""},
      {head + twoLines + "B,,,1,,,,,,0\r\n", 4, "bad longitude \"\""},
      {head + twoLines + "B,,,1,2,12O,,,,0\r\n", 4, "bad elevation \"12O\""},
      {head + "B,,,1,2,,1.5,,,0\r\n", 2, "bad style \"1.5\""},
      {head + "B,,,1,2,,,,,maybe\r\n", 2, "bad marked \"maybe\""},
      {head + "B,,,91,2,,,,,0\r\n", 2, "bad latitude 91: beyond 90 degrees"},
      {head + ",,,1,2,,,,,0\r\n", 2, "a waypoint without a name"},
      {head + "B,,,1,2,,,,,0,extra\r\n", 2, "11 fields where the header has 10"},
      {head + twoLines + "\"B,,,1,2\r\n\r\n", 4, "a quote that is never closed"},
      {head + "\"B\"x,,,1,2,,,,,0\r\n", 2, "text after the closing quote"},
      {"name,lat,lon\r\n", 1, "the header has no latitude column"},
  };
  for (const auto& c : cases) {
    Diagnostics diagnostics;
    try {
      ReadCsv(c.file, diagnostics);
      ADD_FAILURE() << c.what << ": nothing thrown";
    } catch (const FormatError& e) {
      EXPECT_EQ(e.line(), c.line) << c.what;
      EXPECT_NE(std::string(e.what()).find(c.what), std::string::npos) << e.what();
    }
  }
}

TEST(ReadCsv, ReadsAnEmptyFileAsAnEmptyDocument) {
  Diagnostics diagnostics;
  const Document document = ReadCsv("", diagnostics);
  EXPECT_TRUE(document.waypoints.empty() && document.tasks.empty());
}

}  // namespace
}  // namespace koordin_cli
