#include "tools/koordin/formats/formats.h"

#include "tests/document_testing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace koordin_cli {
namespace {

TEST(WriteGpx, RoundTripsWaypointsAndRoutesWithUmlauts) {
  const Document document = SampleDocument();
  Diagnostics diagnostics;
  const std::string written = WriteGpx(document, diagnostics);
  ASSERT_EQ(diagnostics.warnings.size(), 1U);  // the CUP options of the first task
  EXPECT_NE(diagnostics.warnings[0].find("2 CUP option and zone lines"), std::string::npos);

  Diagnostics reading;
  const Document read = ReadGpx(written, reading);
  EXPECT_TRUE(reading.warnings.empty()) << reading.warnings.front();
  ASSERT_EQ(read.waypoints.size(), document.waypoints.size());
  for (std::size_t i = 0; i < read.waypoints.size(); ++i) {
    ExpectSameWaypoint(document.waypoints[i], read.waypoints[i], kSameDegrees, false);
  }
  ASSERT_EQ(read.tasks.size(), 2U);
  EXPECT_EQ(read.tasks[0].name, "Dreieck · 300 km");
  EXPECT_EQ(read.tasks[0].points,
            (std::vector<std::string>{"Aachen Merzbrück", "Gipfel \"Süd\"", "Öhringen, Feld"}));
  EXPECT_EQ(read.tasks[1].points, document.tasks[1].points);
  EXPECT_EQ(WriteGpx(read, diagnostics), written);
}

TEST(WriteGpx, WritesNamespacedGpx11WithEachRoutePointAtItsWaypoint) {
  Diagnostics diagnostics;
  const std::string written = WriteGpx(SampleDocument(), diagnostics);
  for (const char* part : {
           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n",
           "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"",
           "version=\"1.1\" creator=\"koordin\"",
           "<wpt lat=\"50.823\" lon=\"6.1866667\">\n    <ele>189</ele>\n"
           "    <name>Aachen Merzbrück</name>\n",
           "<sym>Airport</sym>",
           "<wpt lat=\"-45.5\" lon=\"-179.9999\">",
           "<name>Gipfel \"Süd\"</name>",
           "<rtept lat=\"50.823\" lon=\"6.1866667\">\n      <name>Aachen Merzbrück</name>",
       }) {
    EXPECT_NE(written.find(part), std::string::npos) << part << "\nin\n" << written;
  }
}

TEST(WriteGpx, LeavesOutRoutePointsThatAreNoWaypointsWithAWarning) {
  Document document;
  document.waypoints.push_back(Waypoint{});
  document.waypoints[0].name = "A";
  document.tasks.push_back(Task{"R", {"A", "Nowhere", "A"}, {}});
  Diagnostics diagnostics;
  const Document read = ReadGpx(WriteGpx(document, diagnostics), diagnostics);
  ASSERT_EQ(diagnostics.warnings.size(), 1U);
  EXPECT_EQ(diagnostics.warnings[0],
            "route \"R\": point \"Nowhere\" is no waypoint and is left out");
  EXPECT_EQ(read.tasks[0].points, (std::vector<std::string>{"A", "A"}));
}

TEST(ReadGpx, ReadsWhatOtherProgramsWrite) {
  const std::string file =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"                                     // 1
      "<gpx:gpx xmlns:gpx=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\">\n"      // 2
      "<gpx:metadata><gpx:time>2024-05-01T10:00:00Z</gpx:time></gpx:metadata>\n"         // 3
      "<gpx:wpt lat=\"51.5\" lon=\"-0.25\"><gpx:ele>12.5</gpx:ele>\n"                    // 4
      "  <gpx:name>Köln</gpx:name><gpx:cmt>Flugplatz</gpx:cmt>\n"                        // 5
      "  <gpx:sym>Airport</gpx:sym><gpx:time>2024-05-01T10:00:00Z</gpx:time>\n"          // 6
      "</gpx:wpt>\n"                                                                     // 7
      "<gpx:wpt lat=\"48\" lon=\"11\"><gpx:name>Echo</gpx:name>"                         // 8
      "<gpx:cmt>Echo</gpx:cmt><gpx:desc>Echo</gpx:desc></gpx:wpt>\n"                     // 8
      "<gpx:wpt lat=\"47\" lon=\"10\"/>\n"                                               // 9
      "<gpx:rte><gpx:name>Runde</gpx:name>\n"                                            // 10
      "  <gpx:rtept lat=\"51.5\" lon=\"-0.25\"><gpx:name>Köln</gpx:name></gpx:rtept>\n"  // 11
      "  <gpx:rtept lat=\"52\" lon=\"13\"><gpx:name>Neu</gpx:name>"                      // 12
      "<gpx:ele>34</gpx:ele></gpx:rtept>\n"                                              // 12
      "  <gpx:rtept lat=\"48.5\" lon=\"11\"><gpx:name>Echo</gpx:name></gpx:rtept>\n"     // 13
      "  <gpx:rtept lat=\"1\" lon=\"2\"/>\n"                                             // 14
      "</gpx:rte>\n"                                                                     // 15
      "<gpx:trk><gpx:name>Flug</gpx:name></gpx:trk>\n"                                   // 16
      "</gpx:gpx>\n";
  Diagnostics diagnostics;
  const Document document = ReadGpx(file, diagnostics);
  ASSERT_EQ(document.waypoints.size(), 5U);
  const Waypoint& cologne = document.waypoints[0];
  EXPECT_EQ(cologne.name, "Köln");
  EXPECT_EQ(cologne.latitude, 51.5);
  EXPECT_EQ(cologne.longitude, -0.25);
  EXPECT_EQ(*cologne.elevation, 12.5);
  EXPECT_EQ(cologne.description, "Flugplatz");       // from cmt
  EXPECT_EQ(cologne.style, 5);                       // from sym
  EXPECT_EQ(document.waypoints[1].description, "");  // only repeated the name
  EXPECT_EQ(document.waypoints[2].name, "Waypoint 3");
  // route points that no wpt names become waypoints themselves
  EXPECT_EQ(document.waypoints[3].name, "Neu");
  EXPECT_EQ(*document.waypoints[3].elevation, 34.0);
  EXPECT_EQ(document.waypoints[4].name, "Runde point 4");
  ASSERT_EQ(document.tasks.size(), 1U);
  EXPECT_EQ(document.tasks[0].name, "Runde");
  EXPECT_EQ(document.tasks[0].points,
            (std::vector<std::string>{"Köln", "Neu", "Echo", "Runde point 4"}));
  const std::vector<std::string> expected = {
      "line 9: a waypoint without a name, named \"Waypoint 3\"",
      "line 13: route point \"Echo\" lies elsewhere than the waypoint of that name on line 8, "
      "whose position is kept",
      "line 14: a route point without a name, named \"Runde point 4\"",
      "1 tracks (trk) are not read",
      "1 point elements <time> are not read, such as the one on line 6",
  };
  EXPECT_EQ(diagnostics.warnings, expected);
}

TEST(ReadGpx, RefusesWhatItCannotReadWithTheLine) {
  const std::string head =
      "<?xml version=\"1.0\"?>\n<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
  const struct {
    std::string file;
    int line;
    const char* what;
  } cases[] = {
      {head + "<wpt lat=\"1\" lon=\"2\"><name>A</name></wpt>\n<wpt lat=\"x\" lon=\"2\"/>\n</gpx>",
       4, "bad latitude \"x\""},
      {head + "\n<wpt lat=\"1\"><name>A</name></wpt>\n</gpx>", 4, "bad longitude \"\""},
      {head + "<wpt lat=\"91\" lon=\"2\"/>\n</gpx>", 3, "bad latitude 91: beyond 90 degrees"},
      {head + "<rte><rtept lat=\"1\" lon=\"200\"/></rte>\n</gpx>", 3, "bad longitude 200"},
      {head + "<wpt lat=\"1\" lon=\"2\">\n<name>A</nam>\n</wpt></gpx>", 4, "not well-formed XML"},
      {"<?xml version=\"1.0\"?>\n\n<kml/>\n", 3, "not a GPX file: its root element is <kml>"},
      {"name,lat,lon\n", 1, "not well-formed XML"},
  };
  for (const auto& c : cases) {
    Diagnostics diagnostics;
    try {
      ReadGpx(c.file, diagnostics);
      ADD_FAILURE() << c.what << ": nothing thrown";
    } catch (const FormatError& e) {
      EXPECT_EQ(e.line(), c.line) << c.what;
      EXPECT_NE(std::string(e.what()).find(c.what), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace koordin_cli
