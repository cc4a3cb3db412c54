#pragma once

#include "tools/koordin/formats/document.h"
#include "tools/koordin/position.h"

#include <cstddef>
#include <optional>
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

// The waypoints and tasks that `selection` keeps, in the source's order.
Document Chosen(Document document, const Selection& selection);

}  // namespace koordin_cli
