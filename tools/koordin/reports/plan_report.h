#pragma once

#include "tools/koordin/conversion/chooser.h"

#include <string>
#include <vector>

// What `koordin convert --dry-run` prints: for every waypoint and task of the source, whether it
// is kept, where, and why not.
namespace koordin_cli {

struct PlanReport {
  std::string target;  // the target's format name
  const ChoiceRecord* record = nullptr;
  const Choices* choices = nullptr;
  std::vector<std::string> warnings;  // every warning line, not summed up
};

// Why a waypoint (`style`: its style) or a task was dropped, in words: "outside 150 km".
std::string ReasonInWords(DropReason reason, const Choices& choices, int style = 0);

// The plan for a person: a table of turnpoints and one of routes, then the counts.
std::string PlanText(const PlanReport& report);

// The plan as one JSON object: target, turnpoints, routes, warnings (see the README).
std::string PlanJson(const PlanReport& report);

}  // namespace koordin_cli
