#include "tools/koordin/choosing.h"

#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/text_format.h"

#include <fnmatch.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <set>
#include <utility>
#include <vector>

namespace koordin_cli {

namespace {

constexpr const char* kNoName = "no name";

struct StyleName {
  const char* name;  // lower case, words joined by "-"
  std::vector<int> styles;
};

// The CUP waypoint styles by name, and the groups pilots choose by.
const std::vector<StyleName>& StyleNames() {
  static const std::vector<StyleName> kNames = {
      {"unknown", {0}},
      {"waypoint", {1}},
      {"turnpoint", {1}},
      {"grass-airfield", {2}},
      {"outlanding", {3}},
      {"gliding-airfield", {4}},
      {"solid-airfield", {5}},
      {"mountain-pass", {6}},
      {"mountain-top", {7}},
      {"mast", {8}},
      {"vor", {9}},
      {"ndb", {10}},
      {"cooling-tower", {11}},
      {"dam", {12}},
      {"tunnel", {13}},
      {"bridge", {14}},
      {"power-plant", {15}},
      {"castle", {16}},
      {"intersection", {17}},
      {"marker", {18}},
      {"reporting-point", {19}},
      {"paraglider-takeoff", {20}},
      {"paraglider-landing", {21}},
      {"airfield", {2, 4, 5}},
      {"landable", {2, 3, 4, 5}},
  };
  return kNames;
}

// `text` as the style names are written: lower case, words joined by "-".
std::string StyleKey(const std::string& text) {
  std::string key;
  for (const char c : text) {
    key += (c == ' ' || c == '_') ? '-' : LowerAscii(c);
  }
  return key;
}

std::set<int> StylesChosen(const std::vector<std::string>& names) {
  std::set<int> styles;
  for (const std::string& name : names) {
    if (const std::optional<long long> number = ParseInteger(name)) {
      if (*number < 0 || *number > kLastStyle) {
        throw ChoiceError("--style " + name + ": styles run from 0 to " +
                          std::to_string(kLastStyle));
      }
      styles.insert(static_cast<int>(*number));
      continue;
    }
    const auto& known = StyleNames();
    const auto found = std::find_if(known.begin(), known.end(), [&](const StyleName& entry) {
      return StyleKey(name) == entry.name;
    });
    if (found == known.end()) {
      std::string list;
      for (const StyleName& entry : known)
        list += (list.empty() ? "" : ", ") + std::string(entry.name);
      throw ChoiceError("--style " + name + ": not a waypoint style (" + list + ", or 0 to " +
                        std::to_string(kLastStyle) + ")");
    }
    styles.insert(found->styles.begin(), found->styles.end());
  }
  return styles;
}

bool MatchesAny(const std::vector<std::string>& patterns, const std::string& name) {
  return std::any_of(patterns.begin(), patterns.end(), [&](const std::string& pattern) {
    return fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
  });
}

// The place of --near: a waypoint of that name (exactly, else in any case), else a position.
GeoPosition PlaceOf(const std::string& near, const Document& document) {
  for (const bool exact : {true, false}) {
    for (const Waypoint& waypoint : document.waypoints) {
      if (exact ? waypoint.name == near : EqualsIgnoringCase(waypoint.name, near)) {
        return {waypoint.latitude, waypoint.longitude};
      }
    }
  }
  if (const std::optional<GeoPosition> position = ParsePosition(near)) return *position;
  throw ChoiceError("--near " + near +
                    ": neither a turnpoint of the source nor a position (48.63,9.43, "
                    "48°37'50\"N 9°25'49\"E or 4837.833N 00925.817E)");
}

// Why the filters let `waypoint` not pass; empty when they do.
std::string FilterReason(const Waypoint& waypoint, const Decision& decision, const Choices& choices,
                         const std::set<int>& styles) {
  if (!choices.only.empty() && !MatchesAny(choices.only, waypoint.name)) {
    return "not matched by --only";
  }
  if (MatchesAny(choices.exclude, waypoint.name)) return "excluded by --exclude";
  if (!styles.empty() && styles.count(waypoint.style) == 0) {
    return "style " + std::to_string(waypoint.style) + " not chosen by --style";
  }
  if (choices.radiusKm && decision.distanceKm && *decision.distanceKm > *choices.radiusKm) {
    return "outside " + FormatDecimal(*choices.radiusKm, 3) + " km";
  }
  return {};
}

bool ZonesNumberEveryEntry(const Task& task) {
  constexpr std::string_view kZone = "ObsZone=";
  long long highest = -1;
  for (const std::string& line : task.cupOptions) {
    const std::string_view text = TrimBlanks(line);
    if (text.size() <= kZone.size() || !EqualsIgnoringCase(text.substr(0, kZone.size()), kZone)) {
      continue;
    }
    const std::string_view rest = text.substr(kZone.size());
    if (const auto index = ParseInteger(TrimBlanks(rest.substr(0, rest.find(','))))) {
      highest = std::max(highest, *index);
    }
  }
  return !task.points.empty() && highest + 1 >= static_cast<long long>(task.points.size());
}

}  // namespace

FlownRange FlownPoints(const Task& task) {
  const std::size_t count = task.points.size();
  if (ZonesNumberEveryEntry(task)) return {0, count};
  if (count < 2) return {count, count};
  return {1, count - 1};
}

Selection Choose(const Document& document, const Choices& choices, const Room& room,
                 Diagnostics& diagnostics) {
  if (choices.radiusKm && choices.near.empty()) throw ChoiceError("--radius needs --near");
  if (choices.radiusKm && !(*choices.radiusKm >= 0)) {
    throw ChoiceError("--radius " + FormatDecimal(*choices.radiusKm, 3) + ": not a distance");
  }
  const std::set<int> styles = StylesChosen(choices.styles);
  Selection selection;
  if (!choices.near.empty()) selection.place = PlaceOf(choices.near, document);

  const std::size_t count = document.waypoints.size();
  selection.turnpoints.resize(count);
  // By the name as the file keeps it, without blanks at its end, as route points find it.
  std::map<std::string, std::size_t> byName;
  for (std::size_t i = 0; i < count; ++i) {
    const Waypoint& waypoint = document.waypoints[i];
    Decision& decision = selection.turnpoints[i];
    byName.emplace(TrimRight(waypoint.name), i);
    if (selection.place) {
      decision.distanceKm = DistanceKm(*selection.place, {waypoint.latitude, waypoint.longitude});
    }
    if (room.namesRequired && TrimRight(waypoint.name).empty()) {
      decision.reason = kNoName;
      diagnostics.Warn("turnpoint " + std::to_string(i + 1) + " has no name: left out");
      continue;
    }
    decision.reason = FilterReason(waypoint, decision, choices, styles);
  }

  // The chosen routes that fit, each with the turnpoints it flies.
  std::vector<bool> reserved(count, false);
  std::size_t reservedCount = 0;
  const std::size_t turnpointRoom = room.turnpoints.value_or(count);
  int routeSlot = 0;
  selection.routes.resize(document.tasks.size());
  for (std::size_t t = 0; t < document.tasks.size(); ++t) {
    const Task& task = document.tasks[t];
    Decision& decision = selection.routes[t];
    const std::string what = "route " + Quoted(task.name);
    if (!choices.tasks.empty() && !MatchesAny(choices.tasks, task.name)) {
      decision.reason = "not chosen by --tasks";
      continue;
    }
    if (room.routes && static_cast<std::size_t>(routeSlot) == *room.routes) {
      decision.reason = "no slot left";
      diagnostics.Warn(
          what + " dropped: the file holds " + std::to_string(*room.routes) + " routes",
          "routes dropped: the file holds " + std::to_string(*room.routes) +
              "; choose with --tasks");
      continue;
    }
    std::set<std::size_t> needed;
    const FlownRange flown = FlownPoints(task);
    for (std::size_t p = flown.first; p < flown.last; ++p) {
      const auto found = byName.find(TrimRight(task.points[p]));
      if (found != byName.end() && !reserved[found->second] &&
          selection.turnpoints[found->second].reason != kNoName) {
        needed.insert(found->second);
      }
    }
    if (reservedCount + needed.size() > turnpointRoom) {
      decision.reason = "its turnpoints do not fit";
      diagnostics.Warn(what +
                           " dropped: its turnpoints do not fit beside those of the routes "
                           "before it in " +
                           std::to_string(turnpointRoom) + " slots",
                       "routes dropped: their turnpoints do not fit in the file's " +
                           std::to_string(turnpointRoom) + "; choose with --tasks");
      continue;
    }
    for (const std::size_t i : needed) {
      reserved[i] = true;
      selection.turnpoints[i].reason.clear();
    }
    reservedCount += needed.size();
    decision.kept = true;
    decision.slot = ++routeSlot;
  }

  // Then the turnpoints that pass the filters: the nearest first, else in the source's order.
  std::vector<std::size_t> candidates;
  for (std::size_t i = 0; i < count; ++i) {
    if (!reserved[i] && selection.turnpoints[i].reason.empty()) candidates.push_back(i);
  }
  if (selection.place) {
    std::stable_sort(candidates.begin(), candidates.end(), [&](std::size_t a, std::size_t b) {
      return *selection.turnpoints[a].distanceKm < *selection.turnpoints[b].distanceKm;
    });
  }
  std::size_t kept = reservedCount;
  for (const std::size_t i : candidates) {
    if (kept < turnpointRoom) {
      reserved[i] = true;
      ++kept;
      continue;
    }
    selection.turnpoints[i].reason = "no slot left";
    diagnostics.Warn("turnpoint " + Quoted(document.waypoints[i].name) +
                         " dropped: the file holds " + std::to_string(turnpointRoom) +
                         " turnpoints",
                     "turnpoints dropped: the file holds " + std::to_string(turnpointRoom) +
                         "; choose with --near/--radius or --only");
  }
  int slot = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (!reserved[i]) continue;
    selection.turnpoints[i].kept = true;
    selection.turnpoints[i].slot = ++slot;
  }
  return selection;
}

namespace {

// Keeps in `items` those whose decision is to keep them, in their order.
template <typename Item>
void KeepChosen(std::vector<Item>& items, const std::vector<Decision>& decisions) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!decisions[i].kept) continue;
    if (kept != i) items[kept] = std::move(items[i]);
    ++kept;
  }
  items.erase(items.begin() + static_cast<std::ptrdiff_t>(kept), items.end());
}

}  // namespace

Document Chosen(Document document, const Selection& selection) {
  KeepChosen(document.waypoints, selection.turnpoints);
  KeepChosen(document.tasks, selection.routes);
  return document;
}

}  // namespace koordin_cli
