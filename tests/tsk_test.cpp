// XCSoar task files as XCSoar writes them, and koordin's own, read by another XML parser as XCSoar
// reads them.

#include "tools/koordin/formats/formats.h"

#include "tests/document_testing.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <string>
#include <utility>
#include <vector>

namespace koordin_cli {
namespace {

const FileFormat& kTsk = Format("tsk");

// A point of a task file: its type, waypoint and zone.
std::string Point(const std::string& type, const std::string& name, const std::string& place,
                  const std::string& zone = "<ObservationZone type=\"Cylinder\" radius=\"500\"/>") {
  return "  <Point type=\"" + type + "\">\n    <Waypoint name=\"" + name +
         "\" id=\"7\" comment=\"\" altitude=\"500\">\n      <Location " + place +
         "/>\n    </Waypoint>\n    " + zone + "\n  </Point>\n";
}

constexpr const char* kHere = "latitude=\"48.5\" longitude=\"9.25\"";

TEST(ReadTsk, ReadsTheTaskAndItsWaypointsAndWarnsAboutZonesAndRules) {
  const std::string xcsoar =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<Task type=\"AAT\" aat_min_time=\"10800\" start_max_speed=\"0\" fai_finish=\"0\">\n"  // 2
      "  <Point type=\"Start\">\n"
      "    <Waypoint altitude=\"353.0\" comment=\"Gel&#228;nde &amp; Halle\" id=\"1\" "
      "name=\"Hahnweide\">\n"  // 4
      "      <Location latitude=\"48.63\" longitude=\"9.43\"/>\n"
      "    </Waypoint>\n"
      "    <ObservationZone length=\"2000.0\" type=\"Line\"/>\n"  // 7
      "  </Point>\n"
      "  <Point type=\"Area\">\n"  // 9
      "    <Waypoint altitude=\"1400F\" comment=\"\" id=\"2\" name=\"Aalen\">\n"
      "      <Location latitude=\"48.778\" longitude=\"10.264\"/>\n"
      "    </Waypoint>\n"
      "    <ObservationZone radius=\"20000.0\" type=\"Cylinder\"/>\n"
      "  </Point>\n"
      "  <Point score_exit=\"1\" type=\"Turn\">\n"  // 15
      "    <Waypoint comment=\"\" id=\"3\" name=\"Giengen\">\n"
      "      <Location latitude=\"-48.62\" longitude=\"-10.22\"/>\n"
      "    </Waypoint>\n"
      "    <ObservationZone type=\"FAISector\"/>\n"
      "  </Point>\n"
      "  <Point type=\"Finish\">\n"  // 21
      "    <Waypoint altitude=\"353.0\" comment=\"\" id=\"1\" name=\"Hahnweide\">\n"
      "      <Location latitude=\"48.63\" longitude=\"9.43\"/>\n"
      "    </Waypoint>\n"
      "    <ObservationZone radius=\"3000.0\" type=\"Cylinder\"/>\n"
      "  </Point>\n"
      "  <Point type=\"OptionalStart\">\n"  // 27
      "    <Waypoint altitude=\"300\" comment=\"\" id=\"4\" name=\"Kirchheim\">\n"
      "      <Location latitude=\"48.64\" longitude=\"9.45\"/>\n"
      "    </Waypoint>\n"
      "  </Point>\n"
      "</Task>\n";
  const std::string read =
      "Hahnweide|||48.630000 9.430000 353.000000|0|  ||Gelände & Halle|||0 0\n"
      "Aalen|||48.778000 10.264000 nan|0|  |||||0 0\n"
      "Giengen|||-48.620000 -10.220000 nan|0|  |||||0 0\n"
      "task Hahnweide - Aalen - Giengen - Hahnweide||Hahnweide|Aalen|Giengen|Hahnweide|\n"
      "! line 10: bad altitude \"1400F\"; read as unknown\n"
      "! line 27: alternative start \"Kirchheim\": koordin's tasks have one start; not read\n"
      "! line 2: task \"Hahnweide - Aalen - Giengen - Hahnweide\": its rules are not read: type "
      "\"AAT\", aat_min_time, start_max_speed and fai_finish\n"
      "! line 7: task \"Hahnweide - Aalen - Giengen - Hahnweide\": its 4 observation zones, "
      "such as \"Line\", are not read\n"
      "! line 15: 1 attributes are not read, such as score_exit of <Point>\n";
  EXPECT_EQ(ReadAs(kTsk, xcsoar), read);
  for (unsigned seed = 1; seed <= 3; ++seed) EXPECT_EQ(ReadInPieces(kTsk, xcsoar, seed), read);
}

TEST(ReadTsk, SkipsThePointsItCannotReadNamingTheirLines) {
  const std::string in = "<Task type=\"RT\" name=\"Runde\">\n" +                  // 1
                         Point("Start", "A", kHere) +                             // 2
                         Point("Turn", "", kHere) +                               // 8
                         Point("Turn", "B", "latitude=\"4x\" longitude=\"9\"") +  // 14
                         Point("Turn", "C", "latitude=\"91\" longitude=\"9\"") +  // 20
                         Point("Turn", "D", "latitude=\"48\"") +                  // 26
                         Point("Turning", "E", kHere) +                           // 32
                         "  <Point>\n    <Waypoint name=\"F\"><Location " + kHere +
                         "/></Waypoint>\n  </Point>\n" +
                         "  <Point type=\"Turn\"><Foo/></Point>\n"                    // 41
                         "  <Point type=\"Turn\"><Waypoint name=\"G\"/></Point>\n" +  // 42
                         Point("Finish", "A", "latitude=\"48.6\" longitude=\"9.25\"") +
                         "</Task>\n";  // 43
  EXPECT_EQ(ReadAs(kTsk, in),
            "A|||48.500000 9.250000 500.000000|0|  |||||0 0\n"
            "task Runde||A|A|\n"
            "! line 8: a waypoint without a name: point skipped\n"
            "! line 14: bad latitude \"4x\": point skipped\n"
            "! line 20: bad latitude 91: beyond 90 degrees: point skipped\n"
            "! line 26: bad longitude \"\": point skipped\n"
            "! line 32: a point of unknown type \"Turning\": point skipped\n"
            "! line 38: a point without a type: point skipped\n"
            "! line 41: a point without a <Waypoint>: point skipped\n"
            "! line 42: a waypoint without a <Location>: point skipped\n"
            "! line 44: waypoint \"A\" lies elsewhere than the one of that name on line 3, whose "
            "position is kept\n"
            "! line 6: task \"Runde\": its 7 observation zones, such as \"Cylinder\", are not "
            "read\n"
            "! line 41: 1 elements are not read, such as <Foo>\n");
}

TEST(ReadTsk, RefusesAFileThatIsNoTaskFileAndReadsNoTaskOfNoPoints) {
  const std::pair<const char*, const char*> cases[] = {
      {"<?xml version=\"1.0\"?>\n<gpx/>\n",
       "line 2: not an XCSoar task file: its root element is <gpx>"},
      {"<Task>\n  <Point type=\"Start\">\n</Task>\n",
       "line 3: not well-formed XML: Start-end tags mismatch"},
      {"<Task type=\"RT\" name=\"Leer\"/>", "! line 1: task \"Leer\" has no points: not read\n"},
  };
  for (const auto& [in, read] : cases) EXPECT_EQ(ReadAs(kTsk, in), read) << in;
}

// The sample's task with its waypoints, as koordin writes it.
constexpr const char* kSampleTask =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Task type=\"RT\" name=\"Dreieck, 300 km\">\n"
    "  <Point type=\"Start\">\n"
    "    <Waypoint name=\"Aachen Merzbrück\" id=\"1\" comment=\"Platz, &quot;EDKA&quot;&#10;zweite "
    "Zeile\" altitude=\"189\">\n"
    "      <Location latitude=\"50.823\" longitude=\"6.1866667\"/>\n"
    "    </Waypoint>\n"
    "  </Point>\n"
    "  <Point type=\"Finish\">\n"
    "    <Waypoint name=\"Gipfel &quot;Süd&quot;, Öhr\" id=\"2\" comment=\"\">\n"
    "      <Location latitude=\"-45.5\" longitude=\"-179.9999\"/>\n"
    "    </Waypoint>\n"
    "  </Point>\n"
    "</Task>\n";

// What XCSoar reads of a task file: each point's type, name, comment, altitude and place.
std::vector<std::string> AsXcsoarReadsIt(const std::string& written) {
  pugi::xml_document tree;
  EXPECT_TRUE(tree.load_string(written.c_str()));
  std::vector<std::string> points;
  for (const pugi::xml_node point : tree.child("Task").children("Point")) {
    const pugi::xml_node waypoint = point.child("Waypoint");
    const pugi::xml_node location = waypoint.child("Location");
    points.push_back(
        std::string(point.attribute("type").value()) + " " + waypoint.attribute("name").value() +
        " | " + waypoint.attribute("comment").value() + " | " +
        waypoint.attribute("altitude").value() + " | " + location.attribute("latitude").value() +
        " " + location.attribute("longitude").value());
  }
  return points;
}

TEST(WriteTsk, WritesTheTaskWithItsWaypointsAndWarnsAboutTheRest) {
  Diagnostics warnings;
  EXPECT_EQ(WriteDocument(kTsk, SampleDocument(), warnings), kSampleTask);
  // Another XML parser reads the escapes as they were meant.
  EXPECT_EQ(AsXcsoarReadsIt(kSampleTask),
            (std::vector<std::string>{
                "Start Aachen Merzbrück | Platz, \"EDKA\"\nzweite Zeile | 189 | 50.823 6.1866667",
                "Finish Gipfel \"Süd\", Öhr |  |  | -45.5 -179.9999",
            }));
  std::vector<std::string> expected = {
      "An XCSoar task file has no place for the 2 CUP option and "
      "zone lines of task \"Dreieck, 300 km\": left out"};
  for (const char* field :
       {"code", "country", "style", "runway", "frequency", "user data", "pictures", "marker"}) {
    expected.push_back(std::string("An XCSoar task file has no place for the ") + field + " of " +
                       (field == std::string("style") ? "2" : "1") + " waypoints: left out");
  }
  EXPECT_EQ(warnings.warnings(), expected);
}

// A waypoint of `name` at `latitude`, 9 degrees east.
Waypoint At(const std::string& name, double latitude) {
  Waypoint waypoint;
  waypoint.name = name;
  waypoint.latitude = latitude;
  waypoint.longitude = 9.0;
  return waypoint;
}

TEST(WriteTsk, WritesTheFirstTaskAndTellsWhatItLeavesOut) {
  const Document document{
      {At("Home", 48.0), At("Turn <1> & more", 48.5), At("Unused", 49.0), At("Home", 47.0),
       At("Tab\there\x01", 49.5)},
      {{"Erste",
        {"Takeoff", "Home", "Turn <1> & more", "Nowhere", "Tab\there\x01", "Home", ""},
        {}},
       {"Zweite", {"", "Home", "Unused", ""}, {}},
       {"Dritte", {}, {}}}};
  Diagnostics warnings;
  const std::string written = WriteDocument(kTsk, document, warnings);
  EXPECT_EQ(AsXcsoarReadsIt(written), (std::vector<std::string>{
                                          "Start Home |  |  | 48 9",
                                          "Turn Turn <1> & more |  |  | 48.5 9",
                                          "Turn Tab\there |  |  | 49.5 9",
                                          "Finish Home |  |  | 48 9",
                                      }));
  EXPECT_EQ(
      warnings.warnings(),
      (std::vector<std::string>{
          "An XCSoar task file holds one task: \"Erste\" is written, the 2 others are left "
          "out",
          "An XCSoar task file has no takeoff and landing apart from the start and finish: "
          "those of task \"Erste\" are left out",
          "An XCSoar task file has no place for the control characters of \"Tab\\there\\x01\": "
          "written as \"Tab\\there\"",
          "An XCSoar task file holds the waypoints of its task: 2 waypoints that it does not "
          "fly left out",
          "task \"Erste\": point \"Nowhere\" is no waypoint and is left out",
      }));
  Diagnostics reading;
  EXPECT_EQ(Describe(ReadDocument(kTsk, written, reading)),
            "Home|||48.000000 9.000000 nan|0|  |||||0 0\n"
            "Turn <1> & more|||48.500000 9.000000 nan|0|  |||||0 0\n"
            "Tab\there|||49.500000 9.000000 nan|0|  |||||0 0\n"
            "task Erste||Home|Turn <1> & more|Tab\there|Home|\n");
}

TEST(WriteTsk, WritesAnEmptyTaskOfADocumentWithoutOne) {
  Diagnostics warnings;
  EXPECT_EQ(WriteDocument(kTsk, {{At("Alone", 48.0)}, {}}, warnings),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Task type=\"RT\"/>\n");
  EXPECT_EQ(warnings.warnings(), std::vector<std::string>{"An XCSoar task file holds the waypoints "
                                                          "of its task: 1 waypoints that it does "
                                                          "not fly left out"});
  Diagnostics single;
  EXPECT_EQ(AsXcsoarReadsIt(WriteDocument(
                kTsk, {{At("Alone", 48.0)}, {{"Kurz", {"", "Alone", ""}, {}}}}, single)),
            std::vector<std::string>{"Start Alone |  |  | 48 9"});
  EXPECT_EQ(single.warnings(), std::vector<std::string>{"task \"Kurz\" has one point to fly: "
                                                        "written as its start, without a finish"});
}

}  // namespace
}  // namespace koordin_cli
