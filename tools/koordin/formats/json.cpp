#include "tools/koordin/formats/formats.h"

#include "tools/koordin/formats/format_support.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace koordin_cli {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kWaypoints = "waypoints";
constexpr const char* kTasks = "tasks";
constexpr int kIndent = 2;

// --- where things are -----------------------------------------------------------------------

// An input iterator over the text that tells a shared counter how far the parser has read, so that
// the parser's callback knows the line it is on.
class TrackingIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  TrackingIterator(const char* at, const char* begin, std::size_t* read)
      : at_(at), begin_(begin), read_(read) {}
  reference operator*() const { return *at_; }
  TrackingIterator& operator++() {
    ++at_;
    *read_ = static_cast<std::size_t>(at_ - begin_);
    return *this;
  }
  TrackingIterator operator++(int) {
    TrackingIterator before = *this;
    ++*this;
    return before;
  }
  bool operator==(const TrackingIterator& other) const { return at_ == other.at_; }
  bool operator!=(const TrackingIterator& other) const { return at_ != other.at_; }

 private:
  const char* at_;
  const char* begin_;
  std::size_t* read_;
};

// The lines of the objects in the waypoints and tasks arrays and of the keys in them.
struct ObjectLines {
  int line = 0;
  std::map<std::string, int> keys;
};
struct Lines {
  std::map<std::string, std::vector<ObjectLines>> arrays;  // by the top-level key
  std::map<std::string, int> topKeys;
};

// Depths at which the parser reports what it reads: the top-level object's keys, the objects in
// its arrays, and their keys.
constexpr int kTopKeyDepth = 1;
constexpr int kItemDepth = 2;
constexpr int kItemKeyDepth = 3;

// Takes the events of a parse without building anything: records the lines of what Lines holds,
// `where` telling the line the parser is on, and stops at the first fault, keeping its offset
// and the library's exception.
class LineRecorder : public nlohmann::json_sax<Json> {
 public:
  LineRecorder(Lines& lines, std::function<int()> where)
      : lines_(lines), where_(std::move(where)) {}

  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override {
    if (depth_ == kItemDepth) lines_.arrays[array_].push_back(ObjectLines{where_(), {}});
    ++depth_;
    return true;
  }
  bool key(string_t& key) override {
    if (depth_ == kTopKeyDepth) {
      array_ = key;
      return Record(lines_.topKeys, key);
    }
    if (depth_ == kItemKeyDepth && !lines_.arrays[array_].empty()) {
      return Record(lines_.arrays[array_].back().keys, key);
    }
    return true;
  }
  bool end_object() override {
    --depth_;
    return true;
  }
  bool start_array(std::size_t) override {
    ++depth_;
    return true;
  }
  bool end_array() override {
    --depth_;
    return true;
  }
  bool parse_error(std::size_t offset, const std::string&,
                   const nlohmann::detail::exception& fault) override {
    faultOffset = offset;
    isSyntaxError = dynamic_cast<const Json::parse_error*>(&fault) != nullptr;
    faultMessage = fault.what();
    return false;
  }

  std::size_t faultOffset = 0;
  bool isSyntaxError = false;
  std::string faultMessage;  // empty when the parse succeeded
  int duplicateLine = 0;     // the line of a key given twice in one object, which ends the parse
  std::string duplicate;     // its message

 private:
  // Records the line of `key`; false, ending the parse, when the object has it already: the
  // parser would keep the last value without a word.
  bool Record(std::map<std::string, int>& keys, const std::string& key) {
    const int line = where_();
    const auto [found, added] = keys.emplace(key, line);
    if (added) return true;
    duplicateLine = line;
    duplicate = "key " + Quoted(key) + " given twice in one object, first on line " +
                std::to_string(found->second);
    return false;
  }

  Lines& lines_;
  std::function<int()> where_;
  int depth_ = 0;  // the objects and arrays open
  std::string array_;
};

// The library's message without its own name and position: "[json.exception.parse_error.101]
// parse error at line 1, column 2: what" gives "what".
std::string WithoutLibraryPrefix(const std::string& message, bool hasPosition) {
  const std::size_t name = message.find("] ");
  std::size_t from = name == std::string::npos ? 0 : name + 2;
  if (hasPosition) {
    const std::size_t column = message.find("column ", from);
    const std::size_t colon = message.find(": ", column == std::string::npos ? from : column);
    if (colon != std::string::npos) from = colon + 2;
  }
  return message.substr(from);
}

// Parses `text`, filling `lines`. The library's parser with a callback searches the whole array
// after each object in it (quadratic in the objects of an array), so the lines are taken by one
// pass of events and the value by a plain parse.
Json Parse(std::string_view text, Lines& lines) {
  std::size_t read = 0;
  const LineIndex lineIndex(text);
  LineRecorder recorder(lines, [&] { return lineIndex.LineOf(read == 0 ? 0 : read - 1); });
  const char* begin = text.data();
  Json::sax_parse(TrackingIterator(begin, begin, &read),
                  TrackingIterator(begin + text.size(), begin, &read), &recorder);
  if (recorder.duplicateLine > 0) throw FormatError(recorder.duplicateLine, recorder.duplicate);
  if (!recorder.faultMessage.empty()) {
    const std::size_t offset = recorder.faultOffset;
    const int line = lineIndex.LineOf(offset == 0 ? 0 : offset - 1);
    if (recorder.isSyntaxError) {
      throw FormatError(
          line, "not well-formed JSON: " + WithoutLibraryPrefix(recorder.faultMessage, true));
    }
    // A number beyond what a double holds (1e400).
    throw FormatError(line, WithoutLibraryPrefix(recorder.faultMessage, false));
  }
  return Json::parse(text);
}

// --- reading --------------------------------------------------------------------------------

class JsonReader {
 public:
  JsonReader(const Lines& lines, Diagnostics& diagnostics)
      : lines_(lines), diagnostics_(diagnostics) {}

  Document Read(const Json& root) {
    if (!root.is_object()) {
      throw FormatError(1, "expected an object with \"waypoints\" and \"tasks\"");
    }
    // The waypoints first, wherever they stand, so that the tasks can be checked against them.
    if (root.contains(kWaypoints)) {
      ReadArray(root.at(kWaypoints), kWaypoints, &JsonReader::ReadWaypoint);
    }
    if (root.contains(kTasks)) ReadArray(root.at(kTasks), kTasks, &JsonReader::ReadTask);
    for (const auto& item : root.items()) {
      if (item.key() != kWaypoints && item.key() != kTasks) {
        diagnostics_.Warn(
            AtLine(TopLine(item.key()), "key " + Quoted(item.key()) + " is not read"));
      }
    }
    return std::move(document_);
  }

 private:
  using ItemReader = void (JsonReader::*)(const Json&, const ObjectLines&);

  int TopLine(const std::string& key) const {
    const auto found = lines_.topKeys.find(key);
    return found == lines_.topKeys.end() ? 0 : found->second;
  }

  void ReadArray(const Json& value, const std::string& key, ItemReader read) {
    const int line = TopLine(key);
    if (!value.is_array()) throw FormatError(line, Quoted(key) + " is no array");
    const auto found = lines_.arrays.find(key);
    const std::vector<ObjectLines> none;
    const std::vector<ObjectLines>& all = found == lines_.arrays.end() ? none : found->second;
    for (std::size_t i = 0; i < value.size(); ++i) {
      if (!value[i].is_object() || all.size() < value.size()) {
        throw FormatError(line, Quoted(key) + " holds something else than objects");
      }
      // Of a key given twice the parser keeps the last array, whose objects came last.
      (this->*read)(value[i], all[all.size() - value.size() + i]);
    }
  }

  static int LineOf(const ObjectLines& lines, const std::string& key) {
    const auto found = lines.keys.find(key);
    return found == lines.keys.end() ? lines.line : found->second;
  }

  static std::string Text(const Json& object, const ObjectLines& lines, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || found->is_null()) return "";
    if (!found->is_string()) throw FormatError(LineOf(lines, key), Quoted(key) + " is no string");
    return found->get<std::string>();
  }

  static double Degrees(const Json& object, const ObjectLines& lines, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number()) {
      throw FormatError(LineOf(lines, key), std::string("bad ") + key + ": expected a number");
    }
    return found->get<double>();
  }

  void WarnAboutUnknownKeys(const Json& object, const ObjectLines& lines,
                            const std::vector<std::string>& known) {
    for (const auto& item : object.items()) {
      if (std::find(known.begin(), known.end(), item.key()) == known.end()) {
        diagnostics_.Warn(
            AtLine(LineOf(lines, item.key()), "key " + Quoted(item.key()) + " is not read"));
      }
    }
  }

  void ReadWaypoint(const Json& object, const ObjectLines& lines) {
    std::vector<std::string> known = {"name",  "latitude", "longitude", "elevation",
                                      "style", "marked",   "slot"};
    Waypoint waypoint;
    waypoint.name = Text(object, lines, "name");
    if (waypoint.name.empty()) throw FormatError(lines.line, "a waypoint without a name");
    waypoint.latitude = Degrees(object, lines, "latitude");
    waypoint.longitude = Degrees(object, lines, "longitude");
    CheckCoordinates(waypoint.latitude, waypoint.longitude, LineOf(lines, "latitude"));
    for (const WaypointText& field : WaypointTexts()) {
      waypoint.*field.member = Text(object, lines, field.key);
      known.emplace_back(field.key);
    }
    if (const auto elevation = object.find("elevation");
        elevation != object.end() && !elevation->is_null()) {
      if (!elevation->is_number()) {
        throw FormatError(LineOf(lines, "elevation"), "bad elevation: expected a number or null");
      }
      waypoint.elevation = elevation->get<double>();
    }
    if (const auto style = object.find("style"); style != object.end()) {
      if (!style->is_number_integer()) {
        throw FormatError(LineOf(lines, "style"), "bad style: expected a whole number");
      }
      waypoint.style = KnownStyle(style->get<long long>(), LineOf(lines, "style"), diagnostics_);
    }
    if (const auto marked = object.find("marked"); marked != object.end()) {
      if (!marked->is_boolean()) {
        throw FormatError(LineOf(lines, "marked"), "bad marked: expected true or false");
      }
      waypoint.marked = marked->get<bool>();
    }
    if (const auto slot = object.find("slot"); slot != object.end()) {
      if (!slot->is_number_unsigned() || slot->get<unsigned long long>() > INT_MAX) {
        throw FormatError(LineOf(lines, "slot"), "bad slot: expected a whole number from 0");
      }
      waypoint.slot = slot->get<int>();
    }
    WarnAboutUnknownKeys(object, lines, known);
    names_.Add(waypoint.name, lines.line, diagnostics_);
    document_.waypoints.push_back(std::move(waypoint));
  }

  static std::vector<std::string> Texts(const Json& object, const ObjectLines& lines,
                                        const char* key) {
    const auto found = object.find(key);
    if (found == object.end()) return {};
    std::vector<std::string> texts;
    if (found->is_array()) {
      for (const Json& item : *found) {
        if (!item.is_string()) break;
        texts.push_back(item.get<std::string>());
      }
      if (texts.size() == found->size()) return texts;
    }
    throw FormatError(LineOf(lines, key), Quoted(key) + " is no array of strings");
  }

  void ReadTask(const Json& object, const ObjectLines& lines) {
    Task task;
    task.name = Text(object, lines, "name");
    task.points = Texts(object, lines, "points");
    task.cupOptions = Texts(object, lines, "cupOptions");
    WarnAboutUnknownKeys(object, lines, {"name", "points", "cupOptions"});
    names_.CheckTask(task, lines.line, diagnostics_);
    document_.tasks.push_back(std::move(task));
  }

  const Lines& lines_;
  Diagnostics& diagnostics_;
  Document document_;
  NameIndex names_;
};

// --- writing --------------------------------------------------------------------------------

Json WaypointObject(const Waypoint& waypoint) {
  CheckWaypointToWrite(waypoint);
  Json object;
  object["name"] = waypoint.name;
  object["latitude"] = RoundDecimal(waypoint.latitude, kDegreeDecimals);
  object["longitude"] = RoundDecimal(waypoint.longitude, kDegreeDecimals);
  object["elevation"] =
      waypoint.elevation ? Json(RoundDecimal(*waypoint.elevation, kMetreDecimals)) : Json(nullptr);
  object["style"] = waypoint.style;
  for (const WaypointText& field : WaypointTexts()) object[field.key] = waypoint.*field.member;
  object["marked"] = waypoint.marked;
  object["slot"] = waypoint.slot;
  return object;
}

}  // namespace

Document ReadJson(std::string_view bytes, Diagnostics& diagnostics) {
  Lines lines;
  const Json root = Parse(bytes, lines);
  return JsonReader(lines, diagnostics).Read(root);
}

std::string WriteJson(const Document& document, Diagnostics& diagnostics) {
  Json root;
  root[kWaypoints] = Json::array();
  for (const Waypoint& waypoint : document.waypoints) {
    root[kWaypoints].push_back(WaypointObject(waypoint));
  }
  root[kTasks] = Json::array();
  for (const Task& task : document.tasks) {
    Json object;
    object["name"] = task.name;
    object["points"] = task.points;
    if (!task.cupOptions.empty()) object["cupOptions"] = task.cupOptions;
    root[kTasks].push_back(std::move(object));
  }
  try {
    return root.dump(kIndent) + "\n";
  } catch (const Json::type_error&) {
    diagnostics.Warn("text that is not UTF-8 is written with U+FFFD in place of its bad bytes");
    return root.dump(kIndent, ' ', false, Json::error_handler_t::replace) + "\n";
  }
}

}  // namespace koordin_cli
