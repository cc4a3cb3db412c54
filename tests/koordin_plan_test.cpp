#include "tools/koordin/instrument/koordin_plan.h"

#include "tests/choosing_testing.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace koordin_cli {
namespace {

// A waypoint at 100 m, unless `elevation` says otherwise.
Waypoint P(const std::string& name, std::optional<double> elevation = 100.0,
           const std::string& frequency = "", bool marked = false) {
  Waypoint point;
  std::tie(point.name, point.elevation, point.frequency, point.marked) =
      std::tie(name, elevation, frequency, marked);
  return point;
}

// A planned turnpoint as the file holds it; a route point as name and kind.
struct Turnpoint {
  std::string name;
  int altitude;
  std::string frequency;
  bool marked;
  bool operator==(const Turnpoint& o) const {
    return std::tie(name, altitude, frequency, marked) ==
           std::tie(o.name, o.altitude, o.frequency, o.marked);
  }
};
using Point = std::pair<std::string, int>;
struct Route {
  std::string name;
  std::vector<Point> points;
  bool operator==(const Route& o) const { return name == o.name && points == o.points; }
};

std::ostream& operator<<(std::ostream& out, const Turnpoint& t) {
  return out << t.name << "/" << t.altitude << "/" << t.frequency << (t.marked ? "*" : "");
}
std::ostream& operator<<(std::ostream& out, const Route& r) {
  out << r.name << ":";
  for (const auto& [name, kind] : r.points) out << " " << name << "/" << kind;
  return out;
}

std::vector<Turnpoint> Turnpoints(const KoordinPlan& plan) {
  std::vector<Turnpoint> turnpoints;
  for (const PlannedTurnpoint& t : plan.turnpoints)
    turnpoints.push_back({t.name, t.altitude, t.frequency, t.marked});
  return turnpoints;
}

std::vector<Route> Routes(const KoordinPlan& plan) {
  std::vector<Route> routes;
  for (const PlannedRoute& route : plan.routes) {
    routes.push_back({route.name, {}});
    for (const PlannedPoint& p : route.points) routes.back().points.emplace_back(p.name, p.kind);
  }
  return routes;
}

// The plan of `document` as koordin makes it: what fits chosen first, then planned.
KoordinPlan Plan(const Document& document, const Capacities& capacities, Diagnostics& diagnostics) {
  return PlanKoordin(ChooseIn(document, {}, capacities, diagnostics).chosen, capacities, "CP1252",
                     diagnostics);
}

TEST(PlanKoordin, DecidesWhatFitsAndWarnsAboutEverythingThatDoesNotArriveAsItWas) {
  // Turnpoints, routes, points per route, name and route name lengths: small, to keep cases short.
  // Each warning is told by a part of it.
  const Capacities small{6, 5, 4, 6, 7};
  struct Case {
    Document document;
    std::vector<Turnpoint> turnpoints;
    std::vector<Route> routes;
    std::vector<std::string> warnings;
  };
  const std::vector<Case> cases = {
      // The file keeps no blank at a name's end, and no unknown altitude.
      {{{P("Feldberg"), P("Feldbergturm"), P("Feldbe"), P("Klein Asten"), P("Łódź"),
         P("Säntis", std::nullopt), P("Teck")},
        {Task{"R", {"", "Feldbergturm", ""}, {}}}},
       {{"Feldbe", 100, "", false},
        {"Feldbe", 100, "", false},
        {"Feldbe", 100, "", false},
        {"Klein", 100, "", false},
        {"L\xF3\x64z", 100, "", false},
        {"S\xE4ntis", 0, "", false}},
       {{"R", {{"", 1}, {"Feldbe", 1}, {"", 1}}}},
       {"\"Teck\" dropped: the file holds 6", "\"Feldberg\": name cut to 6 characters: \"Feldbe\"",
        "\"Feldbergturm\": name cut", "\"Klein Asten\": name cut to 6 characters: \"Klein\"",
        "\"Łódź\": characters outside",
        "\"Feldberg\", \"Feldbergturm\" and \"Feldbe\" become one name"}},
      // Altitudes beyond any integer get the nearer limit; a frequency gets the one form.
      {{{P("A", -1000.0, "122,47"), P(" "), P("B", 1e20, " 122.500 MHz ", true),
         P("C", 9999.4, "Airfield")},
        {}},
       {{"A", -999, "122.475", false}, {"B", 9999, "122.500", true}, {"C", 9999, "", false}},
       {},
       {"turnpoint 2 has no name", "\"A\": altitude -1000 m", "\"B\": altitude 1e+20 m",
        "\"C\": frequency \"Airfield\" is no airband frequency: not written"}},
      // A long route loses its points that are no turnpoints first, then those beyond the slot's
      // lines; a short one keeps them. The first and last points are not the file's. Route names
      // that the cut makes one are numbered apart.
      {{{P("A"), P("B"), P("C")},
        {Task{"Runde", {"Start", "X", "B", "Ziel"}, {}},
         Task{"Lang", {"A", "A", "X", "B", "C", "", "A"}, {}},
         Task{"Dreieck 1", {"", "A", "B", "C", "A", "B", ""}, {}}, Task{"Dreieck 2", {}, {}},
         Task{"", {"", "A", ""}, {}}, Task{"Drei", {}, {}}}},
       {{"A", 100, "", false}, {"B", 100, "", false}, {"C", 100, "", false}},
       {{"Runde", {{"Start", 1}, {"X", 3}, {"B", 1}, {"Ziel", 1}}},
        {"Lang", {{"A", 1}, {"A", 1}, {"X", 3}, {"B", 1}, {"C", 1}, {"", 3}, {"A", 1}}},
        {"Dreieck", {{"", 1}, {"A", 1}, {"B", 1}, {"C", 1}, {"A", 1}, {"B", 1}, {"", 1}}},
        {"Dreie 2", {}},
        {"Task 5", {{"", 1}, {"A", 1}, {"", 1}}}},
       {"\"Drei\" dropped: the file holds 5", "\"Runde\": point \"X\" names no turnpoint",
        "\"X\" left out: it names no", "\"\" left out: it names no", "\"Dreieck 1\": name cut to 7",
        "\"B\" left out: a route holds 4 points",
        "\"Dreieck 2\": name cut to 7 characters and numbered, as another's cut name is the "
        "same: \"Dreie 2\"",
        "task 5 has no name: written as \"Task 5\"", "2 tasks lost a takeoff"}},
      // A route point names its turnpoint as the file does, without trailing blanks.
      {{{P("B1"), P("B2"), P("B3"), P("B4"), P("B5"), P("B6"), P("A ")},
        {Task{"R", {"", "A", ""}, {}}}},
       {{"B1", 100, "", false},
        {"B2", 100, "", false},
        {"B3", 100, "", false},
        {"B4", 100, "", false},
        {"B5", 100, "", false},
        {"A", 100, "", false}},
       {{"R", {{"", 1}, {"A", 1}, {"", 1}}}},
       {"\"B6\" dropped: the file holds 6"}},
  };
  for (const auto& [document, turnpoints, routes, warnings] : cases) {
    Diagnostics diagnostics;
    const KoordinPlan plan = Plan(document, small, diagnostics);
    EXPECT_EQ(Turnpoints(plan), turnpoints);
    EXPECT_EQ(Routes(plan), routes);
    ASSERT_EQ(diagnostics.warnings().size(), warnings.size());
    for (std::size_t i = 0; i < warnings.size(); ++i)
      EXPECT_NE(diagnostics.warnings()[i].find(warnings[i]), std::string::npos) << warnings[i];
  }
}

}  // namespace
}  // namespace koordin_cli
