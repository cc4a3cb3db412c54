#include "tools/koordin/formats/formats.h"

#include "tools/koordin/formats/format_support.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <pugixml.hpp>

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

// XML 1.0 has no place for the control characters but tab, line feed and carriage return: a GPX
// file with them is no XML file.
bool IsXmlControl(char c) {
  return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

std::string WithoutXmlControls(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (const char c : text) {
    if (!IsXmlControl(c)) kept += c;
  }
  return kept;
}

// A text that is written as an empty one.
bool WrittenEmpty(std::string_view text) {
  return std::all_of(text.begin(), text.end(), IsXmlControl);
}

// Warns about each text of `document` that holds control characters XML has no place for, which
// the writer leaves out.
void WarnXmlControls(const Document& document, Diagnostics& diagnostics) {
  const auto check = [&](const std::string& text) {
    if (std::none_of(text.begin(), text.end(), IsXmlControl)) return;
    diagnostics.Warn("GPX has no place for the control characters of " + Quoted(text) +
                     ": written as " + Quoted(WithoutXmlControls(text)));
  };
  for (const Waypoint& waypoint : document.waypoints) {
    check(waypoint.name);
    for (const WaypointText& field : WaypointTexts()) check(waypoint.*field.member);
  }
  for (const Task& task : document.tasks) {
    check(task.name);
    for (const std::string& point : task.points) check(point);
    for (const std::string& option : task.cupOptions) check(option);
  }
}

// Writes the GPX file element by element into one string, indented by two blanks a level.
class GpxWriter {
 public:
  explicit GpxWriter(std::string& out) : out_(out) {}

  // `<name attributes>` on a line of its own, closed by Close; or `<name attributes />` when
  // `empty`. Attribute values are numbers and names of our own, which need no escapes.
  void Open(const char* name, std::initializer_list<std::pair<const char*, std::string>> attributes,
            bool empty = false) {
    Indent();
    out_ += '<';
    out_ += name;
    for (const auto& [key, value] : attributes) {
      out_ += ' ';
      out_ += key;
      out_ += "=\"";
      out_ += value;
      out_ += '"';
    }
    out_ += empty ? " />\n" : ">\n";
    if (!empty) open_.push_back(name);
  }

  void Close() {
    const char* name = open_.back();
    open_.pop_back();
    Indent();
    out_ += "</";
    out_ += name;
    out_ += ">\n";
  }

  // `<prefix:name>text</prefix:name>` on one line, the text escaped and without the control
  // characters XML has no place for.
  void Text(std::string_view name, std::string_view text, std::string_view prefix = "") {
    Indent();
    out_ += '<';
    out_ += prefix;
    out_ += name;
    out_ += '>';
    std::size_t run = 0;  // the start of the characters that are written as they are
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      const char* escape = c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : nullptr;
      if (escape == nullptr && !IsXmlControl(c)) continue;
      out_.append(text.data() + run, i - run);
      if (escape != nullptr) out_ += escape;
      run = i + 1;
    }
    out_.append(text.data() + run, text.size() - run);
    out_ += "</";
    out_ += prefix;
    out_ += name;
    out_ += ">\n";
  }

  // An element in koordin's namespace.
  void Extension(const char* name, std::string_view text) { Text(name, text, kExtensionPrefix); }

 private:
  void Indent() { out_.append(2 * open_.size(), ' '); }

  std::string& out_;
  std::vector<const char*> open_;  // the elements open, outermost first
};

std::pair<const char*, std::string> Latitude(const Waypoint& waypoint) {
  return {"lat", FormatDecimal(waypoint.latitude, kDegreeDecimals)};
}

std::pair<const char*, std::string> Longitude(const Waypoint& waypoint) {
  return {"lon", FormatDecimal(waypoint.longitude, kDegreeDecimals)};
}

void WriteWaypoint(GpxWriter& gpx, const Waypoint& waypoint) {
  CheckWaypointToWrite(waypoint);
  gpx.Open("wpt", {Latitude(waypoint), Longitude(waypoint)});
  // The order of a wpt's elements is fixed: ele, name, desc, sym, extensions.
  if (waypoint.elevation) gpx.Text("ele", FormatDecimal(*waypoint.elevation, kMetreDecimals));
  gpx.Text("name", waypoint.name);
  if (!WrittenEmpty(waypoint.description)) gpx.Text("desc", waypoint.description);
  if (const char* symbol = SymbolOf(waypoint.style)) gpx.Text("sym", symbol);
  bool extensions = false;
  const auto add = [&](const char* element, std::string_view text) {
    if (!extensions) gpx.Open("extensions", {});
    extensions = true;
    gpx.Extension(element, text);
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

// Route points are matched by their names without control characters, as the waypoints are
// written.
void WriteRoute(GpxWriter& gpx, const Task& task, const Document& document,
                const std::map<std::string, std::size_t>& byName, Diagnostics& diagnostics) {
  struct Point {
    std::size_t index;
    std::string name;
    const char* role;
  };
  std::vector<Point> points;
  for (std::size_t i = 0; i < task.points.size(); ++i) {
    std::string name = WithoutXmlControls(task.points[i]);
    if (name.empty()) continue;  // a CUP task without takeoff or landing
    const auto found = byName.find(name);
    if (found == byName.end()) {
      diagnostics.Warn("route " + Quoted(WithoutXmlControls(task.name)) + ": point " +
                       Quoted(name) + " is no waypoint and is left out");
      continue;
    }
    const char* role = i == 0 ? kTakeoff : i + 1 == task.points.size() ? kLanding : nullptr;
    points.push_back({found->second, std::move(name), role});
  }
  const bool empty = WrittenEmpty(task.name) && task.cupOptions.empty() && points.empty();
  gpx.Open("rte", {}, empty);
  if (empty) return;
  if (!WrittenEmpty(task.name)) gpx.Text("name", task.name);
  if (!task.cupOptions.empty()) {
    gpx.Open("extensions", {});
    for (const std::string& option : task.cupOptions) gpx.Extension(kCupOptionElement, option);
    gpx.Close();
  }
  for (const Point& point : points) {
    const Waypoint& waypoint = document.waypoints[point.index];
    gpx.Open("rtept", {Latitude(waypoint), Longitude(waypoint)});
    gpx.Text("name", point.name);
    if (point.role != nullptr) {
      gpx.Open("extensions", {});
      gpx.Extension(kTaskPointElement, point.role);
      gpx.Close();
    }
    gpx.Close();
  }
  gpx.Close();
}

// --- reading --------------------------------------------------------------------------------

std::string_view LocalName(pugi::xml_node node) {
  std::string_view name = node.name();
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The namespace of an element's name, from the declarations on it and its ancestors.
std::string_view NamespaceOf(pugi::xml_node node) {
  const std::string_view name = node.name();
  const std::size_t colon = name.find(':');
  const std::string declaration =
      colon == std::string_view::npos ? "xmlns" : "xmlns:" + std::string(name.substr(0, colon));
  for (pugi::xml_node at = node; at; at = at.parent()) {
    if (pugi::xml_attribute attribute = at.attribute(declaration.c_str())) {
      return attribute.value();
    }
  }
  return "";
}

// The first child element of `node` with the local name `name`.
pugi::xml_node ChildNamed(pugi::xml_node node, std::string_view name) {
  for (pugi::xml_node child : node.children()) {
    if (child.type() == pugi::node_element && LocalName(child) == name) return child;
  }
  return {};
}

class GpxReader {
 public:
  GpxReader(std::string_view text, Diagnostics& diagnostics)
      : text_(text), lines_(text), diagnostics_(diagnostics) {}

  Document Read() {
    pugi::xml_document xml;
    const pugi::xml_parse_result result =
        xml.load_buffer(text_.data(), text_.size(), pugi::parse_default, pugi::encoding_auto);
    if (!result) {
      throw FormatError(lines_.LineOf(static_cast<std::size_t>(result.offset)),
                        std::string("not well-formed XML: ") + result.description());
    }
    const pugi::xml_node gpx = xml.document_element();
    if (LocalName(gpx) != "gpx") {
      throw FormatError(LineOf(gpx),
                        "not a GPX file: its root element is <" + std::string(gpx.name()) + ">");
    }
    for (pugi::xml_node child : gpx.children()) {
      if (LocalName(child) == "wpt") ReadWaypoint(child);
    }
    int tracks = 0;
    for (pugi::xml_node child : gpx.children()) {
      if (LocalName(child) == "rte") ReadRoute(child);
      if (LocalName(child) == "trk") ++tracks;
    }
    if (tracks > 0) {
      diagnostics_.Warn(std::to_string(tracks) + " tracks (trk) are not read");
    }
    for (const auto& [element, count] : unread_) {
      diagnostics_.Warn(std::to_string(count) + " point elements <" + element +
                        "> are not read, such as the one on line " +
                        std::to_string(firstUnread_[element]));
    }
    return std::move(document_);
  }

 private:
  int LineOf(pugi::xml_node node) const {
    const std::ptrdiff_t offset = node.offset_debug();
    return offset < 0 ? 0 : lines_.LineOf(static_cast<std::size_t>(offset));
  }

  double Coordinate(pugi::xml_node point, const char* attribute, const char* what) const {
    const pugi::xml_attribute found = point.attribute(attribute);
    const std::optional<double> value = ParseDecimal(TrimBlanks(found.value()));
    if (!found || !value) {
      throw FormatError(LineOf(point), std::string("bad ") + what + " " + Quoted(found.value()));
    }
    return *value;
  }

  // A wpt or rtept: both have the same elements.
  Waypoint ReadPoint(pugi::xml_node point) {
    const int line = LineOf(point);
    Waypoint waypoint;
    waypoint.latitude = Coordinate(point, "lat", "latitude");
    waypoint.longitude = Coordinate(point, "lon", "longitude");
    CheckCoordinates(waypoint.latitude, waypoint.longitude, line);
    std::string comment;
    std::optional<int> symbolStyle;
    bool styleGiven = false;
    for (pugi::xml_node child : point.children()) {
      const std::string_view element = LocalName(child);
      const std::string text = child.text().get();
      if (element == "name") {
        waypoint.name = std::string(TrimBlanks(text));
      } else if (element == "ele") {
        waypoint.elevation = ParseDecimal(TrimBlanks(text));
        if (!waypoint.elevation) {
          diagnostics_.Warn(
              AtLine(LineOf(child), "bad elevation " + Quoted(text) + "; read as unknown"));
        }
      } else if (element == "desc") {
        waypoint.description = text;
      } else if (element == "cmt") {
        comment = text;
      } else if (element == "sym") {
        symbolStyle = StyleOfSymbol(TrimBlanks(text));
      } else if (element == "extensions") {
        for (pugi::xml_node extension : child.children()) {
          styleGiven = ReadExtension(extension, waypoint) || styleGiven;
        }
      } else if (ReadExtension(child, waypoint)) {
        styleGiven = true;  // some converters move extensions out of <extensions>
      } else if (child.type() == pugi::node_element && NamespaceOf(child) != kExtensionNamespace) {
        ++unread_[std::string(element)];
        firstUnread_.emplace(std::string(element), LineOf(child));
      }
    }
    // Some converters repeat the name as comment and description, which then say nothing.
    if (comment == waypoint.name) comment.clear();
    if (waypoint.description == waypoint.name) waypoint.description.clear();
    if (waypoint.description.empty()) {
      waypoint.description = comment;
    } else if (!comment.empty() && comment != waypoint.description) {
      diagnostics_.Warn(AtLine(line,
                               "the comment (cmt) differs from the description (desc) "
                               "and is not read"));
    }
    if (!styleGiven && symbolStyle) waypoint.style = *symbolStyle;
    return waypoint;
  }

  // Reads one of koordin's own extension elements into `waypoint`; true when it gave the style.
  bool ReadExtension(pugi::xml_node element, Waypoint& waypoint) {
    if (element.type() != pugi::node_element || NamespaceOf(element) != kExtensionNamespace) {
      return false;
    }
    const std::string_view name = LocalName(element);
    const std::string text = element.text().get();
    for (const WaypointText& field : WaypointTexts()) {
      if (name == field.key && field.member != &Waypoint::description) {
        waypoint.*field.member = text;
      }
    }
    if (name == kMarkedElement) waypoint.marked = TrimBlanks(text) == "true";
    if (name != kStyleElement) return false;
    const int line = LineOf(element);
    if (const std::optional<long long> style = ParseInteger(TrimBlanks(text))) {
      waypoint.style = KnownStyle(*style, line, diagnostics_);
    } else {
      diagnostics_.Warn(AtLine(line, "style " + Quoted(text) + " is no number, read as 0"));
      waypoint.style = 0;
    }
    return true;
  }

  void ReadWaypoint(pugi::xml_node point) {
    const int line = LineOf(point);
    Waypoint waypoint = ReadPoint(point);
    if (waypoint.name.empty()) {
      waypoint.name = "Waypoint " + std::to_string(document_.waypoints.size() + 1);
      diagnostics_.Warn(AtLine(line, "a waypoint without a name, named " + Quoted(waypoint.name)));
    }
    Add(std::move(waypoint), line);
  }

  void Add(Waypoint waypoint, int line) {
    names_.Add(waypoint.name, line, diagnostics_);
    byName_.emplace(waypoint.name, std::make_pair(document_.waypoints.size(), line));
    document_.waypoints.push_back(std::move(waypoint));
  }

  // The texts of koordin's extension elements `name` in the extensions of `node`.
  static std::vector<std::string> OwnExtensions(pugi::xml_node node, std::string_view name) {
    std::vector<std::string> texts;
    for (pugi::xml_node element : ChildNamed(node, "extensions").children()) {
      if (NamespaceOf(element) == kExtensionNamespace && LocalName(element) == name) {
        texts.emplace_back(element.text().get());
      }
    }
    return texts;
  }

  static bool IsTaskPoint(pugi::xml_node point, const char* role) {
    const std::vector<std::string> roles = OwnExtensions(point, kTaskPointElement);
    return !roles.empty() && TrimBlanks(roles.front()) == role;
  }

  // A route point names a waypoint; one whose name no wpt has becomes a waypoint itself. A route's
  // points are all to fly, but for a takeoff and a landing that koordin marked as such: the task
  // read has them first and last, empty when the route has none.
  void ReadRoute(pugi::xml_node route) {
    Task task;
    task.name = std::string(TrimBlanks(ChildNamed(route, "name").text().get()));
    task.cupOptions = OwnExtensions(route, kCupOptionElement);
    pugi::xml_node first;
    pugi::xml_node last;
    for (pugi::xml_node child : route.children()) {
      if (LocalName(child) != "rtept") continue;
      if (!first) first = child;
      last = child;
    }
    if (!first || !IsTaskPoint(first, kTakeoff)) task.points.emplace_back();
    int number = 0;
    for (pugi::xml_node child : route.children()) {
      if (LocalName(child) != "rtept") continue;
      ++number;
      const int line = LineOf(child);
      Waypoint point = ReadPoint(child);
      if (point.name.empty()) {
        point.name = (task.name.empty() ? "Route" : task.name) + " point " + std::to_string(number);
        diagnostics_.Warn(
            AtLine(line, "a route point without a name, named " + Quoted(point.name)));
      }
      task.points.push_back(point.name);
      const auto found = byName_.find(point.name);
      if (found == byName_.end()) {
        Add(std::move(point), line);
        continue;
      }
      const Waypoint& named = document_.waypoints[found->second.first];
      if (std::abs(named.latitude - point.latitude) > kSamePlaceDegrees ||
          std::abs(named.longitude - point.longitude) > kSamePlaceDegrees) {
        diagnostics_.Warn(
            AtLine(line, "route point " + Quoted(point.name) +
                             " lies elsewhere than the waypoint of that name on line " +
                             std::to_string(found->second.second) + ", whose position is kept"));
      }
    }
    if (!last || !IsTaskPoint(last, kLanding) || (last == first && IsTaskPoint(first, kTakeoff))) {
      task.points.emplace_back();
    }
    document_.tasks.push_back(std::move(task));
  }

  std::string_view text_;
  LineIndex lines_;
  Diagnostics& diagnostics_;
  Document document_;
  NameIndex names_;
  std::map<std::string, std::pair<std::size_t, int>> byName_;  // the index and line of each name
  std::map<std::string, int> unread_;       // point elements not read, with their count
  std::map<std::string, int> firstUnread_;  // and the first line of each
};

// About the size of the GPX file of `document`, or more: reserved at once, the file is not copied
// as it grows, and what is reserved but never written takes no memory.
std::size_t GpxSizeEstimate(const Document& document) {
  constexpr std::size_t kWaypointMarkup = 512;  // the elements of a wpt with every field
  constexpr std::size_t kPointMarkup = 160;     // an rtept with its extensions
  std::size_t size = 512;
  for (const Waypoint& waypoint : document.waypoints) {
    size += kWaypointMarkup + waypoint.name.size();
    for (const WaypointText& field : WaypointTexts()) size += (waypoint.*field.member).size();
  }
  for (const Task& task : document.tasks) {
    size += kPointMarkup + task.name.size();
    for (const std::string& point : task.points) size += kPointMarkup + point.size();
    for (const std::string& option : task.cupOptions) size += kPointMarkup + option.size();
  }
  return size;
}

}  // namespace

Document ReadGpx(std::string_view bytes, Diagnostics& diagnostics) {
  return GpxReader(bytes, diagnostics).Read();
}

std::string WriteGpx(const Document& document, Diagnostics& diagnostics) {
  WarnXmlControls(document, diagnostics);
  std::string out;
  out.reserve(GpxSizeEstimate(document));
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  GpxWriter gpx(out);
  const bool empty = document.waypoints.empty() && document.tasks.empty();
  gpx.Open("gpx",
           {{"xmlns", kGpxNamespace},
            {kExtensionDeclaration, kExtensionNamespace},
            {"version", "1.1"},
            {"creator", "koordin"}},
           empty);
  std::map<std::string, std::size_t> byName;
  for (std::size_t i = 0; i < document.waypoints.size(); ++i) {
    WriteWaypoint(gpx, document.waypoints[i]);
    byName.emplace(WithoutXmlControls(document.waypoints[i].name), i);
  }
  for (const Task& task : document.tasks) WriteRoute(gpx, task, document, byName, diagnostics);
  if (!empty) gpx.Close();
  return out;
}

void ReadGpxInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink) {
  Document document = ReadGpx(ReadAll(source), diagnostics);
  for (Waypoint& waypoint : document.waypoints) sink.AddWaypoint(std::move(waypoint));
  for (Task& task : document.tasks) sink.AddTask(std::move(task));
}

std::unique_ptr<FormatWriter> MakeGpxWriter(std::string& out, Diagnostics& diagnostics) {
  return std::make_unique<WholeDocumentWriter<&WriteGpx>>(out, diagnostics);
}

}  // namespace koordin_cli
