#pragma once

#include "tools/koordin/conversion/rule.h"
#include "tools/koordin/document/document.h"

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// The engine that chooses what of a source goes into a target that holds less, by the rule of
// rule.h, from a source read twice a piece at a time: first for its tasks and the place of --near,
// then for its waypoints, of which it holds only those that may be kept.
namespace koordin_cli {

// What a target holds, as the driver states it for a KOORDIN file.
struct Capacities {
  int turnpoints = 0;
  int routes = 0;
  int pointsPerRoute = 0;   // point lines in a route slot; a route with more points is long
  int nameLength = 0;       // characters of a turnpoint or route point name
  int routeNameLength = 0;  // characters of a route name
};

// Every decision of a choice, for a plan that shows them: each waypoint and task as the choice saw
// it, in the source's order, with its decision.
struct ChoiceRecord {
  std::optional<NearPlace> place;  // the place of --near
  std::vector<Waypoint> waypoints;
  std::vector<Decision> turnpoints;  // one per waypoint
  std::vector<int> lines;            // the source line where each waypoint begins, else 0
  std::vector<Task> tasks;
  std::vector<Decision> routes;  // one per task
};

// Chooses for a target with `capacities` (none: a target without limits, which takes every
// waypoint the filters let pass). Of the routes chosen, those that fit are kept, each with every
// flown turnpoint it names (whatever the filters say), as long as these fit; then the waypoints
// the filters let pass, in the order of the rule. Slots follow the source's order. Warns (grouped)
// about turnpoints and routes dropped for want of room, and about waypoints without a name where
// names are required. Each waypoint and task is seen as the choice sees it (a KOORDIN target's
// names without control characters) and kept as it was read.
class Chooser {
 public:
  // After the first pass: every task of the source as the choice sees it, and the place of --near.
  // Warnings go to `diagnostics`; where it keeps every warning, every waypoint dropped is named,
  // and so held until the end. `record`, when given, receives every decision. Throws ChoiceError
  // for choices that cannot be followed.
  Chooser(const Choices& choices, const std::optional<Capacities>& capacities,
          std::vector<Task> tasks, std::optional<NearPlace> place, Diagnostics& diagnostics,
          ChoiceRecord* record);

  // What Offer decides of a waypoint.
  struct Offered {
    bool kept;         // kept, as far as is known before Finish
    bool filteredOut;  // left out by --only, --exclude, --style or --radius
  };

  // The second pass, each waypoint in the source's order, with the `line` where it begins (0 when
  // unknown). Without a limit of turnpoints the answer is final. With one, it is never kept, and
  // Finish keeps what fits.
  Offered Offer(const Waypoint& seen, const Waypoint& read, int line);

  // The turnpoints kept under a limit and the routes kept, in the source's order: each as read,
  // which is as the choice sees it but where `read` holds it by its index. Without a limit of
  // turnpoints, the routes kept do not depend on the waypoints, and it may come before the second
  // pass. Called once: the routes kept are moved out.
  Document Finish(std::map<std::size_t, Task> read);

 private:
  struct Resolved {
    std::size_t index;
    bool passes;  // the filters let it pass
    bool noName;
  };
  std::vector<Decision> DecideRoutes(std::set<std::size_t>& kept);
  void KeepBest(std::set<std::size_t>& kept);
  std::string KeptInWords(const std::vector<Candidate>& kept, std::size_t ofRoutes) const;
  bool RanksBefore(const Candidate& a, const Candidate& b) const { return rule_.RanksBefore(a, b); }

  std::optional<Capacities> capacities_;
  Rule rule_;
  std::optional<NearPlace> place_;
  const Choices& choices_;
  Diagnostics& diagnostics_;
  ChoiceRecord* record_;
  std::vector<Task> tasks_;                   // as the choice sees them
  std::set<std::string> referenced_;          // the names the chosen tasks fly
  std::map<std::string, Resolved> resolved_;  // the first waypoint of each of these names
  std::set<std::size_t> named_;               // their indexes
  std::size_t count_ = 0;                     // waypoints offered
  std::size_t candidateCount_ = 0;            // of these, those the filters let pass
  int slotsGiven_ = 0;                        // without a limit: the slots of those kept at once
  std::vector<Candidate> best_;               // a heap of the best candidates, the worst on top
  std::map<std::size_t, Waypoint> held_;      // by index: the best, and those the routes name
};

}  // namespace koordin_cli
