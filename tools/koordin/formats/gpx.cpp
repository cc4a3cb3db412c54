#include "tools/koordin/formats/format_modules.h"

#include "tools/koordin/formats/cup_fields.h"
#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/formats/xml_events.h"
#include "tools/koordin/formats/xml_writing.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace koordin_cli {

namespace {

constexpr const char* kGpxNamespace = "http://www.topografix.com/GPX/1/1";
// Waypoint fields that GPX has no element for travel in the wpt's extensions, in this namespace.
constexpr const char* kExtensionNamespace = "urn:koordin:gpx-waypoint:1";
constexpr const char* kExtensionPrefix = "koordin:";
constexpr const char* kExtensionDeclaration = "xmlns:koordin";

// Route points that lie further than this from the waypoint of their name get a warning.
constexpr double kSamePlaceDegrees = 1e-5;

// GPS symbol names for the waypoint styles that have a common one; the first of a symbol is the
// style read for it when no extension gives the style.
struct StyleSymbol {
  int style;
  const char* symbol;
};
constexpr StyleSymbol kStyleSymbols[] = {
    {5, "Airport"}, {2, "Airport"}, {4, "Glider Area"}, {7, "Summit"},   {8, "Tall Tower"},
    {12, "Dam"},    {13, "Tunnel"}, {14, "Bridge"},     {1, "Waypoint"},
};

const char* SymbolOf(int style) {
  for (const StyleSymbol& known : kStyleSymbols) {
    if (known.style == style) return known.symbol;
  }
  return nullptr;
}

std::optional<int> StyleOfSymbol(std::string_view symbol) {
  for (const StyleSymbol& known : kStyleSymbols) {
    if (EqualsIgnoringCase(symbol, known.symbol)) return known.style;
  }
  return std::nullopt;
}

constexpr const char* kStyleElement = "style";
constexpr const char* kMarkedElement = "marked";
// A CUP task's takeoff and landing are no points to fly: the route point says which it is.
constexpr const char* kTaskPointElement = "taskPoint";
constexpr const char* kTakeoff = "takeoff";
constexpr const char* kLanding = "landing";
// A CUP task's option, zone and start lines, one element each in the route's extensions.
constexpr const char* kCupOptionElement = "cupOption";

// --- writing --------------------------------------------------------------------------------

constexpr const char* kTitle = "GPX";

// The attributes of a point's place.
std::pair<const char*, std::string> Latitude(double degrees) {
  return {"lat", FormatDecimal(degrees, kDegreeDecimals)};
}

std::pair<const char*, std::string> Longitude(double degrees) {
  return {"lon", FormatDecimal(degrees, kDegreeDecimals)};
}

void WriteWaypoint(XmlWriter& gpx, const Waypoint& waypoint) {
  CheckWaypointToWrite(waypoint);
  gpx.Open("wpt", {Latitude(waypoint.latitude), Longitude(waypoint.longitude)});
  // The order of a wpt's elements is fixed: ele, name, desc, sym, extensions.
  if (waypoint.elevation) gpx.Text("ele", FormatDecimal(*waypoint.elevation, kMetreDecimals));
  gpx.Text("name", waypoint.name);
  if (!WrittenEmpty(waypoint.description)) gpx.Text("desc", waypoint.description);
  if (const char* symbol = SymbolOf(waypoint.style)) gpx.Text("sym", symbol);
  bool extensions = false;
  const auto add = [&](const char* element, std::string_view text) {
    if (!extensions) gpx.Open("extensions", {});
    extensions = true;
    gpx.Text(element, text, kExtensionPrefix);
  };
  for (const WaypointText& field : WaypointTexts()) {
    if (field.member != &Waypoint::description && !WrittenEmpty(waypoint.*field.member)) {
      add(field.key, waypoint.*field.member);  // the description is GPX's own desc
    }
  }
  if (waypoint.style != 0) add(kStyleElement, std::to_string(waypoint.style));
  if (waypoint.marked) add(kMarkedElement, "true");
  if (extensions) gpx.Close();
  gpx.Close();
}

// Where the routes' points lie: for each name a route point gives (without the control characters,
// as the waypoints are written), the coordinates of the first waypoint of that name, once it is
// written.
using Places = std::map<std::string, std::optional<std::pair<double, double>>, std::less<>>;

void WriteRoute(XmlWriter& gpx, const Task& task, const Places& places, Diagnostics& diagnostics) {
  struct Point {
    std::pair<double, double> place;
    std::string name;
    const char* role;
  };
  std::vector<Point> points;
  const FlownRange flown = FlownPoints(task);
  for (std::size_t i = 0; i < task.points.size(); ++i) {
    std::string name = WithoutXmlControls(task.points[i]);
    if (name.empty()) continue;  // a CUP task without takeoff or landing
    const auto found = places.find(name);
    if (found == places.end() || !found->second) {
      diagnostics.Warn("route " + Quoted(WithoutXmlControls(task.name)) + ": point " +
                       Quoted(name) + " is no waypoint and is left out");
      continue;
    }
    const char* role = i < flown.first ? kTakeoff : i >= flown.last ? kLanding : nullptr;
    points.push_back({*found->second, std::move(name), role});
  }
  const bool empty = WrittenEmpty(task.name) && task.cupOptions.empty() && points.empty();
  gpx.Open("rte", {}, empty);
  if (empty) return;
  if (!WrittenEmpty(task.name)) gpx.Text("name", task.name);
  if (!task.cupOptions.empty()) {
    gpx.Open("extensions", {});
    for (const std::string& option : task.cupOptions)
      gpx.Text(kCupOptionElement, option, kExtensionPrefix);
    gpx.Close();
  }
  for (const Point& point : points) {
    gpx.Open("rtept", {Latitude(point.place.first), Longitude(point.place.second)});
    gpx.Text("name", point.name);
    if (point.role != nullptr) {
      gpx.Open("extensions", {});
      gpx.Text(kTaskPointElement, point.role, kExtensionPrefix);
      gpx.Close();
    }
    gpx.Close();
  }
  gpx.Close();
}

// Writes a GPX file a waypoint at a time: each wpt at once, the routes at the end. Of the
// waypoints it keeps only the places of those the routes' points name.
class GpxFileWriter : public FormatWriter {
 public:
  GpxFileWriter(std::string& out, Diagnostics& diagnostics)
      : out_(out), gpx_(out, " />"), diagnostics_(diagnostics) {}

  void Begin(const std::vector<Task>& tasks) override {
    tasks_ = &tasks;
    for (const Task& task : tasks) {
      for (const std::string& point : task.points) {
        std::string name = WithoutXmlControls(point);
        if (!name.empty()) places_.emplace(std::move(name), std::nullopt);
      }
    }
  }

  void AddWaypoint(const Waypoint& waypoint) override {
    WarnXmlControls(waypoint.name, kTitle, diagnostics_);
    for (const WaypointText& field : WaypointTexts()) {
      WarnXmlControls(waypoint.*field.member, kTitle, diagnostics_);
    }
    Start(false);
    WriteWaypoint(gpx_, waypoint);
    if (places_.empty()) return;
    const auto found = places_.find(WithoutXmlControls(waypoint.name));
    if (found != places_.end() && !found->second) {
      found->second.emplace(waypoint.latitude, waypoint.longitude);
    }
  }

  void End() override {
    for (const Task& task : *tasks_) {
      WarnXmlControls(task.name, kTitle, diagnostics_);
      for (const std::string& point : task.points) WarnXmlControls(point, kTitle, diagnostics_);
      for (const std::string& option : task.cupOptions)
        WarnXmlControls(option, kTitle, diagnostics_);
    }
    Start(tasks_->empty());
    for (const Task& task : *tasks_) WriteRoute(gpx_, task, places_, diagnostics_);
    if (!empty_) gpx_.Close();
  }

 private:
  // The XML declaration and the gpx element, once: `empty`, the file has neither waypoints nor
  // routes, and is <gpx ... />.
  void Start(bool empty) {
    if (started_) return;
    started_ = true;
    empty_ = empty;
    out_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    gpx_.Open("gpx",
              {{"xmlns", kGpxNamespace},
               {kExtensionDeclaration, kExtensionNamespace},
               {"version", "1.1"},
               {"creator", "koordin"}},
              empty);
  }

  std::string& out_;
  XmlWriter gpx_;
  Diagnostics& diagnostics_;
  const std::vector<Task>* tasks_ = nullptr;
  Places places_;
  bool started_ = false;
  bool empty_ = false;
};

// --- reading --------------------------------------------------------------------------------

// The most that the reader holds of what routes give while it cannot yet tell that no wpt follows
// them (estimated bytes): beyond it, routes are read in a pass of their own.
constexpr std::size_t kMostHeldBytes = std::size_t{16} << 20;

// The most names of unread point elements told apart; those of further names are counted together.
constexpr std::size_t kMostUnreadNames = 64;

// What an element is to the reader.
enum class Role : unsigned char {
  kSkipped,  // nothing in it is read
  kGpx,
  kWaypoint,
  kRoutePoint,
  kPointName,  // GPX's own elements of a point
  kElevation,
  kDescription,
  kComment,
  kSymbol,
  kPointExtensions,
  kOwnText,  // koordin's extension elements of a point
  kMarked,
  kStyle,
  kTaskPoint,        // the first taskPoint in the first extensions of a route point
  kRoute,            // a route read: in the first pass while routes are held, or in the second
  kRouteToName,      // a route in the first pass, once routes are left to the second: its name
  kRouteName,        // a route's first name
  kRouteExtensions,  // a route's first extensions
  kCupOption,
};

// The elements whose text the reader keeps.
bool KeepsText(Role role) {
  switch (role) {
    case Role::kPointName:
    case Role::kElevation:
    case Role::kDescription:
    case Role::kComment:
    case Role::kSymbol:
    case Role::kOwnText:
    case Role::kMarked:
    case Role::kStyle:
    case Role::kTaskPoint:
    case Role::kRouteName:
    case Role::kCupOption:
      return true;
    default:
      return false;
  }
}

// Reads a GPX file as it streams past, giving the sink every wpt as it closes. Route points are
// matched by name to all the waypoints of the file, so routes are read after them: as they close
// when no wpt follows them, as in every GPX file in the order its schema sets, holding what they
// give until the file ends; else, or when they give too much to hold, in a second pass. Of the
// waypoints it keeps only their names, lines and places.
class GpxReader : public XmlEvents {
 public:
  GpxReader(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink)
      : source_(source), diagnostics_(diagnostics), sink_(sink) {}

  void Read() {
    ReadPass(false);
    if (!held_) {
      source_.Rewind();
      ReadPass(true);
    } else {
      for (std::size_t i = 0; i < held_->diagnostics.warnings().size(); ++i) {
        diagnostics_.Warn(held_->diagnostics.warnings()[i], held_->diagnostics.groups()[i]);
      }
      for (const auto& [element, line] : held_->unread) CountUnread(element, line);
      for (std::variant<Waypoint, Task>& given : held_->given) {
        if (Waypoint* waypoint = std::get_if<Waypoint>(&given)) {
          sink_.AddWaypoint(std::move(*waypoint));
        } else {
          sink_.AddTask(std::get<Task>(std::move(given)));
        }
      }
    }
    if (tracks_ > 0) diagnostics_.Warn(std::to_string(tracks_) + " tracks (trk) are not read");
    for (const auto& [element, unread] : unread_) {
      diagnostics_.Warn(std::to_string(unread.count) + " point elements <" + element +
                        "> are not read, such as the one on line " + std::to_string(unread.line));
    }
    if (otherUnread_.count > 0) {
      diagnostics_.Warn(std::to_string(otherUnread_.count) +
                        " point elements of further names are not read, such as the one on line " +
                        std::to_string(otherUnread_.line));
    }
  }

 private:
  // An open element.
  struct Element {
    Role role;
    int line;
    std::string Waypoint::*member;  // the field of a kOwnText
  };

  // The point (wpt or rtept) being read.
  struct Point {
    Waypoint waypoint;
    int line = 0;
    std::string comment;
    std::optional<int> symbolStyle;
    bool styleGiven = false;
    bool routePoint = false;
    int extensions = 0;  // the extensions elements met
    bool inFirstExtensions = false;
    std::optional<std::string> role;  // its task point role, takeoff or landing
  };

  // The route being read.
  struct Route {
    Task task;
    int points = 0;
    bool firstTakeoff = false;
    bool lastLanding = false;
    bool extensionsMet = false;
  };

  // A waypoint as route points need it.
  struct Known {
    int line;
    double latitude;
    double longitude;
  };

  struct Unread {
    int count = 0;
    int line = 0;  // the first
  };

  // What the routes read in the first pass give, until the file shows that no wpt follows them.
  struct Held {
    Diagnostics diagnostics;
    std::vector<std::variant<Waypoint, Task>> given;  // in the order read
    std::map<std::string, Known> byName;              // of the waypoints given
    std::vector<std::pair<std::string, int>> unread;  // point elements not read, and their lines
    std::size_t bytes;                                // zero, as emplace() makes it
    std::size_t warningsCounted;                      // zero, as emplace() makes it
  };

  // --- one pass over the file

  void ReadPass(bool routes) {
    routes_ = routes;
    opens_.clear();
    routeIndex_ = 0;
    if (!routes) held_.emplace();
    ReadXml(source_, *this);
  }

  bool Start(const XmlElement& element) override {
    opens_.push_back({Role::kSkipped, element.line, nullptr});
    const Role role = RoleOf(opens_.back(), element);
    opens_.back().role = role;
    return KeepsText(role);
  }

  void End(std::string& text) override {
    const Element open = opens_.back();
    opens_.pop_back();
    Close(open, text);
  }

  // --- what the elements mean

  Role RoleOf(Element& open, const XmlElement& element) {
    const std::string_view local = element.localName;
    if (opens_.size() == 1) {
      if (local != "gpx") {
        throw FormatError(
            open.line, "not a GPX file: its root element is <" + std::string(element.name) + ">");
      }
      return Role::kGpx;
    }
    switch (opens_[opens_.size() - 2].role) {
      case Role::kGpx:
        return GpxChild(local, element.attributes, open.line);
      case Role::kWaypoint:
      case Role::kRoutePoint:
        return PointChild(open, element, false);
      case Role::kPointExtensions:
        return PointChild(open, element, true);
      case Role::kRouteToName:
        if (local != "name" || routeNamed_) return Role::kSkipped;
        routeNamed_ = true;
        return Role::kRouteName;
      case Role::kRoute:
        if (local == "rtept") return RoutePoint(element.attributes, open.line);
        if (local == "name" && !routes_ && !routeNamed_) {
          routeNamed_ = true;
          return Role::kRouteName;
        }
        if (local != "extensions" || route_.extensionsMet) return Role::kSkipped;
        route_.extensionsMet = true;
        return Role::kRouteExtensions;
      case Role::kRouteExtensions:
        return local == kCupOptionElement && element.nameSpace == kExtensionNamespace
                   ? Role::kCupOption
                   : Role::kSkipped;
      default:
        return Role::kSkipped;
    }
  }

  Role GpxChild(std::string_view local, const XmlAttributes& attributes, int line) {
    if (local == "wpt") {
      if (routes_) return Role::kSkipped;
      if (!routeNames_.empty()) GiveUpRoutes();  // a wpt after a route
      StartPoint(attributes, line, false);
      return Role::kWaypoint;
    }
    if (local == "rte") {
      route_ = Route();
      if (!routes_) {
        routeNames_.emplace_back();
        routeNamed_ = false;
        return held_ ? Role::kRoute : Role::kRouteToName;
      }
      if (routeIndex_ < routeNames_.size()) route_.task.name = routeNames_[routeIndex_];
      ++routeIndex_;
      return Role::kRoute;
    }
    if (local == "trk" && !routes_) ++tracks_;
    return Role::kSkipped;
  }

  Role RoutePoint(const XmlAttributes& attributes, int line) {
    try {
      StartPoint(attributes, line, true);
    } catch (const FormatError&) {
      if (routes_) throw;
      GiveUpRoutes();  // the pass of routes tells it, after all faults of waypoints
      return Role::kSkipped;
    }
    return Role::kRoutePoint;
  }

  // Stops reading routes in the first pass, dropping what they gave, for a pass of their own.
  void GiveUpRoutes() {
    if (!held_) return;
    held_.reset();
    for (Element& open : opens_) {
      if (open.role == Role::kRoute) open.role = Role::kRouteToName;
      if (open.role == Role::kRoutePoint) open.role = Role::kSkipped;
    }
  }

  // Warnings about routes, held in the first pass.
  Diagnostics& RouteDiagnostics() { return held_ ? held_->diagnostics : diagnostics_; }
  Diagnostics& PointDiagnostics() { return point_.routePoint ? RouteDiagnostics() : diagnostics_; }

  // Counts `bytes` more held, and the warnings held since last counted.
  void Hold(std::size_t bytes) {
    const std::vector<std::string>& warnings = held_->diagnostics.warnings();
    for (; held_->warningsCounted < warnings.size(); ++held_->warningsCounted) {
      bytes += sizeof warnings[0] + warnings[held_->warningsCounted].size();
    }
    held_->bytes += bytes;
    if (held_->bytes > kMostHeldBytes) GiveUpRoutes();
  }

  // A child of a point, or of its extensions.
  Role PointChild(Element& open, const XmlElement& element, bool inExtensions) {
    const std::string_view local = element.localName;
    if (!inExtensions) {
      if (local == "name") return Role::kPointName;
      if (local == "ele") return Role::kElevation;
      if (local == "desc") return Role::kDescription;
      if (local == "cmt") return Role::kComment;
      if (local == "sym") return Role::kSymbol;
      if (local == "extensions") {
        point_.inFirstExtensions = point_.extensions++ == 0;
        return Role::kPointExtensions;
      }
    }
    // Some converters move extensions out of <extensions>: koordin's own are read anywhere.
    if (element.nameSpace != kExtensionNamespace) {
      if (inExtensions) return Role::kSkipped;
      if (point_.routePoint && held_) {
        held_->unread.emplace_back(local, open.line);
        Hold(local.size() + sizeof(Held::unread[0]));
      } else {
        CountUnread(local, open.line);
      }
      return Role::kSkipped;
    }
    if (local == kStyleElement) return Role::kStyle;
    if (local == kMarkedElement) return Role::kMarked;
    if (local == kTaskPointElement) {
      return inExtensions && point_.inFirstExtensions && point_.routePoint ? Role::kTaskPoint
                                                                           : Role::kSkipped;
    }
    for (const WaypointText& field : WaypointTexts()) {
      if (local == field.key && field.member != &Waypoint::description) {
        open.member = field.member;  // the description is GPX's own desc
        return Role::kOwnText;
      }
    }
    return Role::kSkipped;
  }

  void CountUnread(std::string_view element, int line) {
    const auto found = unread_.find(element);
    Unread& unread = found != unread_.end()              ? found->second
                     : unread_.size() < kMostUnreadNames ? unread_[std::string(element)]
                                                         : otherUnread_;
    if (unread.count++ == 0) unread.line = line;
  }

  // An element is read once it is closed, its text complete.
  void Close(const Element& open, std::string& text) {
    Waypoint& waypoint = point_.waypoint;
    switch (open.role) {
      case Role::kPointName:
        waypoint.name = std::string(TrimBlanks(text));
        break;
      case Role::kElevation:
        waypoint.elevation = ParseDecimal(TrimBlanks(text));
        if (!waypoint.elevation) {
          PointDiagnostics().Warn(
              AtLine(open.line, "bad elevation " + Quoted(text) + "; read as unknown"));
        }
        break;
      case Role::kDescription:
        waypoint.description = std::move(text);
        break;
      case Role::kComment:
        point_.comment = std::move(text);
        break;
      case Role::kSymbol:
        point_.symbolStyle = StyleOfSymbol(TrimBlanks(text));
        break;
      case Role::kOwnText:
        waypoint.*open.member = std::move(text);
        break;
      case Role::kMarked:
        waypoint.marked = TrimBlanks(text) == "true";
        break;
      case Role::kStyle:
        ReadStyle(text, open.line);
        break;
      case Role::kTaskPoint:
        if (!point_.role) point_.role = std::string(TrimBlanks(text));
        break;
      case Role::kWaypoint:
        EndWaypoint();
        break;
      case Role::kRoutePoint:
        EndRoutePoint();
        break;
      case Role::kRouteName:
        routeNames_.back() = std::string(TrimBlanks(text));
        route_.task.name = routeNames_.back();
        break;
      case Role::kCupOption:
        route_.task.cupOptions.push_back(std::move(text));
        break;
      case Role::kRoute:
        EndRoute();
        break;
      default:
        break;
    }
  }

  double Coordinate(const XmlAttributes& attributes, const char* attribute, const char* what,
                    int line) const {
    const char* found = attributes.Find(attribute);
    const std::string_view text = found != nullptr ? found : "";
    const std::optional<double> value = ParseDecimal(TrimBlanks(text));
    if (found == nullptr || !value) {
      throw FormatError(line, std::string("bad ") + what + " " + Quoted(text));
    }
    return *value;
  }

  // A wpt or rtept: both have the same elements.
  void StartPoint(const XmlAttributes& attributes, int line, bool routePoint) {
    point_ = Point();
    point_.line = line;
    if (!routePoint) sink_.BeginWaypoint(line);
    point_.routePoint = routePoint;
    point_.waypoint.latitude = Coordinate(attributes, "lat", "latitude", line);
    point_.waypoint.longitude = Coordinate(attributes, "lon", "longitude", line);
    CheckCoordinates(point_.waypoint.latitude, point_.waypoint.longitude, line);
  }

  void ReadStyle(const std::string& text, int line) {
    if (const std::optional<long long> style = ParseInteger(TrimBlanks(text))) {
      point_.waypoint.style = KnownStyle(*style, line, PointDiagnostics());
    } else {
      PointDiagnostics().Warn(AtLine(line, "style " + Quoted(text) + " is no number, read as 0"));
      point_.waypoint.style = 0;
    }
    point_.styleGiven = true;
  }

  Waypoint EndPoint() {
    Waypoint& waypoint = point_.waypoint;
    std::string& comment = point_.comment;
    // Some converters repeat the name as comment and description, which then say nothing.
    if (comment == waypoint.name) comment.clear();
    if (waypoint.description == waypoint.name) waypoint.description.clear();
    if (waypoint.description.empty()) {
      waypoint.description = std::move(comment);
    } else if (!comment.empty() && comment != waypoint.description) {
      PointDiagnostics().Warn(AtLine(point_.line,
                                     "the comment (cmt) differs from the description (desc) "
                                     "and is not read"));
    }
    if (!point_.styleGiven && point_.symbolStyle) waypoint.style = *point_.symbolStyle;
    return std::move(waypoint);
  }

  void EndWaypoint() {
    Waypoint waypoint = EndPoint();
    if (waypoint.name.empty()) {
      waypoint.name = "Waypoint " + std::to_string(waypoints_ + 1);
      diagnostics_.Warn(
          AtLine(point_.line, "a waypoint without a name, named " + Quoted(waypoint.name)));
    }
    Add(std::move(waypoint), point_.line);
  }

  void Add(Waypoint waypoint, int line) {
    const auto [first, added] =
        byName_.emplace(waypoint.name, Known{line, waypoint.latitude, waypoint.longitude});
    if (!added) {  // the warning as every reader words it; the names are kept once, here
      NameIndex twice;
      twice.Add(waypoint.name, first->second.line, diagnostics_);
      twice.Add(waypoint.name, line, diagnostics_);
    }
    ++waypoints_;
    sink_.AddWaypoint(std::move(waypoint));
  }

  // A route point names a waypoint; one whose name no wpt has becomes a waypoint itself. A route's
  // points are all to fly, but for a takeoff and a landing that koordin marked as such: the task
  // read has them first and last, empty when the route has none.
  void EndRoutePoint() {
    Task& task = route_.task;
    const int line = point_.line;
    const bool first = route_.points++ == 0;
    if (first) {
      route_.firstTakeoff = point_.role == kTakeoff;
      if (!route_.firstTakeoff) task.points.emplace_back();
    }
    route_.lastLanding = point_.role == kLanding;
    Waypoint point = EndPoint();
    if (point.name.empty()) {
      if (held_ && !routeNamed_) {  // its name is the route's, which may follow
        GiveUpRoutes();
        return;
      }
      point.name =
          (task.name.empty() ? "Route" : task.name) + " point " + std::to_string(route_.points);
      RouteDiagnostics().Warn(
          AtLine(line, "a route point without a name, named " + Quoted(point.name)));
    }
    task.points.push_back(point.name);
    const Known* named = Find(point.name);
    if (named == nullptr) {
      Give(std::move(point), line);
      return;
    }
    if (std::abs(named->latitude - point.latitude) > kSamePlaceDegrees ||
        std::abs(named->longitude - point.longitude) > kSamePlaceDegrees) {
      RouteDiagnostics().Warn(
          AtLine(line, "route point " + Quoted(point.name) +
                           " lies elsewhere than the waypoint of that name on line " +
                           std::to_string(named->line) + ", whose position is kept"));
    }
    if (held_) Hold(0);
  }

  const Known* Find(const std::string& name) const {
    const auto found = byName_.find(name);
    if (found != byName_.end()) return &found->second;
    if (!held_) return nullptr;
    const auto given = held_->byName.find(name);
    return given != held_->byName.end() ? &given->second : nullptr;
  }

  // The waypoint that a route point whose name no wpt has becomes.
  void Give(Waypoint waypoint, int line) {
    if (!held_) {
      Add(std::move(waypoint), line);
      return;
    }
    held_->byName.emplace(waypoint.name, Known{line, waypoint.latitude, waypoint.longitude});
    std::size_t bytes = sizeof(Waypoint) + 2 * waypoint.name.size() + sizeof(Known);
    for (const WaypointText& field : WaypointTexts()) bytes += (waypoint.*field.member).size();
    held_->given.emplace_back(std::move(waypoint));
    Hold(bytes);
  }

  void EndRoute() {
    Task& task = route_.task;
    if (route_.points == 0) task.points.emplace_back();
    if (route_.points == 0 || !route_.lastLanding || (route_.points == 1 && route_.firstTakeoff)) {
      task.points.emplace_back();
    }
    if (!held_) {
      sink_.AddTask(std::move(task));
      return;
    }
    std::size_t bytes = sizeof(Task) + task.name.size();
    for (const std::string& point : task.points) bytes += sizeof point + point.size();
    for (const std::string& option : task.cupOptions) bytes += sizeof option + option.size();
    held_->given.emplace_back(std::move(task));
    Hold(bytes);
  }

  ByteSource& source_;
  Diagnostics& diagnostics_;
  DocumentSink& sink_;

  // The pass.
  bool routes_ = false;         // the pass that reads routes, else the one that reads waypoints
  std::vector<Element> opens_;  // the open elements, outermost first
  std::size_t routeIndex_ = 0;

  // What was read.
  Point point_;
  Route route_;
  bool routeNamed_ = false;
  std::vector<std::string> routeNames_;  // each route's name, from the first pass
  std::optional<Held> held_;             // in the first pass while routes are read in it
  std::size_t waypoints_ = 0;
  std::map<std::string, Known> byName_;
  int tracks_ = 0;
  std::map<std::string, Unread, std::less<>> unread_;  // point elements not read, by name
  Unread otherUnread_;                                 // and those of names beyond kMostUnreadNames
};

}  // namespace

void ReadGpxInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink) {
  GpxReader(source, diagnostics, sink).Read();
}

std::unique_ptr<FormatWriter> MakeGpxWriter(std::string& out, Diagnostics& diagnostics) {
  return std::make_unique<GpxFileWriter>(out, diagnostics);
}

bool RecogniseGpx(std::string_view head) {
  return XmlRootElement(head) == "gpx";
}

}  // namespace koordin_cli
