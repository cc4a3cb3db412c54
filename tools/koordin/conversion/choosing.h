#pragma once

#include "tools/koordin/conversion/position.h"
#include "tools/koordin/document/document.h"

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

// Choosing what of a source goes into a target that holds less: filters by name, style and
// distance, the turnpoints of the chosen routes first, then the nearest or the first.
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

// What the target holds; none: no limit.
struct Room {
  std::optional<std::size_t> turnpoints;
  std::optional<std::size_t> routes;
  bool namesRequired = false;  // a waypoint without a name has no place
};

// A choice the program cannot follow (an unknown style, a place that is none).
class ChoiceError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// The decision about one waypoint or task of the source, by its position there.
struct Decision {
  bool kept = false;
  int slot = 0;                      // 1-based position in the target when kept
  std::optional<double> distanceKm;  // from the place of --near
  std::string reason;                // why it was dropped, in words
};

struct Selection {
  std::optional<GeoPosition> place;  // the place of --near
  std::vector<Decision> turnpoints;  // one per waypoint of the source
  std::vector<Decision> routes;      // one per task of the source
};

// The entries of a task that are flown, [first, last): all but its takeoff and landing (its first
// and last entries), or all of them when its observation zone lines number every entry, which
// says the author listed no takeoff or landing.
struct FlownRange {
  std::size_t first = 0;
  std::size_t last = 0;
};
FlownRange FlownPoints(const Task& task);

// Decides, for a target with `room`, what of `document` to keep. Of the routes chosen, those that
// fit are kept, each with every flown turnpoint it names (whatever the filters say), as long as
// these fit; then the turnpoints the filters let pass, the nearest to --near first, else in the
// source's order. Slots follow the source's order. Warns (grouped) about turnpoints and routes
// dropped for want of room, and about waypoints without a name where names are required. Throws
// ChoiceError for choices that cannot be followed. A waypoint's filters and distance depend on it
// alone, so that a reader may decide them as it reads; only the ranking for the room needs the
// candidates and the tasks.
Selection Choose(const Document& document, const Choices& choices, const Room& room,
                 Diagnostics& diagnostics);

// A turnpoint that the filters let pass, ranked by its distance from --near, then by its place in
// the source.
struct Candidate {
  std::size_t index;
  std::optional<double> distanceKm;
  std::string name;
  bool operator<(const Candidate& other) const {
    if (distanceKm != other.distanceKm) return distanceKm < other.distanceKm;
    return index < other.index;
  }
};

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

// What the filters and the distance from --near say of one waypoint, which depends on it alone.
class WaypointJudge {
 public:
  // Throws ChoiceError for choices that cannot be followed.
  WaypointJudge(const Choices& choices, const Room& room);
  // The decision about the waypoint at `index` (from 0) of the source, kept or not left to the
  // room; warns about one without a name where names are required.
  Decision Judge(const Waypoint& waypoint, std::size_t index, Diagnostics& diagnostics) const;
  // True when the decision leaves the waypoint out for having no name.
  static bool HasNoName(const Decision& decision);

  std::optional<GeoPosition> place;  // the place of --near, once known

 private:
  const Choices& choices_;
  const Room& room_;
  std::set<int> styles_;
};

// Chooses as Choose does, from a source read twice a piece at a time: first for its tasks and the
// place of --near, then for its waypoints, of which it holds only those that may be kept (the best
// for the room, and kFewWarnings more to name those dropped, and the turnpoints the routes name).
// It sees each waypoint and task as the choice sees it (a KOORDIN target's names without control
// characters) and keeps it as it was read.
class PiecewiseChoice {
 public:
  // After the first pass: every task of the source as the choice sees it, and the waypoints seen by
  // `finder`. Throws ChoiceError for choices that cannot be followed.
  PiecewiseChoice(const Choices& choices, const Room& room, std::vector<Task> tasks,
                  const PlaceFinder& finder);

  // The second pass, each waypoint in the source's order. Without a limit of turnpoints the
  // answer is final: true when it is kept. With one, it is false, and Finish keeps what fits.
  bool Offer(const Waypoint& seen, const Waypoint& read, Diagnostics& diagnostics);

  // The turnpoints kept under a limit and the routes kept of `tasks` (as read, in the order the
  // first pass saw them), in the source's order; warns as Choose does. Without a limit of
  // turnpoints, the routes kept do not depend on the waypoints, and it may come first.
  Document Finish(std::vector<Task> tasks, Diagnostics& diagnostics);

 private:
  struct Resolved {
    std::size_t index;
    bool passes;  // the filters let it pass
    bool noName;
  };
  const Choices& choices_;
  const Room& room_;
  WaypointJudge judge_;
  std::vector<Task> tasks_;                   // as the choice sees them
  std::set<std::string> referenced_;          // the names the chosen tasks fly
  std::map<std::string, Resolved> resolved_;  // the first waypoint of each of these names
  std::set<std::size_t> named_;               // their indexes
  std::size_t count_ = 0;                     // waypoints offered
  std::size_t candidateCount_ = 0;            // of these, those the filters let pass
  std::vector<Candidate> best_;               // a heap of the best candidates, the worst on top
  std::map<std::size_t, Waypoint> held_;      // by index: the best, and those the routes name
};

// The waypoints and tasks that `selection` keeps, in the source's order.
Document Chosen(Document document, const Selection& selection);

}  // namespace koordin_cli
