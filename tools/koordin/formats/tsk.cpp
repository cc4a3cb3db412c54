// XCSoar task files: one task, <Task>, whose <Point> elements each hold the <Waypoint> flown
// there (its name, comment and altitude in metres, and a <Location> in decimal degrees) and an
// <ObservationZone>.
//
// Read, the file gives the waypoints of its points, each name once, and one task of them: named by
// the Task's name attribute (koordin's own, which XCSoar passes over), else by its points. Its
// Start, Turn, Area and Finish points are flown in their order; the task read has an empty takeoff
// and landing around them. Alternative starts (OptionalStart), the observation zones and the
// task's type and rules have no place in koordin and are warned about.
//
// Written, the file holds the first task, its points flown as Start, Turn ... Finish, with the
// waypoints they name; XCSoar gives them the zones of a racing task (type "RT"). The other tasks,
// the waypoints no point names, a takeoff or landing apart from the start or finish, and the CUP
// option and zone lines are left out with a warning.

#include "tools/koordin/formats/format_modules.h"

#include "tools/koordin/formats/cup_fields.h"
#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/formats/lost_parts.h"
#include "tools/koordin/formats/xml_events.h"
#include "tools/koordin/formats/xml_writing.h"

#include <cmath>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace koordin_cli {

namespace {

constexpr const char* kTitle = "An XCSoar task file";

constexpr std::string_view kTaskElement = "Task";
constexpr std::string_view kPointElement = "Point";
constexpr std::string_view kWaypointElement = "Waypoint";
constexpr std::string_view kLocationElement = "Location";
constexpr std::string_view kZoneElement = "ObservationZone";

constexpr const char* kTypeAttribute = "type";
constexpr const char* kNameAttribute = "name";
constexpr const char* kIdAttribute = "id";
constexpr const char* kCommentAttribute = "comment";
constexpr const char* kAltitudeAttribute = "altitude";
constexpr const char* kLatitudeAttribute = "latitude";
constexpr const char* kLongitudeAttribute = "longitude";

// The task type of a plain task, flown point after point: a racing task.
constexpr std::string_view kRacingTask = "RT";

constexpr const char* kStart = "Start";
constexpr const char* kTurn = "Turn";
constexpr const char* kFinish = "Finish";
constexpr std::string_view kArea = "Area";  // an area task's turn point
constexpr std::string_view kOptionalStart = "OptionalStart";

// Points of one name further apart than this are told.
constexpr double kSamePlaceDegrees = 1e-5;

// --- reading --------------------------------------------------------------------------------

// What an element is to the reader.
enum class Role : unsigned char { kSkipped, kTask, kPoint, kWaypoint, kLocation };

class TskReader : public XmlEvents {
 public:
  TskReader(Diagnostics& diagnostics, DocumentSink& sink)
      : diagnostics_(diagnostics), sink_(sink) {}

  bool Start(const XmlElement& element) override {
    const Role parent = opens_.empty() ? Role::kSkipped : opens_.back();
    const std::string_view local = element.localName;
    Role role = Role::kSkipped;
    if (opens_.empty()) {
      if (local != kTaskElement) {
        throw FormatError(element.line, "not an XCSoar task file: its root element is <" +
                                            std::string(element.name) + ">");
      }
      StartTask(element);
      role = Role::kTask;
    } else if (parent == Role::kTask && local == kPointElement) {
      StartPoint(element);
      role = Role::kPoint;
    } else if (parent == Role::kPoint && local == kWaypointElement && !point_.waypointMet) {
      StartWaypoint(element);
      role = Role::kWaypoint;
    } else if (parent == Role::kPoint && local == kZoneElement) {
      const char* type = element.attributes.Find(kTypeAttribute);
      zones_.Add(element.line, type != nullptr ? type : "");
    } else if (parent == Role::kWaypoint && local == kLocationElement && !point_.located) {
      ReadLocation(element);
      role = Role::kLocation;
    } else if (parent != Role::kSkipped) {
      unreadElements_.Add(element.line, element.name);
    }
    opens_.push_back(role);
    return false;
  }

  void End(std::string& /*text*/) override {
    const Role role = opens_.back();
    opens_.pop_back();
    if (role == Role::kPoint) EndPoint();
    if (role == Role::kTask) EndTask();
  }

 private:
  // The point being read.
  struct Point {
    int line = 0;
    std::string type;
    Waypoint waypoint;
    int waypointLine = 0;
    bool waypointMet = false;
    bool located = false;
    std::optional<std::string> fault;  // why it cannot be read
  };

  // Where the waypoint of a name lies, and the line it was read on.
  struct Place {
    int line;
    double latitude;
    double longitude;
  };

  void StartTask(const XmlElement& element) {
    taskLine_ = element.line;
    for (const std::string_view attribute : element.attributes.Names()) {
      const std::string value = element.attributes.Find(attribute);
      if (attribute == kNameAttribute) {
        task_.name = std::string(TrimBlanks(value));
        named_ = true;
      } else if (attribute == kTypeAttribute) {
        if (value != kRacingTask) rules_.push_back("type " + Quoted(value));
      } else {
        rules_.emplace_back(attribute);
      }
    }
  }

  void StartPoint(const XmlElement& element) {
    point_ = Point();
    point_.line = element.line;
    const char* type = element.attributes.Find(kTypeAttribute);
    if (type == nullptr) {
      point_.fault = "a point without a type";
    } else {
      point_.type = type;
    }
    for (const std::string_view attribute : element.attributes.Names()) {
      if (attribute != kTypeAttribute) {
        unreadAttributes_.Add(element.line, std::string(attribute) + " of <Point>");
      }
    }
  }

  void StartWaypoint(const XmlElement& element) {
    point_.waypointMet = true;
    point_.waypointLine = element.line;
    Waypoint& waypoint = point_.waypoint;
    const XmlAttributes& attributes = element.attributes;
    if (const char* name = attributes.Find(kNameAttribute)) waypoint.name = TrimBlanks(name);
    if (waypoint.name.empty() && !point_.fault) point_.fault = "a waypoint without a name";
    if (const char* comment = attributes.Find(kCommentAttribute)) waypoint.description = comment;
    if (const char* altitude = attributes.Find(kAltitudeAttribute)) {
      waypoint.elevation = ParseDecimal(TrimBlanks(altitude));
      if (!waypoint.elevation) {
        diagnostics_.Warn(
            AtLine(element.line, "bad altitude " + Quoted(altitude) + "; read as unknown"));
      }
    }
    for (const std::string_view attribute : attributes.Names()) {
      if (attribute != kNameAttribute && attribute != kIdAttribute &&
          attribute != kCommentAttribute && attribute != kAltitudeAttribute) {
        unreadAttributes_.Add(element.line, std::string(attribute) + " of <Waypoint>");
      }
    }
  }

  void ReadLocation(const XmlElement& element) {
    point_.located = true;
    const auto degrees = [&](const char* attribute, const char* what) -> double {
      const char* found = element.attributes.Find(attribute);
      const std::optional<double> value =
          found != nullptr ? ParseDecimal(TrimBlanks(found)) : std::nullopt;
      if (!value) {
        throw FormatError(element.line,
                          std::string("bad ") + what + " " + Quoted(found != nullptr ? found : ""));
      }
      return *value;
    };
    try {
      point_.waypoint.latitude = degrees(kLatitudeAttribute, "latitude");
      point_.waypoint.longitude = degrees(kLongitudeAttribute, "longitude");
      CheckCoordinates(point_.waypoint.latitude, point_.waypoint.longitude, element.line);
    } catch (const FormatError& error) {
      if (!point_.fault) point_.fault = error.what();
    }
  }

  void EndPoint() {
    Point& point = point_;
    if (!point.fault && !point.waypointMet) point.fault = "a point without a <Waypoint>";
    if (!point.fault && !point.located) point.fault = "a waypoint without a <Location>";
    if (!point.fault && point.type == kOptionalStart) {
      diagnostics_.Warn(AtLine(point.line, "alternative start " + Quoted(point.waypoint.name) +
                                               ": koordin's tasks have one start; not read"));
      return;
    }
    if (!point.fault && point.type != kStart && point.type != kTurn && point.type != kArea &&
        point.type != kFinish) {
      point.fault = "a point of unknown type " + Quoted(point.type);
    }
    if (point.fault) {
      diagnostics_.Warn(AtLine(point.line, *point.fault + ": point skipped"),
                        "task points that cannot be read, skipped");
      return;
    }
    Waypoint& waypoint = point.waypoint;
    task_.points.push_back(waypoint.name);
    const auto [known, added] = places_.emplace(
        waypoint.name, Place{point.waypointLine, waypoint.latitude, waypoint.longitude});
    if (!added) {
      if (std::abs(known->second.latitude - waypoint.latitude) > kSamePlaceDegrees ||
          std::abs(known->second.longitude - waypoint.longitude) > kSamePlaceDegrees) {
        diagnostics_.Warn(
            AtLine(point.waypointLine, "waypoint " + Quoted(waypoint.name) +
                                           " lies elsewhere than the one of that name on line " +
                                           std::to_string(known->second.line) +
                                           ", whose position is kept"));
      }
      return;
    }
    if (!sink_.WantsWaypoints()) return;
    sink_.BeginWaypoint(point.waypointLine);
    sink_.AddWaypoint(std::move(waypoint));
  }

  void EndTask() {
    if (!named_) task_.name = JoinedPoints();
    const std::string what = "task " + Quoted(task_.name);
    if (!rules_.empty()) {
      diagnostics_.Warn(
          AtLine(taskLine_, what + ": its rules are not read: " + JoinedInWords(rules_, "and")));
    }
    if (zones_.count > 0) {
      diagnostics_.Warn(AtLine(zones_.line, what + ": its " + std::to_string(zones_.count) +
                                                " observation zones, such as " +
                                                Quoted(zones_.example) + ", are not read"));
    }
    if (unreadElements_.count > 0) {
      diagnostics_.Warn(AtLine(unreadElements_.line, std::to_string(unreadElements_.count) +
                                                         " elements are not read, such as <" +
                                                         unreadElements_.example + ">"));
    }
    if (unreadAttributes_.count > 0) {
      diagnostics_.Warn(AtLine(unreadAttributes_.line, std::to_string(unreadAttributes_.count) +
                                                           " attributes are not read, such as " +
                                                           unreadAttributes_.example));
    }
    if (task_.points.empty()) {
      diagnostics_.Warn(AtLine(taskLine_, what + " has no points: not read"));
      return;
    }
    task_.points.insert(task_.points.begin(), std::string());  // no takeoff
    task_.points.emplace_back();                               // and no landing
    sink_.AddTask(std::move(task_));
  }

  // A name for a task without one: its points' names.
  std::string JoinedPoints() const {
    std::string joined;
    for (const std::string& point : task_.points) {
      if (!joined.empty()) joined += " - ";
      joined += point;
    }
    return joined;
  }

  Diagnostics& diagnostics_;
  DocumentSink& sink_;
  std::vector<Role> opens_;  // the open elements, outermost first
  Task task_;
  int taskLine_ = 0;
  bool named_ = false;
  std::vector<std::string> rules_;  // the task's attributes not read
  Point point_;
  std::map<std::string, Place> places_;
  Tally zones_;
  Tally unreadElements_;
  Tally unreadAttributes_;
};

// --- writing --------------------------------------------------------------------------------

std::optional<std::string> Degrees(double degrees) {
  return FormatDecimal(degrees, kDegreeDecimals);
}

// Keeps of the waypoints those the first task's flown points name, and writes the task at the end.
class TskWriter : public FormatWriter {
 public:
  TskWriter(std::string& out, Diagnostics& diagnostics)
      : out_(out), diagnostics_(diagnostics), lost_(kTskLost) {}

  void Begin(const std::vector<Task>& tasks) override {
    if (tasks.empty()) return;
    task_ = tasks.front();
    if (tasks.size() > 1) {
      diagnostics_.Warn(std::string(kTitle) + " holds one task: " + Quoted(task_.name) +
                        " is written, the " + std::to_string(tasks.size() - 1) +
                        " others are left out");
    }
    const FlownRange flown = FlownPoints(task_);
    for (std::size_t i = flown.first; i < flown.last; ++i) {
      if (task_.points[i].empty()) continue;
      flown_.push_back(task_.points[i]);
      kept_.emplace(task_.points[i], std::nullopt);
    }
    const auto apart = [&](std::size_t end, const std::string& neighbour) {
      return end < task_.points.size() && (end < flown.first || end >= flown.last) &&
             !task_.points[end].empty() && task_.points[end] != neighbour;
    };
    const std::string none;
    if (apart(0, flown_.empty() ? none : flown_.front()) ||
        apart(task_.points.size() - 1, flown_.empty() ? none : flown_.back())) {
      diagnostics_.Warn(std::string(kTitle) +
                        " has no takeoff and landing apart from the start and finish: those of "
                        "task " +
                        Quoted(task_.name) + " are left out");
    }
    if (!task_.cupOptions.empty()) {
      diagnostics_.Warn(std::string(kTitle) + " has no place for the " +
                        std::to_string(task_.cupOptions.size()) +
                        " CUP option and zone lines of task " + Quoted(task_.name) + ": left out");
    }
  }

  void AddWaypoint(const Waypoint& waypoint) override {
    CheckWaypointToWrite(waypoint);
    const auto found = kept_.find(waypoint.name);
    if (found == kept_.end() || found->second) {
      ++leftOut_;
      return;
    }
    lost_.Count(waypoint);
    WarnXmlControls(waypoint.name, kTitle, diagnostics_);
    WarnXmlControls(waypoint.description, kTitle, diagnostics_);
    found->second = waypoint;
  }

  void End() override {
    lost_.Warn(kTitle, diagnostics_);
    if (leftOut_ > 0) {
      diagnostics_.Warn(std::string(kTitle) + " holds the waypoints of its task: " +
                        std::to_string(leftOut_) + " waypoints that it does not fly left out");
    }
    WarnXmlControls(task_.name, kTitle, diagnostics_);
    std::vector<const Waypoint*> points;
    for (const std::string& name : flown_) {
      const std::optional<Waypoint>& waypoint = kept_.at(name);
      if (waypoint) {
        points.push_back(&*waypoint);
      } else {
        diagnostics_.Warn("task " + Quoted(task_.name) + ": point " + Quoted(name) +
                          " is no waypoint and is left out");
      }
    }
    if (points.size() == 1) {
      diagnostics_.Warn("task " + Quoted(task_.name) +
                        " has one point to fly: written as its start, without a finish");
    }
    out_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    XmlWriter xml(out_);
    const std::optional<std::string> name =
        WrittenEmpty(task_.name) ? std::nullopt : std::optional<std::string>(task_.name);
    xml.Open("Task", {{kTypeAttribute, std::string(kRacingTask)}, {kNameAttribute, name}},
             points.empty());
    held_ = HeldCounts{};
    if (points.empty()) return;              // a task without points reads as none
    std::map<std::string, std::size_t> ids;  // 1, 2, ... by name, in the order of the points
    for (std::size_t i = 0; i < points.size(); ++i) {
      const Waypoint& waypoint = *points[i];
      const std::size_t id = ids.emplace(waypoint.name, ids.size() + 1).first->second;
      xml.Open("Point", {{kTypeAttribute, i == 0                   ? kStart
                                          : i + 1 == points.size() ? kFinish
                                                                   : kTurn}});
      xml.Open("Waypoint",
               {{kNameAttribute, waypoint.name},
                {kIdAttribute, std::to_string(id)},
                {kCommentAttribute, waypoint.description},
                {kAltitudeAttribute, waypoint.elevation ? std::optional<std::string>(FormatDecimal(
                                                              *waypoint.elevation, kMetreDecimals))
                                                        : std::nullopt}});
      xml.Open("Location",
               {{kLatitudeAttribute, Degrees(waypoint.latitude)},
                {kLongitudeAttribute, Degrees(waypoint.longitude)}},
               true);
      xml.Close();
      xml.Close();
    }
    xml.Close();
    held_ = HeldCounts{ids.size(), 1};
  }

  std::optional<HeldCounts> Held() const override { return held_; }

 private:
  std::string& out_;
  Diagnostics& diagnostics_;
  LostParts lost_;
  Task task_;
  std::vector<std::string> flown_;                       // the names of the points to fly, in order
  std::map<std::string, std::optional<Waypoint>> kept_;  // the first waypoint of each such name
  std::size_t leftOut_ = 0;
  HeldCounts held_;
};

}  // namespace

void ReadTskInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink) {
  TskReader reader(diagnostics, sink);
  ReadXml(source, reader);
}

std::unique_ptr<FormatWriter> MakeTskWriter(std::string& out, Diagnostics& diagnostics) {
  return std::make_unique<TskWriter>(out, diagnostics);
}

bool RecogniseTsk(std::string_view head) {
  return XmlRootElement(head) == "Task";
}

}  // namespace koordin_cli
