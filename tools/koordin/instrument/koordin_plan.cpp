#include "tools/koordin/instrument/koordin_plan.h"

#include "tools/koordin/conversion/control_characters.h"
#include "tools/koordin/conversion/frequency.h"
#include "tools/koordin/conversion/position.h"
#include "tools/koordin/conversion/rule.h"
#include "tools/koordin/formats/charset.h"
#include "tools/koordin/reports/text_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <utility>

namespace koordin_cli {

namespace {

// Turns UTF-8 names into the file's character set and back, warning once for each name that
// had to be transliterated.
class NameEncoder {
 public:
  NameEncoder(const std::string& encoding, Diagnostics& diagnostics)
      : encoding_(encoding), diagnostics_(diagnostics) {}

  // `name` in the file's set; `what` introduces the warning, e.g. `turnpoint "Łódź"`.
  std::string Encode(const std::string& name, const std::string& what, bool warn = true) {
    bool exact = true;
    std::string encoded = ConvertCharset(name, kUtf8, encoding_.c_str(), &exact);
    if (!exact && warn) {
      diagnostics_.Warn(
          what + ": characters outside " + encoding_ + " written as " + Quoted(Decode(encoded)),
          "names with characters outside " + encoding_ + ", transliterated");
    }
    return encoded;
  }

  std::string Decode(const std::string& encoded) const {
    return ConvertCharset(encoded, encoding_.c_str(), kUtf8);
  }

  const std::string& encoding() const { return encoding_; }

 private:
  const std::string& encoding_;
  Diagnostics& diagnostics_;
};

// The name as the file keeps it: cut to `width` bytes, without trailing blanks, which the reader
// does not keep.
std::string CutName(const std::string& encoded, int width) {
  return TrimRight(encoded.substr(0, static_cast<std::size_t>(width)));
}

// A name of the source, for one entry of a table of the file.
struct NameRequest {
  std::string original;  // as read, without trailing blanks
  std::string cleaned;   // without control characters (conversion/control_characters.h)
  std::string what;      // introduces its warnings, e.g. `turnpoint "Łódź"`
};

// What a name became, with the warnings that say so, to be told in the entry's turn.
struct PlacedName {
  std::string name;  // in the file's character set and width
  std::vector<std::pair<std::string, std::string>> warnings;  // message and group
};

// The names of one table of the file. Each name is made the file's (its control characters
// replaced, its characters put into the file's set, cut to the table's width), with a warning for
// every change; names that these changes make one, although they differ in the source, are
// numbered apart, but for the one that arrives unchanged, else the first, and that is said too.
class NameTable {
 public:
  NameTable(int width, const char* plural, NameEncoder& encoder)
      : width_(width), plural_(plural), encoder_(encoder) {}

  // The file's names of `requests`, in order.
  std::vector<PlacedName> Place(const std::vector<NameRequest>& requests) {
    std::vector<PlacedName> placed(requests.size());
    std::vector<std::string> encoded(requests.size());
    std::map<std::string, std::vector<std::size_t>> byCandidate;
    for (std::size_t i = 0; i < requests.size(); ++i) {
      bool exact = true;
      encoded[i] = ConvertCharset(requests[i].cleaned, kUtf8, encoder_.encoding().c_str(), &exact);
      placed[i].name = CutName(encoded[i], width_);
      if (!exact) {
        const std::string& set = encoder_.encoding();
        placed[i].warnings.emplace_back(
            requests[i].what + ": characters outside " + set + " written as " +
                Quoted(encoder_.Decode(encoded[i])),
            "names with characters outside " + set + ", transliterated");
      }
      byCandidate[placed[i].name].push_back(i);
    }
    std::set<std::string> taken;
    for (const auto& [candidate, entries] : byCandidate) taken.insert(candidate);
    for (const auto& [candidate, entries] : byCandidate) {
      // The entry that keeps the name: one that arrives unchanged, else the first.
      std::size_t keeper = entries.front();
      for (const std::size_t i : entries) {
        if (encoder_.Decode(candidate) == requests[i].original) {
          keeper = i;
          break;
        }
      }
      const std::string& kept = requests[keeper].original;
      std::map<std::string, std::string> numbers;  // a name the source gives twice, numbered once
      for (const std::size_t i : entries) {
        if (requests[i].original == kept) continue;
        contested_[candidate] = kept;
        auto [number, fresh] = numbers.try_emplace(requests[i].original);
        if (fresh) {
          number->second = Numbered(encoded[i], taken);
          taken.insert(number->second);
        }
        placed[i].name = number->second;
        placed[i].warnings.emplace_back(
            Singular() + " " + Quoted(requests[i].original) + ": numbered " +
                Quoted(encoder_.Decode(placed[i].name)) + ", as its name in the file, " +
                Quoted(encoder_.Decode(candidate)) + ", is that of " + Singular() + " " +
                Quoted(kept),
            std::string(plural_) + " numbered apart, as the file would hold their names as one");
      }
    }
    for (std::size_t i = 0; i < requests.size(); ++i) {
      const bool numbered = placed[i].name != CutName(encoded[i], width_);
      if (!numbered && encoded[i].size() > static_cast<std::size_t>(width_)) {
        const std::string width = std::to_string(width_);
        placed[i].warnings.emplace_back(
            requests[i].what + ": name cut to " + width +
                " characters: " + Quoted(encoder_.Decode(placed[i].name)),
            "names cut to the file's " + width + " characters");
      }
      fileNames_.try_emplace(requests[i].original, placed[i].name);
      cleanedNames_.try_emplace(requests[i].cleaned, placed[i].name);
      names_.insert(placed[i].name);
    }
    return placed;
  }

  // The file's name of the entry named `original` in the source, or else one whose name without
  // control characters is `cleaned`; none when no entry is so named.
  std::optional<std::string> FileNameOf(const std::string& original,
                                        const std::string& cleaned) const {
    if (const auto found = fileNames_.find(original); found != fileNames_.end()) {
      return found->second;
    }
    if (const auto found = cleanedNames_.find(cleaned); found != cleanedNames_.end()) {
      return found->second;
    }
    return std::nullopt;
  }

  // Whether a name placed in the table stands in the file as `fileName`.
  bool Contains(const std::string& fileName) const { return names_.count(fileName) != 0; }

  // The source's name of the entry that holds `fileName`, when other names of the source would
  // have become it too; none when only one did.
  std::optional<std::string> ContestedBy(const std::string& fileName) const {
    const auto found = contested_.find(fileName);
    if (found == contested_.end()) return std::nullopt;
    return found->second;
  }

 private:
  std::string Singular() const {
    const std::string plural = plural_;
    return plural.substr(0, plural.size() - 1);
  }

  // `encoded` cut so that a number after it makes a name that no other of the table has.
  std::string Numbered(const std::string& encoded, const std::set<std::string>& taken) const {
    for (int number = 2;; ++number) {
      const std::string suffix = " " + std::to_string(number);
      const int room = std::max(0, width_ - static_cast<int>(suffix.size()));
      const std::string name = CutName(encoded, room) + suffix;
      if (taken.count(name) == 0) return name;
    }
  }

  int width_;
  const char* plural_;
  NameEncoder& encoder_;
  std::map<std::string, std::string> fileNames_;     // by the source's name
  std::map<std::string, std::string> cleanedNames_;  // by the name without control characters
  std::set<std::string> names_;                      // every name in the file
  std::map<std::string, std::string> contested_;     // file name: the source's name it is
};

void Tell(const PlacedName& placed, Diagnostics& diagnostics) {
  for (const auto& [message, group] : placed.warnings) diagnostics.Warn(message, group);
}

// The whole number of metres the file carries, within its range. The comparison is made before
// rounding, so that an elevation beyond any integer still gets the nearer limit.
int PlanAltitude(const Waypoint& waypoint, const std::string& what, Diagnostics& diagnostics) {
  if (!waypoint.elevation) return 0;
  const double metres = *waypoint.elevation;
  const double rounded = std::round(metres);
  if (rounded >= kMinAltitude && rounded <= kMaxAltitude) return static_cast<int>(rounded);
  const int written = rounded < kMinAltitude ? kMinAltitude : kMaxAltitude;
  char shown[32];
  std::snprintf(shown, sizeof shown, "%.15g", metres);
  diagnostics.Warn(what + ": altitude " + shown + " m outside " + std::to_string(kMinAltitude) +
                       ".." + std::to_string(kMaxAltitude) + ", written as " +
                       std::to_string(written),
                   "altitudes outside " + std::to_string(kMinAltitude) + ".." +
                       std::to_string(kMaxAltitude) + " m, written as the nearer limit");
  return written;
}

// The frequency in the one form the file gets; text that is no airband frequency has no place in
// the file.
std::string PlanFrequency(const std::string& frequency, const std::string& what,
                          Diagnostics& diagnostics) {
  const std::string text(TrimBlanks(frequency));
  if (MeansNoFrequency(text)) return {};
  if (const std::optional<std::string> normal = NormalizeFrequency(text)) return *normal;
  diagnostics.Warn(what + ": frequency " + Quoted(text) + " is no airband frequency: not written",
                   "frequencies that are no airband frequency, not written");
  return {};
}

// The turnpoints of `waypoints` as read, and as `cleaned` of control characters.
std::vector<PlannedTurnpoint> PlanTurnpoints(const std::vector<Waypoint>& waypoints,
                                             const std::vector<Waypoint>& cleaned, NameTable& names,
                                             Diagnostics& diagnostics) {
  std::vector<NameRequest> requests;
  std::vector<std::size_t> named;
  for (std::size_t i = 0; i < cleaned.size(); ++i) {
    const std::string name = TrimRight(cleaned[i].name);
    if (name.empty()) continue;  // the chooser leaves these out, with a warning
    requests.push_back({TrimRight(waypoints[i].name), name, "turnpoint " + Quoted(name)});
    named.push_back(i);
  }
  const std::vector<PlacedName> placed = names.Place(requests);
  std::vector<PlannedTurnpoint> planned;
  for (std::size_t k = 0; k < named.size(); ++k) {
    const Waypoint& waypoint = cleaned[named[k]];
    const std::string& what = requests[k].what;
    Tell(placed[k], diagnostics);
    PlannedTurnpoint turnpoint;
    turnpoint.name = placed[k].name;
    turnpoint.latitude = RoundToWholeSecond(waypoint.latitude);
    turnpoint.longitude = RoundToWholeSecond(waypoint.longitude);
    turnpoint.altitude = PlanAltitude(waypoint, what, diagnostics);
    turnpoint.frequency = PlanFrequency(waypoint.frequency, what, diagnostics);
    turnpoint.marked = waypoint.marked;
    planned.push_back(std::move(turnpoint));
  }
  return planned;
}

// The route's points as the driver takes them: the flown points between a takeoff and a landing,
// which the file does not carry.
std::vector<std::string> RoutePointNames(const Task& task) {
  const bool everyEntryFlown = !task.points.empty() && FlownPoints(task).first == 0;
  std::vector<std::string> names;
  if (everyEntryFlown) names.emplace_back();
  for (const std::string& point : task.points) names.push_back(TrimRight(point));
  if (everyEntryFlown) names.emplace_back();
  return names;
}

// Whether the task names a takeoff or a landing that the route loses: one that is not the
// point flown next to it.
bool LosesTakeoffOrLanding(const Task& task) {
  const FlownRange flown = FlownPoints(task);
  if (flown.first == 0 || task.points.empty()) return false;
  const auto lost = [&](std::size_t end, std::size_t neighbour) {
    const std::string name = TrimRight(task.points[end]);
    return !name.empty() &&
           (flown.first == flown.last || name != TrimRight(task.points[neighbour]));
  };
  return lost(0, flown.first) || lost(task.points.size() - 1, flown.last - 1);
}

// A route of points named `pointNames` as read and `cleanedNames` of control characters. A point
// names the turnpoint of its name, as the file holds that name.
PlannedRoute PlanRoute(const std::vector<std::string>& pointNames,
                       const std::vector<std::string>& cleanedNames, const std::string& what,
                       const Capacities& capacities, const NameTable& turnpointNames,
                       NameEncoder& encoder, Diagnostics& diagnostics) {
  PlannedRoute route;
  // The driver writes the inner points in order, up to a slot's point lines; a long route loses
  // its inner points of the omittable kind first. The route planned holds only the inner points
  // written, which the driver then writes all of, whatever the length of the source's route.
  const std::size_t count = cleanedNames.size();
  const bool longRoute = count > static_cast<std::size_t>(capacities.pointsPerRoute);
  int linesWritten = 0;
  for (std::size_t p = 0; p < count; ++p) {
    const std::string& pointName = cleanedNames[p];
    PlannedPoint point;
    std::optional<std::string> namesAnother;  // the turnpoint it would seem to name in the file
    if (const std::optional<std::string> file =
            turnpointNames.FileNameOf(pointNames[p], pointName)) {
      point.name = *file;
    } else {
      point.name = CutName(encoder.Encode(pointName, "", false), capacities.nameLength);
      namesAnother = turnpointNames.ContestedBy(point.name);
      if (!turnpointNames.Contains(point.name) || namesAnother) {
        point.kind = koordin::kOmittableKind;
      }
    }
    const bool inner = p > 0 && p + 1 < count;
    if (!inner) {
      point.kind = kFIOPointKindPlain;
      route.points.push_back(point);
      continue;
    }
    // Made only for a warning: most points need none.
    const auto pointWhat = [&] { return what + ": point " + Quoted(pointName); };
    if (linesWritten == capacities.pointsPerRoute) {
      diagnostics.Warn(
          pointWhat() + " left out: a route holds " + std::to_string(capacities.pointsPerRoute) +
              " points",
          "route points left out beyond a route's " + std::to_string(capacities.pointsPerRoute));
    } else if (longRoute && point.kind == koordin::kOmittableKind) {
      diagnostics.Warn(pointWhat() + " left out: it names no turnpoint in the file, and the " +
                           "route has more than " + std::to_string(capacities.pointsPerRoute) +
                           " points",
                       "route points that name no turnpoint in the file left out of long routes");
    } else {
      ++linesWritten;
      route.points.push_back(point);
      if (namesAnother) {
        diagnostics.Warn(pointWhat() + " names no turnpoint, yet is written as " +
                             Quoted(encoder.Decode(point.name)) + ", the name of turnpoint " +
                             Quoted(*namesAnother) + " in the file",
                         "route points that name no turnpoint, written as another's name");
      } else if (point.kind == koordin::kOmittableKind) {
        diagnostics.Warn(pointWhat() + " names no turnpoint in the file",
                         "route points that name no turnpoint in the file");
      }
    }
  }
  return route;
}

// The routes of `tasks` as read, and as `cleaned` of control characters.
std::vector<PlannedRoute> PlanRoutes(const std::vector<Task>& tasks,
                                     const std::vector<Task>& cleaned, const Capacities& capacities,
                                     const NameTable& turnpointNames, NameEncoder& encoder,
                                     Diagnostics& diagnostics) {
  std::vector<NameRequest> requests;
  for (std::size_t i = 0; i < cleaned.size(); ++i) {
    std::string name = TrimRight(cleaned[i].name);
    std::string original = TrimRight(tasks[i].name);
    // A route slot without a name reads back as an empty slot.
    if (name.empty()) name = original = "Task " + std::to_string(i + 1);
    requests.push_back({original, name, "route " + Quoted(name)});
  }
  NameTable routeNames(capacities.routeNameLength, "routes", encoder);
  const std::vector<PlacedName> placed = routeNames.Place(requests);
  std::vector<PlannedRoute> planned;
  std::size_t lostEnds = 0;
  for (std::size_t i = 0; i < cleaned.size(); ++i) {
    const Task& task = cleaned[i];
    const std::string& what = requests[i].what;
    if (TrimRight(task.name).empty()) {
      diagnostics.Warn("task " + std::to_string(i + 1) + " has no name: written as " +
                       Quoted(requests[i].cleaned));
    }
    if (!task.cupOptions.empty()) {
      diagnostics.Warn(what + ": its task options and observation zones have no place in the file",
                       "routes whose task options and observation zones have no place in the "
                       "file");
    }
    if (LosesTakeoffOrLanding(task)) ++lostEnds;
    Tell(placed[i], diagnostics);
    PlannedRoute route = PlanRoute(RoutePointNames(tasks[i]), RoutePointNames(task), what,
                                   capacities, turnpointNames, encoder, diagnostics);
    route.name = placed[i].name;
    planned.push_back(std::move(route));
  }
  if (lostEnds > 0) {
    diagnostics.Warn(CountOf(lostEnds, "task", "tasks") +
                     " lost a takeoff or landing: a KOORDIN route carries neither");
  }
  return planned;
}

}  // namespace

Capacities CapacitiesOf(const FIO_DriverInfoRecord& info) {
  Capacities capacities;
  capacities.turnpoints = info.turnpointCapacity;
  capacities.routes = info.routeCapacity;
  capacities.pointsPerRoute = info.pointsPerRoute;
  capacities.nameLength = info.nameLength;
  capacities.routeNameLength = info.nameLineLength;
  return capacities;
}

KoordinPlan PlanKoordin(const Document& document, const Capacities& capacities,
                        const std::string& encoding, Diagnostics& diagnostics) {
  NameEncoder encoder(encoding, diagnostics);
  // The texts as the file takes them; the names as read tell which turnpoint a route point is.
  Document cleaned = document;
  ReplaceControlCharacters(cleaned, diagnostics);
  NameTable turnpointNames(capacities.nameLength, "turnpoints", encoder);
  KoordinPlan plan;
  plan.turnpoints =
      PlanTurnpoints(document.waypoints, cleaned.waypoints, turnpointNames, diagnostics);
  plan.routes =
      PlanRoutes(document.tasks, cleaned.tasks, capacities, turnpointNames, encoder, diagnostics);
  return plan;
}

}  // namespace koordin_cli
