#pragma once

#include "tools/koordin/conversion/choosing.h"
#include "tools/koordin/document/document.h"

#include <string>
#include <vector>

// What `koordin convert --dry-run` prints: for every waypoint and task of the source, whether it
// is kept, where, and why not.
namespace koordin_cli {

struct PlanReport {
  std::string target;  // the target's format name
  const Document* source = nullptr;
  const Selection* selection = nullptr;
  std::vector<std::string> warnings;  // every warning line, not summed up
};

// The plan for a person: a table of turnpoints and one of routes, then the counts.
std::string PlanText(const PlanReport& report);

// The plan as one JSON object: target, turnpoints, routes, warnings (see the README).
std::string PlanJson(const PlanReport& report);

}  // namespace koordin_cli
