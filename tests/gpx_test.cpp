#include "tools/koordin/formats/formats.h"

#include "tests/document_testing.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace koordin_cli {
namespace {

// Random documents, written element by element, are the XML that pugixml writes of the same tree:
// every escape, indent and empty element as a document tree is saved.
TEST(Gpx, WrittenAsPugixmlSavesTheSameTree) {
  std::mt19937 random(13);
  const auto text = [&] {  // never empty: pugixml reads <a></a> as <a />
    static const char* const kPieces[] = {"a",  "Z",  " ",  "&",    "<",        ">",   "\"",   "'",
                                          "\t", "\n", "\r", "\x01", "\xc3\xa9", "]]>", "&amp;"};
    std::string made = "x";
    for (std::size_t n = random() % 5; n > 0; --n)
      made.insert(random() % made.size(), kPieces[random() % 15]);
    return made;
  };
  for (int round = 0; round < 200; ++round) {
    Document document;
    for (std::size_t n = random() % 6; n > 0; --n) {
      Waypoint waypoint;
      waypoint.name = text();
      waypoint.latitude = std::uniform_real_distribution<double>(-90, 90)(random);
      waypoint.longitude = std::uniform_real_distribution<double>(-180, 180)(random);
      if (random() % 2) waypoint.elevation = static_cast<double>(random() % 30000) / 7;
      waypoint.style = static_cast<int>(random() % 22);
      for (std::string* field :
           {&waypoint.code, &waypoint.description, &waypoint.frequency, &waypoint.pictures}) {
        if (random() % 2) *field = text();
      }
      waypoint.marked = random() % 2;
      document.waypoints.push_back(waypoint);
    }
    for (std::size_t n = random() % 3; n > 0; --n) {
      Task task;
      if (random() % 2) task.name = text();
      for (std::size_t p = random() % 5; p > 0; --p) {  // a waypoint's name, empty or unknown
        const std::size_t pick = random() % (document.waypoints.size() + 2);
        task.points.push_back(pick < document.waypoints.size()    ? document.waypoints[pick].name
                              : pick == document.waypoints.size() ? std::string()
                                                                  : text());
      }
      if (random() % 2) task.cupOptions.push_back(text());
      document.tasks.push_back(task);
    }
    Diagnostics diagnostics;
    const std::string written = WriteGpx(document, diagnostics);
    pugi::xml_document tree;
    ASSERT_TRUE(tree.load_string(written.c_str(), (pugi::parse_default | pugi::parse_declaration |
                                                   pugi::parse_ws_pcdata_single) &
                                                      ~pugi::parse_eol));
    std::ostringstream saved;
    tree.save(saved, "  ", pugi::format_default, pugi::encoding_utf8);
    ASSERT_EQ(written, saved.str());
  }
}

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
