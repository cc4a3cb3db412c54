#pragma once

// The conversion engine run on a document in memory, as `koordin convert` runs it on a file.

#include "tools/koordin/conversion/conversion.h"

#include <optional>
#include <utility>

namespace koordin_cli {

// What the engine chose, and every decision it made.
struct Choice {
  ChoiceRecord record;
  Document chosen;
};

// A target that keeps what it is given: with `limits`, the chosen document at the end; without,
// each waypoint as it is kept.
class KeepingTarget : public Target {
 public:
  explicit KeepingTarget(std::optional<Capacities> limits, Document& kept)
      : limits_(limits), kept_(kept) {}
  std::optional<Capacities> Limits() override { return limits_; }
  void Add(Waypoint waypoint) override { kept_.waypoints.push_back(std::move(waypoint)); }
  std::string End(Document chosen) override {
    if (limits_) kept_.waypoints = std::move(chosen.waypoints);
    kept_.tasks = std::move(chosen.tasks);
    return {};
  }

 private:
  std::optional<Capacities> limits_;
  Document& kept_;
};

// The choice of `choices` from `document` for a target of `limits` (none: without limits). Throws
// ChoiceError for choices that cannot be followed.
inline Choice ChooseIn(const Document& document, const Choices& choices,
                       std::optional<Capacities> limits, Diagnostics& diagnostics) {
  Choice choice;
  KeepingTarget target(limits, choice.chosen);
  const SourcePass read = [&](Diagnostics&, DocumentSink& sink) {
    if (sink.WantsWaypoints()) {
      for (const Waypoint& waypoint : document.waypoints) sink.AddWaypoint(waypoint);
    }
    for (const Task& task : document.tasks) sink.AddTask(task);
  };
  Diagnostics sourceWarnings;
  Convert(
      choices, read, target, sourceWarnings, diagnostics, [] {}, &choice.record);
  return choice;
}

// A target that holds `turnpoints` and `routes`, with the names and routes of a KOORDIN file.
inline Capacities Holding(int turnpoints, int routes) {
  return {turnpoints, routes, 20, 18, 20};
}

}  // namespace koordin_cli
