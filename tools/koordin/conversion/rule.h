#pragma once

#include "tools/koordin/conversion/position.h"
#include "tools/koordin/document/document.h"
#include "tools/koordin/formats/cup_fields.h"

#include <cstddef>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// The choosing rule: which waypoints and tasks of a source the filters let pass, how near each is,
// and which rank first when the target holds fewer. The engine that applies it to a source of any
// size is chooser.h.
namespace koordin_cli {

// Which waypoints go first into a target that holds fewer than the filters let pass, after the
// turnpoints of the routes kept.
enum class Ranking {
  kLandingPlacesFirst,  // the landable styles first, then the others; each nearest first
  kDistance,            // the nearest first, whatever their style
};

// What the user asked for. Empty lists choose everything.
struct Choices {
  std::string near;                  // a turnpoint name of the source or a position
  std::optional<double> radiusKm;    // only with `near`
  std::vector<std::string> only;     // glob patterns of names to keep (any case)
  std::vector<std::string> exclude;  // glob patterns of names to leave out (any case)
  std::vector<std::string> styles;   // CUP style names or numbers, or groups (airfield, ...)
  std::vector<std::string> tasks;    // glob patterns of task names to keep
  Ranking ranking = Ranking::kLandingPlacesFirst;
};

// The names --rank takes.
inline constexpr const char* kLandingPlacesFirstName = "landing-first";
inline constexpr const char* kDistanceName = "distance";

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

// The place of --near and what to call it: the waypoint's name, or the position as given.
struct NearPlace {
  GeoPosition position;
  std::string name;
};

// Finds the place of --near as a pilot types it, among the waypoints seen: the first waypoint of
// that name; else of that name in any case and without accents; else of that code; else the
// position the text names; else the one waypoint whose name holds the text.
class PlaceFinder {
 public:
  explicit PlaceFinder(std::string near);
  void See(const Waypoint& waypoint);
  // Throws ChoiceError when the text names none of these, listing the waypoints whose names hold
  // it when there are several, else suggesting the names nearest to it.
  NearPlace Place() const;

 private:
  struct Seen {
    std::string name;
    GeoPosition position;
  };
  std::string near_;
  std::string key_;  // as SearchKey makes it
  bool position_;    // the text is a position
  std::optional<Seen> exact_;
  std::optional<Seen> folded_;
  std::optional<Seen> code_;
  std::vector<Seen> holding_;  // the first few whose names hold the text
  std::size_t holdingCount_ = 0;
  std::vector<std::pair<std::size_t, std::string>> nearest_;  // the names fewest edits away
};

// A waypoint that the filters let pass, as the ranking sees it.
struct Candidate {
  std::size_t index;  // its place in the source, from 0
  std::optional<double> distanceKm;
  std::string name;  // for the warning when it is dropped
  bool landable;     // of a style one can land at
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

  // The waypoint as the ranking sees it, at `index` of the source and judged `decision`.
  Candidate Rank(const Waypoint& waypoint, std::size_t index, const Decision& decision) const;

  // True when `a` goes into a full target before `b`: by --rank, landing places first or not,
  // then the nearer to --near, else the earlier.
  bool RanksBefore(const Candidate& a, const Candidate& b) const;

 private:
  const Choices& choices_;
  bool namesRequired_;
  std::set<int> styles_;
  std::set<int> landable_;
};

}  // namespace koordin_cli
