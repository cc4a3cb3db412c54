#include "tools/koordin/koordin_plan.h"

#include <gtest/gtest.h>

#include <clocale>
#include <stdexcept>
#include <string>
#include <vector>

namespace koordin_cli {
namespace {

// Small capacities keep the cases short; the plan takes them from its argument alone.
Capacities Small() {
  Capacities capacities;
  capacities.turnpoints = 3;
  capacities.routes = 2;
  capacities.pointsPerRoute = 4;
  capacities.nameLength = 6;
  capacities.routeNameLength = 7;
  return capacities;
}

Waypoint Point(const std::string& name, std::optional<double> elevation = 100.0) {
  Waypoint waypoint;
  waypoint.name = name;
  waypoint.latitude = 47.5;
  waypoint.longitude = 9.25;
  waypoint.elevation = elevation;
  return waypoint;
}

Document WithPoints(std::vector<std::string> names) {
  Document document;
  for (const std::string& name : names) document.waypoints.push_back(Point(name));
  return document;
}

std::vector<std::string> Warnings(const Document& document, KoordinPlan* plan = nullptr) {
  UseTransliterationLocale();
  Diagnostics diagnostics;
  KoordinPlan made = PlanKoordin(document, Small(), "CP1252", diagnostics);
  if (plan != nullptr) *plan = made;
  return diagnostics.warnings;
}

// A route's planned points as "name/kind".
std::vector<std::string> PointsOf(const PlannedRoute& route) {
  std::vector<std::string> points;
  for (const PlannedPoint& point : route.points) {
    points.push_back(point.name + "/" + std::to_string(point.kind));
  }
  return points;
}

TEST(PlanKoordin, WarnsAboutEveryTurnpointThatDoesNotArriveAsItWas) {
  struct Case {
    const char* what;
    Document document;
    std::vector<std::string> turnpoints;  // the planned names
    std::vector<std::string> warnings;
  };
  Document altitudes = WithPoints({"Low", "High", "Top"});
  altitudes.waypoints[0].elevation = -1000.0;
  altitudes.waypoints[1].elevation = 10058.4;  // 33000 ft
  altitudes.waypoints[2].elevation = 9999.4;
  Document frequency = WithPoints({"Tower"});
  frequency.waypoints[0].frequency = " 122.500 MHz ";
  Document unknownAltitude = WithPoints({"Moor"});
  unknownAltitude.waypoints[0].elevation.reset();
  const Case cases[] = {
      {"fits", WithPoints({"A", "B", "C"}), {"A", "B", "C"}, {}},
      {"over capacity",
       WithPoints({"A", "B", "C", "D", "E"}),
       {"A", "B", "C"},
       {"turnpoint \"D\" dropped: the file holds 3 turnpoints",
        "turnpoint \"E\" dropped: the file holds 3 turnpoints"}},
      {"cut, and equal by the cut",
       WithPoints({"Feldberg", "Feldbergturm", "Feldbe", "Teck"}),
       {"Feldbe", "Feldbe", "Feldbe"},
       {"turnpoint \"Feldberg\": name cut to 6 characters: \"Feldbe\"",
        "turnpoint \"Feldbergturm\": name cut to 6 characters: \"Feldbe\"",
        "turnpoint \"Teck\" dropped: the file holds 3 turnpoints",
        "turnpoints \"Feldberg\", \"Feldbergturm\" and \"Feldbe\" become one name when cut to 6 "
        "characters: \"Feldbe\""}},
      {"cut before a blank, which the file does not keep",
       WithPoints({"Klein Asten"}),
       {"Klein"},
       {"turnpoint \"Klein Asten\": name cut to 6 characters: \"Klein\""}},
      {"characters outside the set",
       WithPoints({"Łódź", "Säntis"}),
       {"L\xF3"
        "dz",
        "S\xE4ntis"},
       {"turnpoint \"Łódź\": characters outside CP1252 written as \"Lódz\""}},
      {"no name", WithPoints({"A", " ", "B"}), {"A", "B"}, {"turnpoint 2 has no name: left out"}},
      {"altitudes",
       altitudes,
       {"Low", "High", "Top"},
       {"turnpoint \"Low\": altitude -1000 m outside -999..9999, written as -999",
        "turnpoint \"High\": altitude 10058 m outside -999..9999, written as 9999"}},
      {"frequency with text after it",
       frequency,
       {"Tower"},
       {"turnpoint \"Tower\": frequency \"122.500 MHz\" written as \"122.500\""}},
      {"unknown altitude", unknownAltitude, {"Moor"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    KoordinPlan plan;
    EXPECT_EQ(Warnings(c.document, &plan), c.warnings);
    std::vector<std::string> names;
    for (const PlannedTurnpoint& turnpoint : plan.turnpoints) names.push_back(turnpoint.name);
    EXPECT_EQ(names, c.turnpoints);
  }
}

TEST(PlanKoordin, KeepsCoordinatesAltitudesAndMarker) {
  Document document = WithPoints({"Top"});
  document.waypoints[0].elevation = 9999.4;
  document.waypoints[0].marked = true;
  document.waypoints[0].frequency = "123.500";
  KoordinPlan plan;
  EXPECT_TRUE(Warnings(document, &plan).empty());
  ASSERT_EQ(plan.turnpoints.size(), 1u);
  EXPECT_EQ(plan.turnpoints[0].altitude, 9999);
  EXPECT_DOUBLE_EQ(plan.turnpoints[0].latitude, 47.5);
  EXPECT_DOUBLE_EQ(plan.turnpoints[0].longitude, 9.25);
  EXPECT_TRUE(plan.turnpoints[0].marked);
  EXPECT_EQ(plan.turnpoints[0].frequency, "123.500");
}

TEST(PlanKoordin, PredictsWhichRoutePointsTheDriverLeavesOut) {
  struct Case {
    const char* what;
    Task task;
    std::vector<std::string> points;  // as planned, "name/kind"
    std::vector<std::string> warnings;
  };
  const Case cases[] = {
      {"short route with a point that is no turnpoint: written",
       Task{"Runde", {"", "X", "B", ""}, {}},
       {"/1", "X/3", "B/1", "/1"},
       {"route \"Runde\": point \"X\" names no turnpoint in the file"}},
      {"long route: its points that are no turnpoints go first",
       Task{"Lang", {"A", "A", "X", "B", "C", "", "A"}, {}},
       {"A/1", "A/1", "X/3", "B/1", "C/1", "/3", "A/1"},
       {"route \"Lang\": point \"X\" left out: it names no turnpoint in the file, and the route "
        "has more than 4 points",
        "route \"Lang\": point \"\" left out: it names no turnpoint in the file, and the route "
        "has more than 4 points"}},
      {"long route: points beyond the slot's lines",
       Task{"Voll", {"", "A", "B", "C", "A", "B", "C", ""}, {}},
       {"/1", "A/1", "B/1", "C/1", "A/1", "B/1", "C/1", "/1"},
       {"route \"Voll\": point \"B\" left out: a route holds 4 points",
        "route \"Voll\": point \"C\" left out: a route holds 4 points"}},
      {"the takeoff and landing are not the route's business",
       Task{"Hin", {"Start", "A", "Ziel"}, {}},
       {"Start/1", "A/1", "Ziel/1"},
       {}},
      {"route name cut",
       Task{"Dreieck Nord", {"", "A", ""}, {}},
       {"/1", "A/1", "/1"},
       {"route \"Dreieck Nord\": name cut to 7 characters: \"Dreieck\""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Document document = WithPoints({"A", "B", "C"});
    document.tasks.push_back(c.task);
    KoordinPlan plan;
    EXPECT_EQ(Warnings(document, &plan), c.warnings);
    ASSERT_EQ(plan.routes.size(), 1u);
    EXPECT_EQ(PointsOf(plan.routes[0]), c.points);
  }
}

TEST(PlanKoordin, NamesUnnamedRoutesAndDropsThoseOverCapacity) {
  Document document = WithPoints({"A"});
  document.tasks = {Task{"", {"", "A", ""}, {}}, Task{"Zwei", {}, {}}, Task{"Drei", {}, {}}};
  KoordinPlan plan;
  EXPECT_EQ(Warnings(document, &plan),
            (std::vector<std::string>{"task 1 has no name: written as \"Task 1\"",
                                      "route \"Drei\" dropped: the file holds 2 routes"}));
  ASSERT_EQ(plan.routes.size(), 2u);
  EXPECT_EQ(plan.routes[0].name, "Task 1");
  EXPECT_EQ(plan.routes[1].name, "Zwei");
}

TEST(PlanKoordin, RoutePointsMatchTheCutTurnpointNames) {
  Document document = WithPoints({"Feldberg"});
  document.tasks = {Task{"R", {"", "Feldberg", ""}, {}}};
  KoordinPlan plan;
  Warnings(document, &plan);
  ASSERT_EQ(plan.routes.size(), 1u);
  EXPECT_EQ(PointsOf(plan.routes[0])[1], "Feldbe/1");
}

TEST(CheckKoordinCharset, TakesSingleByteSetsOnly) {
  EXPECT_NO_THROW(CheckKoordinCharset("CP1252"));
  EXPECT_NO_THROW(CheckKoordinCharset("CP850"));
  EXPECT_NO_THROW(CheckKoordinCharset("ISO-8859-15"));
  EXPECT_THROW(CheckKoordinCharset("UTF-8"), std::invalid_argument);
  EXPECT_THROW(CheckKoordinCharset("UTF-16"), std::invalid_argument);
  EXPECT_THROW(CheckKoordinCharset("NO-SUCH-SET"), std::invalid_argument);
}

}  // namespace
}  // namespace koordin_cli
