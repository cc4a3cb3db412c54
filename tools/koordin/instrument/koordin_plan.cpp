#include "tools/koordin/instrument/koordin_plan.h"

#include "tools/koordin/conversion/frequency.h"
#include "tools/koordin/conversion/position.h"
#include "tools/koordin/conversion/rule.h"
#include "tools/koordin/formats/charset.h"
#include "tools/koordin/reports/text_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
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

 private:
  const std::string& encoding_;
  Diagnostics& diagnostics_;
};

// The name as the file keeps it: cut to `width` bytes, without trailing blanks, which the reader
// does not keep.
std::string CutName(const std::string& encoded, int width) {
  return TrimRight(encoded.substr(0, static_cast<std::size_t>(width)));
}

// Cuts `encoded` to `width`, warning when that changed the name.
std::string CutWithWarning(const std::string& encoded, int width, const std::string& what,
                           const NameEncoder& encoder, Diagnostics& diagnostics) {
  const std::string cut = CutName(encoded, width);
  if (encoded.size() > static_cast<std::size_t>(width)) {
    diagnostics.Warn(what + ": name cut to " + std::to_string(width) +
                         " characters: " + Quoted(encoder.Decode(cut)),
                     "names cut to the file's " + std::to_string(width) + " characters");
  }
  return cut;
}

// The names of one table of the file as they will stand there: each cut to the table's width,
// with a warning for every cut. Names that the cut made equal are numbered apart where the table
// is `numbered`, else warned about at the end.
class NameTable {
 public:
  NameTable(int width, bool numbered, NameEncoder& encoder, Diagnostics& diagnostics)
      : width_(width), numbered_(numbered), encoder_(encoder), diagnostics_(diagnostics) {}

  // The file's form of `name` (UTF-8), encoded and cut, with a warning naming `what` if cut.
  std::string Place(const std::string& name, const std::string& what) {
    const std::string encoded = encoder_.Encode(name, what);
    const bool cut = encoded.size() > static_cast<std::size_t>(width_);
    std::string placed = CutName(encoded, width_);
    if (numbered_ && originalsByCut_.count(placed) > 0 && (cut || cutNames_.count(placed) > 0)) {
      placed = Numbered(encoded);
      diagnostics_.Warn(what + ": name cut to " + std::to_string(width_) +
                            " characters and numbered, as another's cut name is the same: " +
                            Quoted(encoder_.Decode(placed)),
                        "names numbered, as the cut to the file's " + std::to_string(width_) +
                            " characters made them one");
    } else {
      CutWithWarning(encoded, width_, what, encoder_, diagnostics_);
    }
    if (cut) cutNames_.insert(placed);
    originalsByCut_[placed].push_back(name);
    return placed;
  }

  // Whether a name placed in the table stands in the file as `fileName`.
  bool Contains(const std::string& fileName) const { return originalsByCut_.count(fileName) != 0; }

  // Warns about names that come out equal in the file when at least one of them was cut.
  void WarnAboutCollisions(const char* plural) const {
    for (const auto& [fileName, originals] : originalsByCut_) {
      if (originals.size() < 2 || cutNames_.count(fileName) == 0) continue;
      // A few names, so that the line fits a screen.
      constexpr std::size_t kNamed = 3;
      std::vector<std::string> quoted;
      for (std::size_t i = 0; i < originals.size() && i < kNamed; ++i)
        quoted.push_back(Quoted(originals[i]));
      if (originals.size() > kNamed)
        quoted.push_back(std::to_string(originals.size() - kNamed) + " more");
      const std::string list = JoinedInWords(quoted, "and");
      const std::string width = std::to_string(width_);
      diagnostics_.Warn(
          std::string(plural) + " " + list + " become one name when cut to " + width +
              " characters: " + Quoted(encoder_.Decode(fileName)),
          std::string(plural) + " that become one name when cut to " + width + " characters");
    }
  }

 private:
  // `encoded` cut so that a number after it makes a name no other of the table has.
  std::string Numbered(const std::string& encoded) const {
    for (int number = 2;; ++number) {
      const std::string suffix = " " + std::to_string(number);
      const int room = std::max(0, width_ - static_cast<int>(suffix.size()));
      const std::string name = CutName(encoded, room) + suffix;
      if (originalsByCut_.count(name) == 0) return name;
    }
  }

  int width_;
  bool numbered_;
  NameEncoder& encoder_;
  Diagnostics& diagnostics_;
  std::map<std::string, std::vector<std::string>> originalsByCut_;
  std::set<std::string> cutNames_;
};

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

std::vector<PlannedTurnpoint> PlanTurnpoints(const std::vector<Waypoint>& waypoints,
                                             NameTable& names, Diagnostics& diagnostics) {
  std::vector<PlannedTurnpoint> planned;
  for (const Waypoint& waypoint : waypoints) {
    const std::string name = TrimRight(waypoint.name);
    if (name.empty()) continue;  // the chooser leaves these out, with a warning
    const std::string what = "turnpoint " + Quoted(name);
    PlannedTurnpoint turnpoint;
    turnpoint.name = names.Place(name, what);
    turnpoint.latitude = RoundToWholeSecond(waypoint.latitude);
    turnpoint.longitude = RoundToWholeSecond(waypoint.longitude);
    turnpoint.altitude = PlanAltitude(waypoint, what, diagnostics);
    turnpoint.frequency = PlanFrequency(waypoint.frequency, what, diagnostics);
    turnpoint.marked = waypoint.marked;
    planned.push_back(std::move(turnpoint));
  }
  names.WarnAboutCollisions("turnpoints");
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

PlannedRoute PlanRoute(const std::vector<std::string>& pointNames, const std::string& what,
                       const Capacities& capacities, const NameTable& turnpointNames,
                       NameEncoder& encoder, Diagnostics& diagnostics) {
  PlannedRoute route;
  // The driver writes the inner points in order, up to a slot's point lines; a long route loses
  // its inner points of the omittable kind first.
  const std::size_t count = pointNames.size();
  const bool longRoute = count > static_cast<std::size_t>(capacities.pointsPerRoute);
  int linesWritten = 0;
  for (std::size_t p = 0; p < count; ++p) {
    const std::string& pointName = pointNames[p];
    PlannedPoint point;
    point.name = CutName(encoder.Encode(pointName, "", false), capacities.nameLength);
    const bool inner = p > 0 && p + 1 < count;
    if (inner && !turnpointNames.Contains(point.name)) point.kind = koordin::kOmittableKind;
    route.points.push_back(point);
    if (!inner) continue;
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
      if (point.kind == koordin::kOmittableKind) {
        diagnostics.Warn(pointWhat() + " names no turnpoint in the file",
                         "route points that name no turnpoint in the file");
      }
    }
  }
  return route;
}

std::vector<PlannedRoute> PlanRoutes(const std::vector<Task>& tasks, const Capacities& capacities,
                                     const NameTable& turnpointNames, NameEncoder& encoder,
                                     Diagnostics& diagnostics) {
  std::vector<PlannedRoute> planned;
  NameTable routeNames(capacities.routeNameLength, true, encoder, diagnostics);
  std::size_t lostEnds = 0;
  for (std::size_t i = 0; i < tasks.size(); ++i) {
    const Task& task = tasks[i];
    std::string name = TrimRight(task.name);
    if (name.empty()) {
      // A route slot without a name reads back as an empty slot.
      name = "Task " + std::to_string(i + 1);
      diagnostics.Warn("task " + std::to_string(i + 1) + " has no name: written as " +
                       Quoted(name));
    }
    const std::string what = "route " + Quoted(name);
    if (!task.cupOptions.empty()) {
      diagnostics.Warn(what + ": its task options and observation zones have no place in the file",
                       "routes whose task options and observation zones have no place in the "
                       "file");
    }
    if (LosesTakeoffOrLanding(task)) ++lostEnds;
    const std::string fileName = routeNames.Place(name, what);
    PlannedRoute route =
        PlanRoute(RoutePointNames(task), what, capacities, turnpointNames, encoder, diagnostics);
    route.name = fileName;
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
  NameTable turnpointNames(capacities.nameLength, false, encoder, diagnostics);
  KoordinPlan plan;
  plan.turnpoints = PlanTurnpoints(document.waypoints, turnpointNames, diagnostics);
  plan.routes = PlanRoutes(document.tasks, capacities, turnpointNames, encoder, diagnostics);
  return plan;
}

}  // namespace koordin_cli
