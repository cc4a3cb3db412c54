#include "tools/koordin/reports/plan_report.h"

#include "tools/koordin/document/warnings.h"
#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/reports/text_table.h"

#include <nlohmann/json.hpp>

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

}  // namespace

std::string PlanText(const PlanReport& report) {
  const Document& source = *report.source;
  const Selection& selection = *report.selection;
  const bool distances = selection.place.has_value();
  std::vector<std::string> header = {"source", "slot", "name", "latitude", "longitude"};
  std::vector<bool> right = {true, true, false, true, true};
  if (distances) {
    header.emplace_back("km");
    right.push_back(true);
  }
  header.emplace_back("dropped because");
  right.push_back(false);
  TextTable turnpoints(header, right);
  for (std::size_t i = 0; i < source.waypoints.size(); ++i) {
    const Waypoint& waypoint = source.waypoints[i];
    const Decision& decision = selection.turnpoints[i];
    std::vector<std::string> row = {std::to_string(i + 1), SlotText(decision),
                                    Escaped(waypoint.name),
                                    FormatDegrees(CleanDegrees(waypoint.latitude)),
                                    FormatDegrees(CleanDegrees(waypoint.longitude))};
    if (distances) row.push_back(Kilometres(*decision.distanceKm));
    row.push_back(decision.reason);
    turnpoints.AddRow(row);
  }
  std::string text = "turnpoints for " + report.target + ":\n" + turnpoints.Render();
  if (!source.tasks.empty()) {
    TextTable routes({"source", "slot", "name", "dropped because"}, {true, true, false, false});
    for (std::size_t i = 0; i < source.tasks.size(); ++i) {
      const Decision& decision = selection.routes[i];
      routes.AddRow({std::to_string(i + 1), SlotText(decision), Escaped(source.tasks[i].name),
                     decision.reason});
    }
    text += "routes for " + report.target + ":\n" + routes.Render();
  }
  text += Counted(selection.turnpoints, "turnpoints") + ", " + Counted(selection.routes, "routes") +
          "; nothing written (--dry-run)\n";
  return text;
}

std::string PlanJson(const PlanReport& report) {
  const Document& source = *report.source;
  const Selection& selection = *report.selection;
  const auto reasonOf = [](const Decision& decision) {
    return decision.kept ? nlohmann::ordered_json(nullptr)
                         : nlohmann::ordered_json(decision.reason);
  };
  nlohmann::ordered_json turnpoints = nlohmann::ordered_json::array();
  for (std::size_t i = 0; i < source.waypoints.size(); ++i) {
    const Waypoint& waypoint = source.waypoints[i];
    const Decision& decision = selection.turnpoints[i];
    turnpoints.push_back({
        {"source", i + 1},
        {"name", waypoint.name},
        {"latitude", CleanDegrees(waypoint.latitude)},
        {"longitude", CleanDegrees(waypoint.longitude)},
        {"kept", decision.kept},
        {"slot",
         decision.kept ? nlohmann::ordered_json(decision.slot) : nlohmann::ordered_json(nullptr)},
        {"distanceKm", decision.distanceKm ? nlohmann::ordered_json(RoundDecimal(
                                                 *decision.distanceKm, kDistanceDecimals))
                                           : nlohmann::ordered_json(nullptr)},
        {"reason", reasonOf(decision)},
    });
  }
  nlohmann::ordered_json routes = nlohmann::ordered_json::array();
  for (std::size_t i = 0; i < source.tasks.size(); ++i) {
    const Decision& decision = selection.routes[i];
    routes.push_back({
        {"source", i + 1},
        {"name", source.tasks[i].name},
        {"kept", decision.kept},
        {"slot",
         decision.kept ? nlohmann::ordered_json(decision.slot) : nlohmann::ordered_json(nullptr)},
        {"reason", reasonOf(decision)},
    });
  }
  const nlohmann::ordered_json plan = {{"target", report.target},
                                       {"turnpoints", turnpoints},
                                       {"routes", routes},
                                       {"warnings", report.warnings}};
  // Invalid UTF-8 in a name cannot stop the plan: it is shown replaced.
  return plan.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace koordin_cli
