#include "tools/koordin/conversion/choosing.h"

#include "tools/koordin/formats/charset.h"
#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/reports/text_table.h"

#include <fnmatch.h>

#include <algorithm>
#include <functional>
#include <map>
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
  if (!patterns.empty()) UseTransliterationLocale();
  return std::any_of(patterns.begin(), patterns.end(), [&](const std::string& pattern) {
    return fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
  });
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

void PlaceFinder::See(const Waypoint& waypoint) {
  if (!exact_ && waypoint.name == near_)
    exact_ = GeoPosition{waypoint.latitude, waypoint.longitude};
  if (!anyCase_ && EqualsIgnoringCase(waypoint.name, near_)) {
    anyCase_ = GeoPosition{waypoint.latitude, waypoint.longitude};
  }
}

GeoPosition PlaceFinder::Place() const {
  if (exact_) return *exact_;
  if (anyCase_) return *anyCase_;
  if (const std::optional<GeoPosition> position = ParsePosition(near_)) return *position;
  throw ChoiceError("--near " + near_ +
                    ": neither a turnpoint of the source nor a position (48.63,9.43, "
                    "48°37'50\"N 9°25'49\"E or 4837.833N 00925.817E)");
}

WaypointJudge::WaypointJudge(const Choices& choices, const Room& room)
    : choices_(choices), room_(room) {
  if (choices.radiusKm && choices.near.empty()) throw ChoiceError("--radius needs --near");
  if (choices.radiusKm && !(*choices.radiusKm >= 0)) {
    throw ChoiceError("--radius " + FormatDecimal(*choices.radiusKm, 3) + ": not a distance");
  }
  styles_ = StylesChosen(choices.styles);
}

Decision WaypointJudge::Judge(const Waypoint& waypoint, std::size_t index,
                              Diagnostics& diagnostics) const {
  Decision decision;
  if (place) decision.distanceKm = DistanceKm(*place, {waypoint.latitude, waypoint.longitude});
  if (room_.namesRequired && TrimRight(waypoint.name).empty()) {
    decision.reason = kNoName;
    diagnostics.Warn("turnpoint " + std::to_string(index + 1) + " has no name: left out");
    return decision;
  }
  decision.reason = FilterReason(waypoint, decision, choices_, styles_);
  return decision;
}

bool WaypointJudge::HasNoName(const Decision& decision) {
  return decision.reason == kNoName;
}

namespace {

// Finds the waypoint a route point names (without blanks at its end): its index in the source, or
// none when there is none or it has no name where names are required.
using RouteResolver = std::function<std::optional<std::size_t>(const std::string&)>;

// Decides the routes: those chosen by --tasks that fit, each with every flown turnpoint it names,
// added to `reserved`, as long as these fit. Returns the room for turnpoints.
std::size_t DecideRoutes(const std::vector<Task>& tasks, const Choices& choices, const Room& room,
                         std::size_t turnpointCount, const RouteResolver& resolve,
                         std::vector<Decision>& decisions, std::set<std::size_t>& reserved,
                         Diagnostics& diagnostics) {
  const std::size_t turnpointRoom = room.turnpoints.value_or(turnpointCount);
  int routeSlot = 0;
  decisions.assign(tasks.size(), Decision());
  for (std::size_t t = 0; t < tasks.size(); ++t) {
    const Task& task = tasks[t];
    Decision& decision = decisions[t];
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
      const std::optional<std::size_t> found = resolve(TrimRight(task.points[p]));
      if (found && reserved.count(*found) == 0) needed.insert(*found);
    }
    if (reserved.size() + needed.size() > turnpointRoom) {
      decision.reason = "its turnpoints do not fit";
      diagnostics.Warn(what +
                           " dropped: its turnpoints do not fit beside those of the routes "
                           "before it in " +
                           std::to_string(turnpointRoom) + " slots",
                       "routes dropped: their turnpoints do not fit in the file's " +
                           std::to_string(turnpointRoom) + "; choose with --tasks");
      continue;
    }
    reserved.insert(needed.begin(), needed.end());
    decision.kept = true;
    decision.slot = ++routeSlot;
  }
  return turnpointRoom;
}

// Adds to `kept` the first of the `candidateCount` candidates, `ranked` from the best, until
// `room` is full, and warns about those dropped: by name, or as many as they are where
// `diagnostics` keep few and `ranked` holds only the best (room and kFewWarnings more).
void KeepFirstCandidates(const std::vector<Candidate>& ranked, std::size_t candidateCount,
                         std::size_t room, std::set<std::size_t>& kept, Diagnostics& diagnostics) {
  const std::size_t fit = room > kept.size() ? room - kept.size() : 0;
  const std::size_t dropped = candidateCount > fit ? candidateCount - fit : 0;
  const auto message = [&](const Candidate& candidate) {
    return "turnpoint " + Quoted(candidate.name) + " dropped: the file holds " +
           std::to_string(room) + " turnpoints";
  };
  const std::string group = "turnpoints dropped: the file holds " + std::to_string(room) +
                            "; choose with --near/--radius or --only";
  for (std::size_t r = 0; r < ranked.size() && r < fit; ++r) kept.insert(ranked[r].index);
  if (dropped > kFewWarnings && diagnostics.KeepsFew()) {
    diagnostics.Warn(message(ranked[fit]), group, dropped);
  } else {
    for (std::size_t r = fit; r < ranked.size(); ++r) diagnostics.Warn(message(ranked[r]), group);
  }
}

}  // namespace

Selection Choose(const Document& document, const Choices& choices, const Room& room,
                 Diagnostics& diagnostics) {
  WaypointJudge judge(choices, room);
  Selection selection;
  if (!choices.near.empty()) {
    PlaceFinder finder(choices.near);
    for (const Waypoint& waypoint : document.waypoints) finder.See(waypoint);
    selection.place = judge.place = finder.Place();
  }
  const std::size_t count = document.waypoints.size();
  selection.turnpoints.resize(count);
  // By the name as the file keeps it, without blanks at its end, as route points find it.
  std::map<std::string, std::size_t> byName;
  for (std::size_t i = 0; i < count; ++i) {
    byName.emplace(TrimRight(document.waypoints[i].name), i);
    selection.turnpoints[i] = judge.Judge(document.waypoints[i], i, diagnostics);
  }

  // The chosen routes that fit, each with the turnpoints it flies.
  std::set<std::size_t> reserved;
  const std::size_t turnpointRoom = DecideRoutes(
      document.tasks, choices, room, count,
      [&](const std::string& name) -> std::optional<std::size_t> {
        const auto found = byName.find(name);
        if (found == byName.end() ||
            WaypointJudge::HasNoName(selection.turnpoints[found->second])) {
          return std::nullopt;
        }
        return found->second;
      },
      selection.routes, reserved, diagnostics);
  for (const std::size_t i : reserved) selection.turnpoints[i].reason.clear();

  // Then the turnpoints that pass the filters: the nearest first, else in the source's order.
  std::vector<Candidate> ranked;
  for (std::size_t i = 0; i < count; ++i) {
    if (reserved.count(i) == 0 && selection.turnpoints[i].reason.empty()) {
      ranked.push_back({i, selection.turnpoints[i].distanceKm, document.waypoints[i].name});
    }
  }
  std::sort(ranked.begin(), ranked.end());
  KeepFirstCandidates(ranked, ranked.size(), turnpointRoom, reserved, diagnostics);
  for (const Candidate& candidate : ranked) {
    if (reserved.count(candidate.index) == 0) {
      selection.turnpoints[candidate.index].reason = "no slot left";
    }
  }
  int slot = 0;
  for (const std::size_t i : reserved) {
    selection.turnpoints[i].kept = true;
    selection.turnpoints[i].slot = ++slot;
  }
  return selection;
}

PiecewiseChoice::PiecewiseChoice(const Choices& choices, const Room& room, std::vector<Task> tasks,
                                 const PlaceFinder& finder)
    : choices_(choices), room_(room), judge_(choices, room), tasks_(std::move(tasks)) {
  if (!choices.near.empty()) judge_.place = finder.Place();
  for (const Task& task : tasks_) {
    if (!choices_.tasks.empty() && !MatchesAny(choices_.tasks, task.name)) continue;
    const FlownRange flown = FlownPoints(task);
    for (std::size_t p = flown.first; p < flown.last; ++p) {
      referenced_.insert(TrimRight(task.points[p]));
    }
  }
}

bool PiecewiseChoice::Offer(const Waypoint& seen, const Waypoint& read, Diagnostics& diagnostics) {
  const std::size_t index = count_++;
  const Decision decision = judge_.Judge(seen, index, diagnostics);
  const bool passes = decision.reason.empty();
  std::string key = TrimRight(seen.name);
  const bool named = referenced_.count(key) > 0 && resolved_.count(key) == 0;
  if (named) {
    resolved_.emplace(std::move(key), Resolved{index, passes, WaypointJudge::HasNoName(decision)});
    named_.insert(index);
  }
  if (!room_.turnpoints) return passes || named;
  if (named) held_.emplace(index, read);
  if (!passes) return false;
  ++candidateCount_;
  best_.push_back({index, decision.distanceKm, seen.name});
  std::push_heap(best_.begin(), best_.end());
  held_.emplace(index, read);
  if (best_.size() > *room_.turnpoints + kFewWarnings) {
    std::pop_heap(best_.begin(), best_.end());
    const std::size_t worst = best_.back().index;
    best_.pop_back();
    if (named_.count(worst) == 0) held_.erase(worst);
  }
  return false;
}

Document PiecewiseChoice::Finish(std::vector<Task> tasks, Diagnostics& diagnostics) {
  std::set<std::size_t> kept;
  std::vector<Decision> routes;
  const std::size_t turnpointRoom = DecideRoutes(
      tasks_, choices_, room_, count_,
      [&](const std::string& name) -> std::optional<std::size_t> {
        const auto found = resolved_.find(name);
        if (found == resolved_.end() || found->second.noName) return std::nullopt;
        return found->second.index;
      },
      routes, kept, diagnostics);
  Document chosen;
  if (room_.turnpoints) {
    std::size_t candidates = candidateCount_;
    for (const auto& entry : resolved_) {
      if (entry.second.passes && kept.count(entry.second.index) > 0) --candidates;
    }
    std::vector<Candidate> ranked;
    for (const Candidate& candidate : best_) {
      if (kept.count(candidate.index) == 0) ranked.push_back(candidate);
    }
    std::sort(ranked.begin(), ranked.end());
    KeepFirstCandidates(ranked, candidates, turnpointRoom, kept, diagnostics);
    chosen.waypoints.reserve(kept.size());
    for (const std::size_t i : kept) chosen.waypoints.push_back(std::move(held_.at(i)));
  }
  for (std::size_t t = 0; t < tasks.size(); ++t) {
    if (routes[t].kept) chosen.tasks.push_back(std::move(tasks[t]));
  }
  return chosen;
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
