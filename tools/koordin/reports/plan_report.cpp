#include "tools/koordin/reports/plan_report.h"

#include "tools/koordin/document/warnings.h"
#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/reports/text_table.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>

namespace koordin_cli {

namespace {

constexpr int kDistanceDecimals = 1;  // a tenth of a kilometre
constexpr int kCoordinateDecimals = 6;

double CleanDegrees(double degrees) {
  return RoundDecimal(degrees, kCoordinateDecimals);
}

std::string Kilometres(double km) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.*f", kDistanceDecimals, km);
  return buffer;
}

std::string SlotText(const Decision& decision) {
  return decision.kept ? std::to_string(decision.slot) : "-";
}

std::string Counted(const std::vector<Decision>& decisions, const char* noun) {
  std::size_t kept = 0;
  for (const Decision& decision : decisions) kept += decision.kept ? 1 : 0;
  return WithThousands(kept) + " of " + WithThousands(decisions.size()) + " " + noun + " kept";
}

// The reason of a dropped waypoint or task; empty for one kept.
std::string Reason(const Decision& decision, const Choices& choices, int style = 0) {
  return decision.kept ? std::string() : ReasonInWords(decision.reason, choices, style);
}

// The order in which a full target keeps turnpoints.
std::string RankingInWords(const Choices& choices, const ChoiceRecord& record) {
  const std::string each = record.place ? "nearest to " + record.place->name : "in file order";
  if (choices.ranking == Ranking::kDistance) return "the routes' first, then " + each;
  return "the routes' first, then landing places, then others; each " + each;
}

// Where each waypoint begins in the source: its line, else its place among the waypoints.
struct SourceColumn {
  const char* name;
  std::vector<std::size_t> numbers;
};

SourceColumn SourceOf(const ChoiceRecord& record) {
  const bool lines =
      std::any_of(record.lines.begin(), record.lines.end(), [](int line) { return line > 0; });
  SourceColumn column{lines ? "line" : "source", {}};
  for (std::size_t i = 0; i < record.waypoints.size(); ++i)
    column.numbers.push_back(lines ? static_cast<std::size_t>(record.lines[i]) : i + 1);
  return column;
}

}  // namespace

std::string ReasonInWords(DropReason reason, const Choices& choices, int style) {
  switch (reason) {
    case DropReason::kNone:
      return {};
    case DropReason::kNoName:
      return "no name";
    case DropReason::kNotMatchedByOnly:
      return "not matched by --only";
    case DropReason::kExcluded:
      return "excluded by --exclude";
    case DropReason::kStyleNotChosen:
      return "style " + std::to_string(style) + " not chosen by --style";
    case DropReason::kOutsideRadius:
      return "outside " + FormatDecimal(choices.radiusKm.value_or(0.0), 3) + " km";
    case DropReason::kNoSlotLeft:
      return "no slot left";
    case DropReason::kTaskNotChosen:
      return "not chosen by --tasks";
    case DropReason::kTurnpointsDoNotFit:
      return "its turnpoints do not fit";
  }
  return {};
}

std::string PlanText(const PlanReport& report) {
  const ChoiceRecord& record = *report.record;
  const bool distances = record.place.has_value();
  const SourceColumn source = SourceOf(record);
  std::vector<std::string> header = {source.name, "slot", "name", "latitude", "longitude"};
  std::vector<bool> right = {true, true, false, true, true};
  if (distances) {
    header.emplace_back("km");
    right.push_back(true);
  }
  header.emplace_back("dropped because");
  right.push_back(false);
  TextTable turnpoints(header, right);
  for (std::size_t i = 0; i < record.waypoints.size(); ++i) {
    const Waypoint& waypoint = record.waypoints[i];
    const Decision& decision = record.turnpoints[i];
    std::vector<std::string> row = {std::to_string(source.numbers[i]), SlotText(decision),
                                    Escaped(waypoint.name),
                                    FormatDegrees(CleanDegrees(waypoint.latitude)),
                                    FormatDegrees(CleanDegrees(waypoint.longitude))};
    if (distances) row.push_back(Kilometres(*decision.distanceKm));
    row.push_back(Reason(decision, *report.choices, waypoint.style));
    turnpoints.AddRow(row);
  }
  std::string text = "turnpoints for " + report.target + " (" +
                     RankingInWords(*report.choices, record) + "):\n" + turnpoints.Render();
  if (!record.tasks.empty()) {
    TextTable routes({"source", "slot", "name", "dropped because"}, {true, true, false, false});
    for (std::size_t i = 0; i < record.tasks.size(); ++i) {
      const Decision& decision = record.routes[i];
      routes.AddRow({std::to_string(i + 1), SlotText(decision), Escaped(record.tasks[i].name),
                     Reason(decision, *report.choices)});
    }
    text += "routes for " + report.target + ":\n" + routes.Render();
  }
  text += Counted(record.turnpoints, "turnpoints") + ", " + Counted(record.routes, "routes") +
          "; nothing written (--dry-run)\n";
  return text;
}

std::string PlanJson(const PlanReport& report) {
  const ChoiceRecord& record = *report.record;
  const auto reasonOf = [&](const Decision& decision, int style) {
    return decision.kept ? nlohmann::ordered_json(nullptr)
                         : nlohmann::ordered_json(Reason(decision, *report.choices, style));
  };
  nlohmann::ordered_json turnpoints = nlohmann::ordered_json::array();
  for (std::size_t i = 0; i < record.waypoints.size(); ++i) {
    const Waypoint& waypoint = record.waypoints[i];
    const Decision& decision = record.turnpoints[i];
    const int line = i < record.lines.size() ? record.lines[i] : 0;
    turnpoints.push_back({
        {"source", i + 1},
        {"line", line > 0 ? nlohmann::ordered_json(line) : nlohmann::ordered_json(nullptr)},
        {"name", waypoint.name},
        {"code", waypoint.code},
        {"style", waypoint.style},
        {"latitude", CleanDegrees(waypoint.latitude)},
        {"longitude", CleanDegrees(waypoint.longitude)},
        {"kept", decision.kept},
        {"slot",
         decision.kept ? nlohmann::ordered_json(decision.slot) : nlohmann::ordered_json(nullptr)},
        {"distanceKm", decision.distanceKm ? nlohmann::ordered_json(RoundDecimal(
                                                 *decision.distanceKm, kDistanceDecimals))
                                           : nlohmann::ordered_json(nullptr)},
        {"reason", reasonOf(decision, waypoint.style)},
    });
  }
  nlohmann::ordered_json routes = nlohmann::ordered_json::array();
  for (std::size_t i = 0; i < record.tasks.size(); ++i) {
    const Decision& decision = record.routes[i];
    routes.push_back({
        {"source", i + 1},
        {"name", record.tasks[i].name},
        {"kept", decision.kept},
        {"slot",
         decision.kept ? nlohmann::ordered_json(decision.slot) : nlohmann::ordered_json(nullptr)},
        {"reason", reasonOf(decision, 0)},
    });
  }
  nlohmann::ordered_json near(nullptr);
  if (record.place) {
    near = {{"name", record.place->name},
            {"latitude", CleanDegrees(record.place->position.latitude)},
            {"longitude", CleanDegrees(record.place->position.longitude)}};
  }
  const nlohmann::ordered_json plan = {
      {"target", report.target},
      {"ranking",
       report.choices->ranking == Ranking::kDistance ? kDistanceName : kLandingPlacesFirstName},
      {"near", near},
      {"turnpoints", turnpoints},
      {"routes", routes},
      {"warnings", report.warnings}};
  // Invalid UTF-8 in a name cannot stop the plan: it is shown replaced.
  return plan.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace koordin_cli
