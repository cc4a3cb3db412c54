#include "tools/koordin/formats/formats.h"

#include "tests/document_testing.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace koordin_cli {
namespace {

TEST(Gpx, RoundTripsWaypointsAndRoutesWithUmlauts) {
  Document document = SampleDocument();
  document.tasks[0].points.push_back("Nowhere");
  Diagnostics diagnostics;
  const std::string written = WriteGpx(document, diagnostics);
  EXPECT_EQ(Describe({}, diagnostics.warnings),
            "! route \"Dreieck, 300 km\": point \"Nowhere\" is no waypoint and is left out\n");
  for (const char* part : {"<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"", "version=\"1.1\"",
                           "<rtept lat=\"-45.5\" lon=\"-179.9999\">"}) {
    EXPECT_NE(written.find(part), std::string::npos) << part << " in\n" << written;
  }
  document.tasks[0].points.pop_back();
  document.waypoints[0].slot = 0;
  EXPECT_EQ(ReadAs(ReadGpx, written), Describe(document));
}

// A GPX file is XML, which has no place for most control characters: they are left out, with a
// warning, and the file stays well-formed.
TEST(Gpx, LeavesOutTheControlCharactersXmlHasNoPlaceFor) {
  Document document;
  document.waypoints.emplace_back();
  document.waypoints[0].name = "E\x1b[2J";
  document.waypoints[0].description = "two\nlines";
  document.tasks.push_back({"T\x07", {"", "E\x1b[2J", ""}, {}});
  Diagnostics diagnostics;
  const std::string written = WriteGpx(document, diagnostics);
  EXPECT_EQ(Describe({}, diagnostics.warnings),
            "! GPX has no place for the control characters of \"E\\x1b[2J\": written as "
            "\"E[2J\"\n! GPX has no place for the control characters of \"T\\x07\": written "
            "as \"T\"\n! GPX has no place for the control characters of \"E\\x1b[2J\": written "
            "as \"E[2J\"\n");
  EXPECT_EQ(ReadAs(ReadGpx, written),
            "E[2J|||0.000000 0.000000 nan|0|  ||two\nlines|||0 0\ntask T||E[2J|\n");
}

// A task's takeoff and landing come back as such, and so does their absence.
TEST(Gpx, KeepsTheTakeoffAndLandingOfTasks) {
  const std::vector<std::vector<std::string>> tasks = {
      {"", "A", "B", ""}, {"A", "B", "C", "A"}, {"A", "B", ""}, {"", "B", "C"}, {"", "B", ""}};
  for (const std::vector<std::string>& points : tasks) {
    Document document;
    for (const char* name : {"A", "B", "C"}) {
      document.waypoints.emplace_back();
      document.waypoints.back().name = name;
    }
    document.tasks.push_back({"T", points, {}});
    Diagnostics diagnostics;
    EXPECT_EQ(ReadAs(ReadGpx, WriteGpx(document, diagnostics)), Describe(document));
  }
}

TEST(Gpx, ReadsWhatOtherProgramsWriteAndRefusesWhatItCannotReadWithTheLine) {
  const std::string head =
      "<?xml version=\"1.0\"?>\n<gpx xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
  const std::pair<std::string, std::string> cases[] = {
      {"<?xml version=\"1.0\"?>\n<g:gpx xmlns:g=\"http://www.topografix.com/GPX/1/1\">\n"
       "<g:wpt lat=\"51.5\" lon=\"-0.25\"><g:ele>12.5</g:ele><g:name>Köln</g:name>\n"
       "<g:cmt>Flugplatz</g:cmt><g:sym>Airport</g:sym><g:time>2024</g:time></g:wpt>\n"
       "<g:wpt lat=\"47\" lon=\"10\"/>\n<g:rte><g:name>Runde</g:name>\n"
       "<g:rtept lat=\"51.5\" lon=\"-0.25\"><g:name>Köln</g:name></g:rtept>\n"
       "<g:rtept lat=\"52\" lon=\"13\"><g:name>Neu</g:name></g:rtept></g:rte><g:trk/></g:gpx>\n",
       "Köln|||51.500000 -0.250000 12.500000|5|  ||Flugplatz|||0 0\n"
       "Waypoint 2|||47.000000 10.000000 nan|0|  |||||0 0\n"
       "Neu|||52.000000 13.000000 nan|0|  |||||0 0\ntask Runde||Köln|Neu|\n"
       "! line 5: a waypoint without a name, named \"Waypoint 2\"\n! 1 tracks (trk) are not read\n"
       "! 1 point elements <time> are not read, such as the one on line 4\n"},
      {head + "<wpt lat=\"1\" lon=\"2\"><name>A</name></wpt>\n<wpt lat=\"x\" lon=\"2\"/>\n</gpx>",
       "line 4: bad latitude \"x\""},
      {head + "<wpt lat=\"1\" lon=\"2\">\n<name>A</nam>\n</wpt></gpx>",
       "line 4: not well-formed XML: Start-end tags mismatch"},
      {"<?xml version=\"1.0\"?>\n\n<kml/>\n", "line 3: not a GPX file: its root element is <kml>"},
  };
  for (const auto& [file, read] : cases) EXPECT_EQ(ReadAs(ReadGpx, file), read) << file;
}

}  // namespace
}  // namespace koordin_cli
