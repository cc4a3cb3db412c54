#include "tools/koordin/instrument/koordin_plan.h"

#include "tests/choosing_testing.h"

#include <gtest/gtest.h>

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

// A planned turnpoint as the file holds it: name, altitude, frequency, marked; a route point as
// name and kind.
using Turnpoint = std::tuple<std::string, int, std::string, bool>;
Turnpoint T(const std::string& name, int altitude = 100, const std::string& frequency = "",
            bool marked = false) {
  return {name, altitude, frequency, marked};
}
using Point = std::pair<std::string, int>;
using Route = std::pair<std::string, std::vector<Point>>;

std::vector<Turnpoint> Turnpoints(const KoordinPlan& plan) {
  std::vector<Turnpoint> turnpoints;
  for (const PlannedTurnpoint& t : plan.turnpoints)
    turnpoints.emplace_back(t.name, t.altitude, t.frequency, t.marked);
  return turnpoints;
}

std::vector<Route> Routes(const KoordinPlan& plan) {
  std::vector<Route> routes;
  for (const PlannedRoute& route : plan.routes) {
    routes.emplace_back(route.name, std::vector<Point>());
    for (const PlannedPoint& p : route.points) routes.back().second.emplace_back(p.name, p.kind);
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
      // The file keeps no blank at a name's end, and no unknown altitude. Names that the cut
      // makes one are numbered apart, but for one that arrives unchanged; the routes follow.
      {{{P("Feldberg"), P("Feldbergturm"), P("Feldbe"), P("Klein Asten"), P("Łódź"),
         P("Säntis", std::nullopt), P("Teck")},
        {Task{"R", {"", "Feldbergturm", ""}, {}}}},
       {T("Feld 2"), T("Feld 3"), T("Feldbe"), T("Klein"), T("L\xF3\x64z"), T("S\xE4ntis", 0)},
       {{"R", {{"", 1}, {"Feld 3", 1}, {"", 1}}}},
       {"\"Teck\" dropped: the file holds 6",
        "\"Feldberg\": numbered \"Feld 2\", as its name in the file, \"Feldbe\", is that of "
        "turnpoint \"Feldbe\"",
        "\"Feldbergturm\": numbered \"Feld 3\"",
        "\"Klein Asten\": name cut to 6 characters: \"Klein\"", "\"Łódź\": characters outside"}},
      // Altitudes beyond any integer get the nearer limit; a frequency gets the one form.
      {{{P("A", -1000.0, "122,47"), P(" "), P("B", 1e20, " 122.500 MHz ", true),
         P("C", 9999.4, "Airfield")},
        {}},
       {T("A", -999, "122.475"), T("B", 9999, "122.500", true), T("C", 9999)},
       {},
       {"turnpoint 2 has no name", "\"A\": altitude -1000 m", "\"B\": altitude 1e+20 m",
        "\"C\": frequency \"Airfield\" is no airband frequency: not written"}},
      // A long route loses its points that are no turnpoints first, then those beyond the slot's
      // lines, and the driver is given only those it writes; a short one keeps them. The first and
      // last points are not the file's. Route names that the cut makes one are numbered apart.
      {{{P("A"), P("B"), P("C")},
        {Task{"Runde", {"Start", "X", "B", "Ziel"}, {}},
         Task{"Lang", {"A", "A", "X", "B", "C", "", "A"}, {}},
         Task{"Dreieck 1", {"", "A", "B", "C", "A", "B", ""}, {}}, Task{"Dreieck 2", {}, {}},
         Task{"", {"", "A", ""}, {}}, Task{"Drei", {}, {}}}},
       {T("A"), T("B"), T("C")},
       {{"Runde", {{"Start", 1}, {"X", 3}, {"B", 1}, {"Ziel", 1}}},
        {"Lang", {{"A", 1}, {"A", 1}, {"B", 1}, {"C", 1}, {"A", 1}}},
        {"Dreieck", {{"", 1}, {"A", 1}, {"B", 1}, {"C", 1}, {"A", 1}, {"", 1}}},
        {"Dreie 2", {}},
        {"Task 5", {{"", 1}, {"A", 1}, {"", 1}}}},
       {"\"Drei\" dropped: the file holds 5", "\"Runde\": point \"X\" names no turnpoint",
        "\"X\" left out: it names no", "\"\" left out: it names no", "\"Dreieck 1\": name cut to 7",
        "\"B\" left out: a route holds 4 points",
        "\"Dreieck 2\": numbered \"Dreie 2\", as its name in the file, \"Dreieck\", is that of "
        "route \"Dreieck 1\"",
        "task 5 has no name: written as \"Task 5\"", "2 tasks lost a takeoff"}},
      // A route point names its turnpoint as the file does, without trailing blanks.
      {{{P("B1"), P("B2"), P("B3"), P("B4"), P("B5"), P("B6"), P("A ")},
        {Task{"R", {"", "A", ""}, {}}}},
       {T("B1"), T("B2"), T("B3"), T("B4"), T("B5"), T("A")},
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

// Names that differ in the source and become one in the file, by its character set, by control
// characters left out or by the cut, are numbered apart, but for one that arrives unchanged, else
// the first; a route point names its turnpoint as read, and so follows it.
TEST(PlanKoordin, NamesMadeOneAreNumberedApartAndRoutesFollowThem) {
  const Capacities roomy{20, 5, 15, 18, 19};
  struct Case {
    const char* what;
    Document document;
    std::vector<std::string> turnpoints;
    std::vector<Route> routes;
    std::vector<std::string> warnings;  // the numbering and the points that name no turnpoint
  };
  const auto R = [](const std::string& name, std::vector<std::string> points) {
    points.insert(points.begin(), "");
    points.emplace_back();
    return Task{name, points, {}};
  };
  const std::vector<Case> cases = {
      {"transliterated",
       {{P("東京"), P("大阪")}, {R("Ost", {"大阪", "東京"})}},
       {"??", "?? 2"},
       {{"Ost", {{"", 1}, {"?? 2", 1}, {"??", 1}, {"", 1}}}},
       {"turnpoint \"大阪\": numbered \"?? 2\", as its name in the file, \"??\", is that of "
        "turnpoint \"東京\""}},
      {"control characters left out, the unchanged name kept",
       {{P("Al\x01pha"), P("Alpha")}, {R("R", {"Al\x01pha", "Alpha"})}},
       {"Alpha 2", "Alpha"},
       {{"R", {{"", 1}, {"Alpha 2", 1}, {"Alpha", 1}, {"", 1}}}},
       {"turnpoint \"Al\\x01pha\": numbered \"Alpha 2\", as its name in the file, \"Alpha\", is "
        "that of turnpoint \"Alpha\""}},
      {"a number that a name of the source has already is passed over",
       {{P("東京"), P("?? 2"), P("大阪")}, {R("R", {"大阪"})}},
       {"??", "?? 2", "?? 3"},
       {{"R", {{"", 1}, {"?? 3", 1}, {"", 1}}}},
       {"turnpoint \"大阪\": numbered \"?? 3\""}},
      {"a name the source gives twice stays one",
       {{P("A"), P("A")}, {R("R", {"A"})}},
       {"A", "A"},
       {{"R", {{"", 1}, {"A", 1}, {"", 1}}}},
       {}},
      {"a point that names no turnpoint, yet would name one in the file",
       {{P("東京"), P("大阪")}, {R("R", {"京都", "Ü"})}},
       {"??", "?? 2"},
       {{"R", {{"", 1}, {"??", 3}, {"\xDC", 3}, {"", 1}}}},
       {"turnpoint \"大阪\": numbered",
        "route \"R\": point \"京都\" names no turnpoint, yet is written as \"??\", the name of "
        "turnpoint \"東京\" in the file",
        "route \"R\": point \"Ü\" names no turnpoint in the file"}},
      {"route names",
       {{P("A")}, {R("T\x01", {"A"}), R("T", {"A"})}},
       {"A"},
       {{"T 2", {{"", 1}, {"A", 1}, {"", 1}}}, {"T", {{"", 1}, {"A", 1}, {"", 1}}}},
       {"route \"T\\x01\": numbered \"T 2\", as its name in the file, \"T\", is that of route "
        "\"T\""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Diagnostics diagnostics;
    const KoordinPlan plan = Plan(c.document, roomy, diagnostics);
    std::vector<std::string> names;
    for (const PlannedTurnpoint& turnpoint : plan.turnpoints) names.push_back(turnpoint.name);
    EXPECT_EQ(names, c.turnpoints);
    EXPECT_EQ(Routes(plan), c.routes);
    std::vector<std::string> told;
    for (const std::string& warning : diagnostics.warnings()) {
      if (warning.find("numbered") != std::string::npos ||
          warning.find("names no turnpoint") != std::string::npos) {
        told.push_back(warning);
      }
    }
    ASSERT_EQ(told.size(), c.warnings.size()) << ::testing::PrintToString(told);
    for (std::size_t i = 0; i < told.size(); ++i) {
      EXPECT_NE(told[i].find(c.warnings[i]), std::string::npos) << told[i];
    }
  }
}

}  // namespace
}  // namespace koordin_cli
