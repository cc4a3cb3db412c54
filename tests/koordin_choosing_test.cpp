// What koordin keeps of a source and how it words what it does not: choosing, frequencies,
// positions, the summed-up warnings and the plan of a dry run.

#include "tests/choosing_testing.h"
#include "tools/koordin/conversion/frequency.h"
#include "tools/koordin/conversion/position.h"
#include "tools/koordin/document/warnings.h"
#include "tools/koordin/formats/cup_fields.h"
#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/reports/plan_report.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace koordin_cli {
namespace {

TEST(Frequency, TakesWhatPilotsWriteAndRefusesWhatIsNoAirbandFrequency) {
  const std::pair<const char*, const char*> cases[] = {
      {"122.475", "122.475"},  {"122,475", "122.475"},
      {"122.47", "122.475"},   {"122.42", "122.425"},
      {"122.4", "122.400"},    {" 122.475 MHz ", "122.475"},
      {"123.5mhz", "123.500"}, {"118", "118.000"},
      {"122.4750", "122.475"}, {"Airfield", ""},
      {"---.---", ""},         {"13/31", ""},
      {"122.4751", ""},        {"107.995", ""},
      {"137.000", ""},         {"122.", ""},
      {"1122.475", ""},        {"", ""},
  };
  for (const auto& [text, written] : cases) {
    EXPECT_EQ(NormalizeFrequency(text).value_or(""), written) << text;
  }
}

TEST(Frequency, TextThatIsNoFrequencyMovesIntoTheDescriptionWithAWarning) {
  Document document;
  document.waypoints.resize(3);
  document.waypoints[1].name = "B";
  document.waypoints[2].name = "C";
  document.waypoints[0].frequency = "122,475";
  document.waypoints[1].frequency = "Airfield";
  document.waypoints[1].description = "Grass";
  document.waypoints[2].frequency = "Airfield";
  document.waypoints[2].description = "Airfield, grass";
  Diagnostics diagnostics;
  SettleFrequencies(document, diagnostics);
  EXPECT_EQ(document.waypoints[0].frequency, "122.475");
  EXPECT_EQ(document.waypoints[1].frequency, "");
  EXPECT_EQ(document.waypoints[1].description, "Grass; Airfield");
  EXPECT_EQ(document.waypoints[2].description, "Airfield, grass");
  EXPECT_EQ(diagnostics.warnings().size(), 2U);
}

TEST(Position, ReadsWhatPilotsTypeAndNothingElse) {
  const std::tuple<const char*, double, double> cases[] = {
      {"48.63,9.43", 48.63, 9.43},
      {" -33.9 18.6 ", -33.9, 18.6},
      {"48°37'50\"N 9°25'49\"E", 48.630556, 9.430278},
      {"48°37.833'N, 009°25.817'W", 48.630550, -9.430283},
      {"N48°37'50\" O9°25'49\"", 48.630556, 9.430278},
      {"48°37′50″S 9°25′49″E", -48.630556, 9.430278},
      {"4837.833N 00925.817E", 48.630550, 9.430283},
  };
  for (const auto& [text, latitude, longitude] : cases) {
    const std::optional<GeoPosition> position = ParsePosition(text);
    ASSERT_TRUE(position.has_value()) << text;
    EXPECT_NEAR(position->latitude, latitude, 1e-6) << text;
    EXPECT_NEAR(position->longitude, longitude, 1e-6) << text;
  }
  for (const char* bad : {"Hahnweide", "91,9", "48.63", "9°25'49\"E 48°37'50\"N", "48°37'50\" 9°E",
                          "4837.833E 00925.817N", ""}) {
    EXPECT_FALSE(ParsePosition(bad).has_value()) << bad;
  }
}

// Every CUP coordinate half a second from two whole seconds (thousandths of a minute that give
// x.5 seconds) rounds away from zero, in both hemispheres, whatever the nearest double is.
TEST(Position, RoundsHalfSecondsAwayFromZeroAsTheDigitsSay) {
  std::string wrong;
  for (int degrees = 0; degrees < 90; ++degrees) {
    for (int minutes = 0; minutes < 60; ++minutes) {
      for (int thousandths = 75; thousandths < 1000; thousandths += 150) {  // .075 is 4.5 s
        for (const char hemisphere : {'N', 'S'}) {
          char text[16];
          std::snprintf(text, sizeof text, "%02d%02d.%03d%c", degrees, minutes, thousandths,
                        hemisphere);
          const long long whole = degrees * 3600LL + minutes * 60LL + thousandths * 60 / 1000 + 1;
          const double read = ParseCupCoordinate(text, CupAxis::kLatitude);
          const auto seconds = std::llround(RoundToWholeSecond(read) * 3600.0);
          if (seconds != (hemisphere == 'N' ? whole : -whole) && wrong.empty()) wrong = text;
        }
      }
    }
  }
  EXPECT_EQ(wrong, "") << "the first half second rounded towards zero";
}

TEST(Frequency, ZerosDashesAndNothingMeanNoFrequency) {
  for (const char* none : {"", " ", "0", "0.000", "000.000", "---.---", "-", "0,0"}) {
    EXPECT_TRUE(MeansNoFrequency(none)) << none;
  }
  for (const char* some : {"122.475", "Airfield", "0.005", "1"}) {
    EXPECT_FALSE(MeansNoFrequency(some)) << some;
  }
}

Waypoint At(const std::string& name, double latitude, int style = 1) {
  Waypoint waypoint;
  waypoint.name = name;
  waypoint.latitude = latitude;
  waypoint.longitude = 9.0;
  waypoint.style = style;
  return waypoint;
}

// Waypoints P0, P1, ... of `styles`, a tenth of a degree (11 km) apart going north from 48.0.
Document North(const std::vector<int>& styles) {
  Document document;
  for (std::size_t i = 0; i < styles.size(); ++i)
    document.waypoints.push_back(At("P" + std::to_string(i), 48.0 + i * 0.1, styles[i]));
  return document;
}

// The decisions in short: "slot" for a kept one, "-reason" for a dropped one.
std::string Decisions(const std::vector<Decision>& decisions, const Choices& choices,
                      const std::vector<Waypoint>& waypoints = {}) {
  std::string text;
  for (std::size_t i = 0; i < decisions.size(); ++i) {
    const Decision& decision = decisions[i];
    const int style = i < waypoints.size() ? waypoints[i].style : 0;
    text += (text.empty() ? "" : " ") +
            (decision.kept ? std::to_string(decision.slot)
                           : "-" + ReasonInWords(decision.reason, choices, style));
  }
  return text;
}

TEST(Choose, KeepsRouteTurnpointsFirstThenTheNearestOrTheFirst) {
  Document document = North({4, 3, 4, 3, 4, 3});
  document.tasks.push_back({"North", {"Start", "P5", "P4", "Ziel"}, {}});
  document.tasks.push_back({"South", {"", "P0", "P1", "P2", ""}, {}});
  document.tasks.push_back({"Zones", {"P3", "P4"}, {"ObsZone=0,R1=500m", "ObsZone=1,R1=500m"}});
  const std::optional<Capacities> three = Holding(3, 2);
  const std::optional<Capacities> any;
  const std::tuple<Choices, std::optional<Capacities>, std::string, std::string> cases[] = {
      // The first route's turnpoints first; the second's no longer fit beside them, the third's
      // (every entry flown, as its zones say) do.
      {{},
       three,
       "-no slot left -no slot left -no slot left 1 2 3",
       "1 -its turnpoints do not fit 2"},
      {{}, any, "1 2 3 4 5 6", "1 2 3"},
      // The nearest to P2 within 15 km: P1, P2, P3.
      {{"P2", 15.0, {}, {}, {}, {"none"}},
       any,
       "-outside 15 km 1 2 3 -outside 15 km "
       "-outside 15 km",
       "-not chosen by --tasks -not chosen by --tasks -not chosen by --tasks"},
      {{"48.25,9", std::nullopt, {}, {}, {}, {"none"}},
       Holding(2, 32),
       "-no slot left -no slot left 1 2 -no slot left -no slot left",
       "-not chosen by --tasks -not chosen by --tasks -not chosen by --tasks"},
      // A route's turnpoints are kept whatever the filters say.
      {{"", std::nullopt, {"p[01]"}, {"P1"}, {}, {"Nor*"}},
       any,
       "1 -excluded by --exclude -not matched by --only -not matched by --only 2 3",
       "1 -not chosen by --tasks -not chosen by --tasks"},
      {{"", std::nullopt, {}, {}, {"outlanding"}, {"zones"}},
       any,
       "-style 4 not chosen by --style 1 -style 4 not chosen by --style 2 3 4",
       "-not chosen by --tasks -not chosen by --tasks 1"},
  };
  for (const auto& [choices, limits, turnpoints, routes] : cases) {
    Diagnostics diagnostics;
    const ChoiceRecord record = ChooseIn(document, choices, limits, diagnostics).record;
    EXPECT_EQ(Decisions(record.turnpoints, choices, document.waypoints), turnpoints)
        << choices.near;
    EXPECT_EQ(Decisions(record.routes, choices), routes) << choices.near;
  }
}

// A full target keeps the places to land before other points, each nearest first (or first in the
// file); ranked by distance it keeps the nearest whatever their style.
TEST(Choose, KeepsLandingPlacesFirstUnlessRankedByDistance) {
  // Going north from 48.0: a turnpoint, a bridge, a grass airfield, a solid one, a turnpoint.
  const Document document = North({1, 14, 2, 5, 1});
  const std::tuple<std::string, Ranking, std::string> cases[] = {
      {"48,9", Ranking::kLandingPlacesFirst, "-no slot left -no slot left 1 2 -no slot left"},
      {"", Ranking::kLandingPlacesFirst, "-no slot left -no slot left 1 2 -no slot left"},
      {"48,9", Ranking::kDistance, "1 2 -no slot left -no slot left -no slot left"},
      {"48.45,9", Ranking::kDistance, "-no slot left -no slot left -no slot left 1 2"},
      {"", Ranking::kDistance, "1 2 -no slot left -no slot left -no slot left"},
  };
  for (const auto& [near, ranking, turnpoints] : cases) {
    Choices choices;
    choices.near = near;
    choices.ranking = ranking;
    Diagnostics diagnostics;
    const ChoiceRecord record = ChooseIn(document, choices, Holding(2, 0), diagnostics).record;
    EXPECT_EQ(Decisions(record.turnpoints, choices), turnpoints)
        << near << " " << static_cast<int>(ranking);
  }
}

// The summary of the turnpoints dropped says what was kept, how far it reaches, and suggests what
// would change it.
TEST(Choose, SaysWhatWasKeptAndHowFarItReaches) {
  Document document = North({1, 14, 2, 5, 1, 1, 1});
  document.tasks.push_back({"Home", {"", "P6", ""}, {}});
  const std::tuple<std::string, std::optional<double>, Ranking, std::string> cases[] = {
      {"48,9", std::nullopt, Ranking::kLandingPlacesFirst,
       "turnpoints dropped; kept nearest to 48,9: 2 landing places to 33 km, 1 others to 0 km "
       "and 1 of routes; choose fewer with --style or --exclude"},
      {"P0", 100.0, Ranking::kDistance,
       "turnpoints within 100 km dropped; kept nearest to P0: 3 points to 22 km and 1 of routes; "
       "choose fewer with --style or a smaller --radius"},
      {"", std::nullopt, Ranking::kLandingPlacesFirst,
       "turnpoints dropped; kept in file order: 2 landing places, 1 others and 1 of routes; "
       "choose with --near, --style or --only"},
  };
  for (const auto& [near, radius, ranking, summary] : cases) {
    Choices choices;
    choices.near = near;
    choices.radiusKm = radius;
    choices.ranking = ranking;
    Diagnostics diagnostics(Diagnostics::Keeping::kFewOfEachKind);
    ChooseIn(document, choices, Holding(4, 1), diagnostics);
    ASSERT_FALSE(diagnostics.groups().empty()) << near;
    EXPECT_EQ(diagnostics.groups().back(), summary) << near;
  }
}

// --near finds a place as a pilot types it, and says plainly when it cannot.
TEST(PlaceFinder, FindsByNameCaseAccentsCodeAndPart) {
  const auto place = [](const char* name, const char* code, double latitude) {
    Waypoint waypoint = At(name, latitude);
    waypoint.code = code;
    return waypoint;
  };
  const std::vector<Waypoint> waypoints = {
      place("Carpentras", "LFNH", 44.0), place("Montélimar Ancône", "LFLQ", 44.6),
      place("Mont Ventoux", "", 44.2), place("lfnh", "", 47.0), place("Saint-Auban", "LFMX", 44.1)};
  // --near, the place's name or a part of the message when none is chosen, and whether one is.
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"Carpentras", "Carpentras", true},
      {"lfnh", "lfnh", true},  // a name before a code
      {"LFNH", "lfnh", true},  // in any case before a code
      {"lfmx", "Saint-Auban", true},
      {"CARPENTRAS", "Carpentras", true},
      {"montelimar ancone", "Montélimar Ancône", true},
      {"ANCÔNE", "Montélimar Ancône", true},
      {"ventoux", "Mont Ventoux", true},
      {"44.5,5.1", "44.5,5.1", true},
      {"Mont", "2 turnpoints have it in their names: \"Montélimar Ancône\" and \"Mont Ventoux\"",
       false},
      {"Karpentras", "did you mean \"Carpentras\"?", false},
      {"Xyzzy", "neither a turnpoint of the source nor a position", false},
  };
  for (const auto& [near, found, chosen] : cases) {
    PlaceFinder finder(near);
    for (const Waypoint& waypoint : waypoints) finder.See(waypoint);
    if (chosen) {
      EXPECT_EQ(finder.Place().name, found) << near;
      continue;
    }
    try {
      finder.Place();
      ADD_FAILURE() << near << ": a place was chosen";
    } catch (const ChoiceError& error) {
      EXPECT_NE(std::string(error.what()).find(found), std::string::npos) << error.what();
    }
  }
}

TEST(SearchKey, FoldsCaseAndLatinAccents) {
  const std::pair<const char*, const char*> cases[] = {
      {"Łódź", "lodz"},     {"Ærø", "aero"},    {"Straße", "strasse"}, {"ÉCRINS", "ecrins"},
      {"Čáslav", "caslav"}, {"Αθήνα", "Αθήνα"}, {"A-b_C", "a-b_c"}};
  for (const auto& [text, key] : cases) EXPECT_EQ(SearchKey(text), key) << text;
}

// Globs match characters, not bytes, and fold the case of every letter, in the locale a program
// starts with too.
TEST(Choose, MatchesGlobsByCharacterWhateverTheLocale) {
  std::setlocale(LC_CTYPE, "C");
  Document document;
  document.waypoints.push_back(At("Łódź", 48.0));
  document.waypoints.push_back(At("Lodz", 48.1));
  const std::pair<std::string, std::string> cases[] = {
      {"?ód?", "1 -not matched by --only"},
      {"łÓDŹ", "1 -not matched by --only"},
      {"L?dz", "-not matched by --only 1"},
  };
  for (const auto& [only, turnpoints] : cases) {
    Choices choices;
    choices.only = {only};
    Diagnostics diagnostics;
    const ChoiceRecord record = ChooseIn(document, choices, std::nullopt, diagnostics).record;
    EXPECT_EQ(Decisions(record.turnpoints, choices), turnpoints) << only;
  }
}

TEST(Choose, WarnsInGroupsAndRefusesChoicesItCannotFollow) {
  Document document;
  for (int i = 0; i < 5; ++i) document.waypoints.push_back(At("P" + std::to_string(i), 48.0));
  document.waypoints.push_back(At(" ", 48.0));
  Diagnostics diagnostics;
  const Choice choice = ChooseIn(document, {}, Holding(2, 1), diagnostics);
  EXPECT_EQ(Decisions(choice.record.turnpoints, {}),
            "1 2 -no slot left -no slot left -no slot left -no name");
  ASSERT_EQ(diagnostics.warnings().size(), 4U);
  EXPECT_EQ(diagnostics.warnings()[0], "turnpoint 6 has no name: left out");
  EXPECT_EQ(diagnostics.warnings()[1], "turnpoint \"P2\" dropped: the file holds 2 turnpoints");
  EXPECT_EQ(diagnostics.groups()[1],
            "turnpoints dropped; kept in file order: 2 points; choose with --near, --style or "
            "--only");
  EXPECT_EQ(choice.chosen.waypoints.size(), 2U);

  for (const Choices& bad :
       {Choices{"Nowhere", {}, {}, {}, {}, {}}, Choices{"", 10.0, {}, {}, {}, {}},
        Choices{"P1", -1.0, {}, {}, {}, {}}, Choices{"", {}, {}, {}, {"glider"}, {}},
        Choices{"", {}, {}, {}, {"22"}, {}}}) {
    Diagnostics ignored;
    EXPECT_THROW(ChooseIn(document, bad, std::nullopt, ignored), ChoiceError) << bad.near;
  }
}

TEST(FlownPoints, TakeoffAndLandingUnlessTheZonesNumberEveryEntry) {
  const std::tuple<Task, std::size_t, std::size_t> cases[] = {
      {{"T", {"Home", "A", "B", "Home"}, {"ObsZone=0", "ObsZone=1"}}, 1, 3},
      {{"T", {"A", "B", "C"}, {"Options", "obszone=0,R1=1", "ObsZone=1", "ObsZone=2,R1=2"}}, 0, 3},
      {{"T", {"A", "B"}, {}}, 1, 1},
      {{"T", {"A"}, {}}, 1, 1},
  };
  for (const auto& [task, first, last] : cases) {
    EXPECT_EQ(FlownPoints(task).first, first) << task.points.size();
    EXPECT_EQ(FlownPoints(task).last, last) << task.points.size();
  }
}

TEST(Diagnostics, TellsTheSameWarningOnce) {
  for (const auto keeping : {Diagnostics::Keeping::kEvery, Diagnostics::Keeping::kFewOfEachKind}) {
    Diagnostics diagnostics(keeping);
    diagnostics.Warn("line 2: the name \"A\" is used already on line 1");
    diagnostics.Warn("line 2: the name \"A\" is used already on line 1");
    diagnostics.Warn("line 3: the name \"A\" is used already on line 1");
    EXPECT_EQ(diagnostics.Count(), 2U) << diagnostics.KeepsFew();
    EXPECT_EQ(diagnostics.warnings().size(), 2U) << diagnostics.KeepsFew();
  }
}

TEST(WarningLines, AKindOfMoreThanAFewBecomesOneLineWithItsCount) {
  Diagnostics diagnostics;
  for (int i = 1; i <= 1105; ++i) diagnostics.Warn("tp " + std::to_string(i), "tps dropped");
  diagnostics.Warn("alone");
  for (int i = 0; i < 4; ++i) diagnostics.Warn("line " + std::to_string(i) + ": \"x\" is bad");
  for (int i = 0; i < 3; ++i) diagnostics.Warn("name \"" + std::to_string(i) + "\" cut");
  const std::vector<std::string> summary = WarningLines("f", diagnostics, WarningDetail::kSummary);
  const std::vector<std::string> expected = {
      "f: warning: 1,105 tps dropped (--verbose lists each)",
      "f: warning: alone",
      "f: warning: line 0: \"x\" is bad; and 3 more like it (--verbose lists each)",
      "f: warning: name \"0\" cut",
      "f: warning: name \"1\" cut",
      "f: warning: name \"2\" cut",
  };
  EXPECT_EQ(summary, expected);
  EXPECT_EQ(WarningLines("f", diagnostics, WarningDetail::kEach).size(), 1113U);
  EXPECT_TRUE(WarningLines("f", diagnostics, WarningDetail::kNone).empty());
  EXPECT_EQ(WithThousands(1234567), "1,234,567");
  EXPECT_EQ(WithThousands(999), "999");
}

TEST(PlanJson, OneEntryPerWaypointAndTaskOfTheSource) {
  Document source;
  source.waypoints = {At("Hahnweide", 48.6305555555), At("Fern", 50.0)};
  source.tasks.push_back({"Weit", {"", "Fern", ""}, {}});
  Diagnostics diagnostics;
  const Choices choices{"Hahnweide", 100.0, {}, {}, {}, {"none"}};
  const Choice choice = ChooseIn(source, choices, std::nullopt, diagnostics);
  const nlohmann::json plan = nlohmann::json::parse(
      PlanJson({"lst", &choice.record, &choices, {"in.cup: warning: line 3: x"}}));
  EXPECT_EQ(plan["target"], "lst");
  EXPECT_EQ(plan["turnpoints"][0]["latitude"], 48.630556);
  EXPECT_EQ(plan["turnpoints"][0]["slot"], 1);
  EXPECT_EQ(plan["turnpoints"][0]["distanceKm"], 0.0);
  EXPECT_TRUE(plan["turnpoints"][0]["reason"].is_null());
  EXPECT_EQ(plan["turnpoints"][1]["source"], 2);
  EXPECT_TRUE(plan["turnpoints"][1]["slot"].is_null());
  EXPECT_EQ(plan["turnpoints"][1]["reason"], "outside 100 km");
  EXPECT_EQ(plan["routes"][0]["reason"], "not chosen by --tasks");
  EXPECT_EQ(plan["warnings"].size(), 1U);
}

}  // namespace
}  // namespace koordin_cli
