#include "tools/koordin/formats/formats.h"

#include "tools/koordin/formats/format_support.h"

#include <cmath>
#include <map>
#include <sstream>
#include <string>
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

void AppendText(pugi::xml_node parent, const char* element, const std::string& text) {
  parent.append_child(element).text().set(text.c_str());
}

void AppendPosition(pugi::xml_node point, const Waypoint& waypoint) {
  point.append_attribute("lat").set_value(
      FormatDecimal(waypoint.latitude, kDegreeDecimals).c_str());
  point.append_attribute("lon").set_value(
      FormatDecimal(waypoint.longitude, kDegreeDecimals).c_str());
}

void AppendExtensions(pugi::xml_node point, const Waypoint& waypoint) {
  pugi::xml_node extensions;
  const auto add = [&](const char* element, const std::string& text) {
    if (!extensions) extensions = point.append_child("extensions");
    AppendText(extensions, (std::string(kExtensionPrefix) + element).c_str(), text);
  };
  for (const WaypointText& field : WaypointTexts()) {
    if (field.member != &Waypoint::description && !(waypoint.*field.member).empty()) {
      add(field.key, waypoint.*field.member);  // the description is GPX's own desc
    }
  }
  if (waypoint.style != 0) add(kStyleElement, std::to_string(waypoint.style));
  if (waypoint.marked) add(kMarkedElement, "true");
}

void AppendWaypoint(pugi::xml_node gpx, const Waypoint& waypoint) {
  CheckWaypointToWrite(waypoint);
  pugi::xml_node point = gpx.append_child("wpt");
  AppendPosition(point, waypoint);
  // The order of a wpt's elements is fixed: ele, name, desc, sym, extensions.
  if (waypoint.elevation) {
    AppendText(point, "ele", FormatDecimal(*waypoint.elevation, kMetreDecimals));
  }
  AppendText(point, "name", waypoint.name);
  if (!waypoint.description.empty()) AppendText(point, "desc", waypoint.description);
  if (const char* symbol = SymbolOf(waypoint.style)) AppendText(point, "sym", symbol);
  AppendExtensions(point, waypoint);
}

void AppendRoute(pugi::xml_node gpx, const Task& task, const Document& document,
                 const std::map<std::string, std::size_t>& byName, Diagnostics& diagnostics) {
  pugi::xml_node route = gpx.append_child("rte");
  if (!task.name.empty()) AppendText(route, "name", task.name);
  if (!task.cupOptions.empty()) {
    pugi::xml_node extensions = route.append_child("extensions");
    for (const std::string& option : task.cupOptions) {
      AppendText(extensions, (std::string(kExtensionPrefix) + kCupOptionElement).c_str(), option);
    }
  }
  for (std::size_t i = 0; i < task.points.size(); ++i) {
    const std::string& name = task.points[i];
    if (name.empty()) continue;  // a CUP task without takeoff or landing
    const auto found = byName.find(name);
    if (found == byName.end()) {
      diagnostics.Warn("route " + Quoted(task.name) + ": point " + Quoted(name) +
                       " is no waypoint and is left out");
      continue;
    }
    pugi::xml_node point = route.append_child("rtept");
    AppendPosition(point, document.waypoints[found->second]);
    AppendText(point, "name", name);
    const char* role = i == 0 ? kTakeoff : i + 1 == task.points.size() ? kLanding : nullptr;
    if (role != nullptr) {
      AppendText(point.append_child("extensions"),
                 (std::string(kExtensionPrefix) + kTaskPointElement).c_str(), role);
    }
  }
}

// XML 1.0 has no place for the control characters but tab, line feed and carriage return: a GPX
// file with them is no XML file. Leaves them out of every text of `document`, with a warning for
// each text.
void WithoutXmlControls(Document& document, Diagnostics& diagnostics) {
  const auto clean = [&](std::string& text) {
    std::string kept;
    for (const char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte >= 0x20 || c == '\t' || c == '\n' || c == '\r') kept += c;
    }
    if (kept.size() == text.size()) return;
    diagnostics.Warn("GPX has no place for the control characters of " + Quoted(text) +
                     ": written as " + Quoted(kept));
    text = std::move(kept);
  };
  for (Waypoint& waypoint : document.waypoints) {
    clean(waypoint.name);
    for (const WaypointText& field : WaypointTexts()) clean(waypoint.*field.member);
  }
  for (Task& task : document.tasks) {
    clean(task.name);
    for (std::string& point : task.points) clean(point);
    for (std::string& option : task.cupOptions) clean(option);
  }
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

}  // namespace

Document ReadGpx(std::string_view bytes, Diagnostics& diagnostics) {
  return GpxReader(bytes, diagnostics).Read();
}

std::string WriteGpx(const Document& original, Diagnostics& diagnostics) {
  Document document = original;
  WithoutXmlControls(document, diagnostics);
  pugi::xml_document xml;
  pugi::xml_node declaration = xml.append_child(pugi::node_declaration);
  declaration.append_attribute("version").set_value("1.0");
  declaration.append_attribute("encoding").set_value("UTF-8");
  pugi::xml_node gpx = xml.append_child("gpx");
  gpx.append_attribute("xmlns").set_value(kGpxNamespace);
  gpx.append_attribute(kExtensionDeclaration).set_value(kExtensionNamespace);
  gpx.append_attribute("version").set_value("1.1");
  gpx.append_attribute("creator").set_value("koordin");
  std::map<std::string, std::size_t> byName;
  for (std::size_t i = 0; i < document.waypoints.size(); ++i) {
    AppendWaypoint(gpx, document.waypoints[i]);
    byName.emplace(document.waypoints[i].name, i);
  }
  for (const Task& task : document.tasks) AppendRoute(gpx, task, document, byName, diagnostics);
  std::ostringstream out;
  xml.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
  return out.str();
}

}  // namespace koordin_cli
