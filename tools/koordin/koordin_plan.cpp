#include "tools/koordin/koordin_plan.h"

#include "tools/koordin/formats/charset.h"
#include "tools/koordin/text_format.h"

#include <clocale>
#include <cmath>
#include <map>
#include <set>
#include <stdexcept>
#include <utility>

namespace koordin_cli {

namespace {

constexpr const char* kUtf8 = "UTF-8";

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
      diagnostics_.Warn(what + ": characters outside " + encoding_ + " written as " +
                        Quoted(Decode(encoded)));
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
                     " characters: " + Quoted(encoder.Decode(cut)));
  }
  return cut;
}

// The names of one table of the file as they will stand there: each cut to the table's width,
// with a warning for every cut and, at the end, for names that the cut made equal.
class NameTable {
 public:
  NameTable(int width, NameEncoder& encoder, Diagnostics& diagnostics)
      : width_(width), encoder_(encoder), diagnostics_(diagnostics) {}

  // The file's form of `name` (UTF-8), encoded and cut, with a warning naming `what` if cut.
  std::string Place(const std::string& name, const std::string& what) {
    const std::string encoded = encoder_.Encode(name, what);
    const std::string cut = CutWithWarning(encoded, width_, what, encoder_, diagnostics_);
    if (encoded.size() > static_cast<std::size_t>(width_)) cutNames_.insert(cut);
    originalsByCut_[cut].push_back(name);
    return cut;
  }

  // Whether a name placed in the table stands in the file as `fileName`.
  bool Contains(const std::string& fileName) const { return originalsByCut_.count(fileName) != 0; }

  // Warns about names that come out equal in the file when at least one of them was cut.
  void WarnAboutCollisions(const char* plural) const {
    for (const auto& [fileName, originals] : originalsByCut_) {
      if (originals.size() < 2 || cutNames_.count(fileName) == 0) continue;
      std::string list;
      for (std::size_t i = 0; i < originals.size(); ++i) {
        if (i > 0) list += (i + 1 == originals.size()) ? " and " : ", ";
        list += Quoted(originals[i]);
      }
      diagnostics_.Warn(std::string(plural) + " " + list + " become one name when cut to " +
                        std::to_string(width_) +
                        " characters: " + Quoted(encoder_.Decode(fileName)));
    }
  }

 private:
  int width_;
  NameEncoder& encoder_;
  Diagnostics& diagnostics_;
  std::map<std::string, std::vector<std::string>> originalsByCut_;
  std::set<std::string> cutNames_;
};

// The whole number of metres the file carries, within its range.
int PlanAltitude(const Waypoint& waypoint, const std::string& what, Diagnostics& diagnostics) {
  if (!waypoint.elevation) return 0;
  const long metres = std::lround(*waypoint.elevation);
  if (metres >= kMinAltitude && metres <= kMaxAltitude) return static_cast<int>(metres);
  const int written = metres < kMinAltitude ? kMinAltitude : kMaxAltitude;
  diagnostics.Warn(what + ": altitude " + std::to_string(metres) + " m outside " +
                   std::to_string(kMinAltitude) + ".." + std::to_string(kMaxAltitude) +
                   ", written as " + std::to_string(written));
  return written;
}

// The frequency as one word: the file keeps a frequency up to its first blank.
std::string PlanFrequency(const std::string& frequency, const std::string& what,
                          Diagnostics& diagnostics) {
  const std::size_t begin = frequency.find_first_not_of(" \t");
  if (begin == std::string::npos) return {};
  const std::string trimmed = TrimRight(frequency.substr(begin));
  const std::string word = trimmed.substr(0, trimmed.find_first_of(" \t"));
  if (word != trimmed) {
    diagnostics.Warn(what + ": frequency " + Quoted(trimmed) + " written as " + Quoted(word));
  }
  return word;
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

void UseTransliterationLocale() {
  std::setlocale(LC_CTYPE, "C.UTF-8");
}

void CheckKoordinCharset(const std::string& encoding) {
  try {
    ConvertCharset("", kUtf8, encoding.c_str());
  } catch (const std::invalid_argument&) {
    throw std::invalid_argument("not a character set that iconv knows");
  }
  if (ConvertCharset("\u00e9", kUtf8, encoding.c_str()).size() != 1) {
    throw std::invalid_argument(encoding + " is not a single-byte character set");
  }
}

KoordinPlan PlanKoordin(const Document& document, const Capacities& capacities,
                        const std::string& encoding, Diagnostics& diagnostics) {
  NameEncoder encoder(encoding, diagnostics);
  KoordinPlan plan;

  NameTable turnpointNames(capacities.nameLength, encoder, diagnostics);
  for (std::size_t i = 0; i < document.waypoints.size(); ++i) {
    const Waypoint& waypoint = document.waypoints[i];
    const std::string name = TrimRight(waypoint.name);
    if (name.empty()) {
      diagnostics.Warn("turnpoint " + std::to_string(i + 1) + " has no name: left out");
      continue;
    }
    const std::string what = "turnpoint " + Quoted(name);
    if (plan.turnpoints.size() == static_cast<std::size_t>(capacities.turnpoints)) {
      diagnostics.Warn(what + " dropped: the file holds " + std::to_string(capacities.turnpoints) +
                       " turnpoints");
      continue;
    }
    PlannedTurnpoint planned;
    planned.name = turnpointNames.Place(name, what);
    planned.latitude = waypoint.latitude;
    planned.longitude = waypoint.longitude;
    planned.altitude = PlanAltitude(waypoint, what, diagnostics);
    planned.frequency = PlanFrequency(waypoint.frequency, what, diagnostics);
    planned.marked = waypoint.marked;
    plan.turnpoints.push_back(std::move(planned));
  }
  turnpointNames.WarnAboutCollisions("turnpoints");

  NameTable routeNames(capacities.routeNameLength, encoder, diagnostics);
  for (std::size_t i = 0; i < document.tasks.size(); ++i) {
    const Task& task = document.tasks[i];
    std::string name = TrimRight(task.name);
    if (name.empty()) {
      // A route slot without a name reads back as an empty slot.
      name = "Task " + std::to_string(i + 1);
      diagnostics.Warn("task " + std::to_string(i + 1) + " has no name: written as " +
                       Quoted(name));
    }
    const std::string what = "route " + Quoted(name);
    if (plan.routes.size() == static_cast<std::size_t>(capacities.routes)) {
      diagnostics.Warn(what + " dropped: the file holds " + std::to_string(capacities.routes) +
                       " routes");
      continue;
    }
    PlannedRoute route;
    route.name = routeNames.Place(name, what);

    // The driver writes the inner points in order, up to a slot's point lines; a long route
    // loses its inner points of the omittable kind first.
    const std::size_t count = task.points.size();
    const bool longRoute = count > static_cast<std::size_t>(capacities.pointsPerRoute);
    int linesWritten = 0;
    for (std::size_t p = 0; p < count; ++p) {
      const std::string pointName = TrimRight(task.points[p]);
      PlannedPoint point;
      point.name = CutName(encoder.Encode(pointName, "", false), capacities.nameLength);
      const bool inner = p > 0 && p + 1 < count;
      if (inner && !turnpointNames.Contains(point.name)) point.kind = koordin::kOmittableKind;
      route.points.push_back(point);
      if (!inner) continue;
      const std::string pointWhat = what + ": point " + Quoted(pointName);
      if (linesWritten == capacities.pointsPerRoute) {
        diagnostics.Warn(pointWhat + " left out: a route holds " +
                         std::to_string(capacities.pointsPerRoute) + " points");
      } else if (longRoute && point.kind == koordin::kOmittableKind) {
        diagnostics.Warn(pointWhat + " left out: it names no turnpoint in the file, and the " +
                         "route has more than " + std::to_string(capacities.pointsPerRoute) +
                         " points");
      } else {
        ++linesWritten;
        if (point.kind == koordin::kOmittableKind) {
          diagnostics.Warn(pointWhat + " names no turnpoint in the file");
        }
      }
    }
    plan.routes.push_back(std::move(route));
  }
  routeNames.WarnAboutCollisions("routes");
  return plan;
}

}  // namespace koordin_cli
