#include "tools/koordin/instrument/koordin_plan.h"

#include "tools/koordin/conversion/choosing.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
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

// The plan in short: turnpoints as name/altitude/frequency(*: marked), "| route:", points/kind.
std::string Summary(const KoordinPlan& plan) {
  std::string text;
  for (const PlannedTurnpoint& t : plan.turnpoints)
    text += t.name + "/" + std::to_string(t.altitude) + "/" + t.frequency + (t.marked ? "* " : " ");
  for (const PlannedRoute& route : plan.routes) {
    text += "| " + route.name + ": ";
    for (const PlannedPoint& p : route.points) text += p.name + "/" + std::to_string(p.kind) + " ";
  }
  return text;
}

// The plan of `document` as koordin makes it: what fits chosen first, then planned.
KoordinPlan Plan(const Document& document, const Capacities& capacities, Diagnostics& diagnostics) {
  const Room room{static_cast<std::size_t>(capacities.turnpoints),
                  static_cast<std::size_t>(capacities.routes), true};
  const Selection selection = Choose(document, {}, room, diagnostics);
  return PlanKoordin(Chosen(document, selection), capacities, "CP1252", diagnostics);
}

TEST(PlanKoordin, DecidesWhatFitsAndWarnsAboutEverythingThatDoesNotArriveAsItWas) {
  // Turnpoints, routes, points per route, name and route name lengths: small, to keep cases short.
  // Each warning is told by a part of it.
  const Capacities small{6, 5, 4, 6, 7};
  for (const auto& [document, summary, warnings] :
       std::vector<std::tuple<Document, std::string, std::vector<std::string>>>{
           // The file keeps no blank at a name's end, and no unknown altitude.
           {{{P("Feldberg"), P("Feldbergturm"), P("Feldbe"), P("Klein Asten"), P("Łódź"),
              P("Säntis", std::nullopt), P("Teck")},
             {Task{"R", {"", "Feldbergturm", ""}, {}}}},
            "Feldbe/100/ Feldbe/100/ Feldbe/100/ Klein/100/ L\xF3\x64z/100/ S\xE4ntis/0/ | R: /1 "
            "Feldbe/1 /1 ",
            {"\"Teck\" dropped: the file holds 6",
             "\"Feldberg\": name cut to 6 characters: \"Feldbe\"", "\"Feldbergturm\": name cut",
             "\"Klein Asten\": name cut to 6 characters: \"Klein\"", "\"Łódź\": characters outside",
             "\"Feldberg\", \"Feldbergturm\" and \"Feldbe\" become one name"}},
           // Altitudes beyond any integer get the nearer limit; a frequency gets the one form.
           {{{P("A", -1000.0, "122,47"), P(" "), P("B", 1e20, " 122.500 MHz ", true),
              P("C", 9999.4, "Airfield")},
             {}},
            "A/-999/122.475 B/9999/122.500* C/9999/ ",
            {"turnpoint 2 has no name", "\"A\": altitude -1000 m", "\"B\": altitude 1e+20 m",
             "\"C\": frequency \"Airfield\" is no airband frequency: not written"}},
           // A long route loses its points that are no turnpoints first, then those beyond the
           // slot's lines; a short one keeps them. The first and last points are not the file's.
           {{{P("A"), P("B"), P("C")},
             {Task{"Runde", {"Start", "X", "B", "Ziel"}, {}},
              Task{"Lang", {"A", "A", "X", "B", "C", "", "A"}, {}},
              Task{"Dreieck 1", {"", "A", "B", "C", "A", "B", ""}, {}}, Task{"Dreieck 2", {}, {}},
              Task{"", {"", "A", ""}, {}}, Task{"Drei", {}, {}}}},
            "A/100/ B/100/ C/100/ | Runde: Start/1 X/3 B/1 Ziel/1 | Lang: A/1 A/1 X/3 B/1 C/1 /3 "
            "A/1 | Dreieck: /1 A/1 B/1 C/1 A/1 B/1 /1 | Dreieck: | Task 5: /1 A/1 /1 ",
            {"\"Drei\" dropped: the file holds 5", "\"Runde\": point \"X\" names no turnpoint",
             "\"X\" left out: it names no", "\"\" left out: it names no",
             "\"Dreieck 1\": name cut to 7", "\"B\" left out: a route holds 4 points",
             "\"Dreieck 2\": name cut", "task 5 has no name: written as \"Task 5\"",
             "\"Dreieck 1\" and \"Dreieck 2\" become one name", "2 tasks lost a takeoff"}},
           // A route point names its turnpoint as the file does, without trailing blanks.
           {{{P("B1"), P("B2"), P("B3"), P("B4"), P("B5"), P("B6"), P("A ")},
             {Task{"R", {"", "A", ""}, {}}}},
            "B1/100/ B2/100/ B3/100/ B4/100/ B5/100/ A/100/ | R: /1 A/1 /1 ",
            {"\"B6\" dropped: the file holds 6"}}}) {
    Diagnostics diagnostics;
    EXPECT_EQ(Summary(Plan(document, small, diagnostics)), summary);
    ASSERT_EQ(diagnostics.warnings().size(), warnings.size());
    for (std::size_t i = 0; i < warnings.size(); ++i)
      EXPECT_NE(diagnostics.warnings()[i].find(warnings[i]), std::string::npos) << warnings[i];
  }
}

}  // namespace
}  // namespace koordin_cli
