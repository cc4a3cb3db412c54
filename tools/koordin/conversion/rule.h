#pragma once

#include "tools/koordin/conversion/position.h"
#include "tools/koordin/document/document.h"

#include <cstddef>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

// The choosing rule: which waypoints and tasks of a source the filters let pass, how near each is,
// and which rank first when the target holds fewer. The engine that applies it to a source of any
// size is chooser.h.
namespace koordin_cli {

// What the user asked for. Empty lists choose everything.
struct Choices {
  std::string near;                  // a turnpoint name of the source or a position
  std::optional<double> radiusKm;    // only with `near`
  std::vector<std::string> only;     // glob patterns of names to keep (any case)
  std::vector<std::string> exclude;  // glob patterns of names to leave out (any case)
  std::vector<std::string> styles;   // CUP style names or numbers, or groups (airfield, ...)
  std::vector<std::string> tasks;    // glob patterns of task names to keep
};

// A choice the program cannot follow (an unknown style, a place that is none).
class ChoiceError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// Why a waypoint or task of the source is not kept.
enum class DropReason {
  kNone,                // kept, or not yet decided
  kNoName,              // a waypoint without a name, where the target needs one
  kNotMatchedByOnly,    // --only
  kExcluded,            // --exclude
  kStyleNotChosen,      // --style
  kOutsideRadius,       // --radius
  kNoSlotLeft,          // the target is full
  kTaskNotChosen,       // --tasks
  kTurnpointsDoNotFit,  // a route whose turnpoints do not fit beside those kept before
};

// The decision about one waypoint or task of the source.
struct Decision {
  bool kept = false;
  int slot = 0;                      // 1-based position in the target when kept
  std::optional<double> distanceKm;  // from the place of --near
  DropReason reason = DropReason::kNone;
};

// The CUP waypoint styles by name ("gliding-airfield"), and the groups pilots choose by
// ("airfield", "landable"), each with the styles it stands for.
struct StyleName {
  const char* name;  // lower case, words joined by "-"
  std::vector<int> styles;
};
const std::vector<StyleName>& StyleNames();

// The entries of a task that are flown, [first, last): all but its takeoff and landing (its first
// and last entries), or all of them when its observation zone lines number every entry, which
// says the author listed no takeoff or landing.
struct FlownRange {
  std::size_t first = 0;
  std::size_t last = 0;
};
FlownRange FlownPoints(const Task& task);

// The place of --near: the first waypoint of that name, else the first of that name in any case,
// else the position that the text names.
class PlaceFinder {
 public:
  explicit PlaceFinder(std::string near) : near_(std::move(near)) {}
  void See(const Waypoint& waypoint);
  // Throws ChoiceError when the text names neither a waypoint seen nor a position.
  GeoPosition Place() const;

 private:
  std::string near_;
  std::optional<GeoPosition> exact_;
  std::optional<GeoPosition> anyCase_;
};

// A waypoint that the filters let pass, as the ranking sees it.
struct Candidate {
  std::size_t index;  // its place in the source, from 0
  std::optional<double> distanceKm;
  std::string name;  // for the warning when it is dropped
};

// The rule applied to one waypoint or task, which depends on it alone.
class Rule {
 public:
  // `namesRequired`: a waypoint without a name has no place in the target. Throws ChoiceError for
  // choices that cannot be followed.
  Rule(const Choices& choices, bool namesRequired);

  // The waypoint's distance from `place` (when there is one) and, when the filters or its want of
  // a name leave it out, why.
  Decision Judge(const Waypoint& waypoint, const std::optional<GeoPosition>& place) const;

  // Whether --tasks chooses the task.
  bool Chooses(const Task& task) const;

  // True when `a` goes into a full target before `b`: the nearer to --near, else the earlier.
  static bool RanksBefore(const Candidate& a, const Candidate& b);

 private:
  const Choices& choices_;
  bool namesRequired_;
  std::set<int> styles_;
};

}  // namespace koordin_cli
