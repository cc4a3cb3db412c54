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

// The line of every object and key of a text, by its path: "/waypoints/2" for the third object of
// the array "waypoints", "/waypoints/2/name" for its key "name", "" for the whole text.
using Lines = std::map<std::string, int>;

// `key` as a step of a path, as a JSON pointer writes it: "~" as "~0", "/" as "~1".
std::string Step(const std::string& key) {
  std::string step;
  for (const char c : key) step += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
  return step;
}

// An object of the text and its line, from which a reader asks for the lines of its keys.
struct Place {
  const Lines& lines;
  std::string path;
  int line;
  // The line of `key`, or the object's own when it has no such key.
  int LineOf(const std::string& key) const {
    const auto found = lines.find(path + "/" + Step(key));
    return found == lines.end() ? line : found->second;
  }
};

// An input iterator over the text that keeps, where `read` points, how far the parser has read.
class TrackingIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  TrackingIterator(const char* at, const char** read) : at_(at), read_(read) {}
  reference operator*() const { return *at_; }
  TrackingIterator& operator++() {
    *read_ = ++at_;
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
  const char** read_;
};

// Takes the events of a parse without building anything: records the line of each object and key
// in Lines, and stops at the first fault, a key given twice in one object among them.
class LineRecorder : public nlohmann::json_sax<Json> {
 public:
  // `line` tells the line the parser is on.
  LineRecorder(Lines& lines, std::function<int()> line) : lines_(lines), line_(std::move(line)) {}

  bool null() override { return Value(); }
  bool boolean(bool) override { return Value(); }
  bool number_integer(number_integer_t) override { return Value(); }
  bool number_unsigned(number_unsigned_t) override { return Value(); }
  bool number_float(number_float_t, const string_t&) override { return Value(); }
  bool string(string_t&) override { return Value(); }
  bool binary(binary_t&) override { return Value(); }
  bool start_object(std::size_t) override {
    open_.push_back({NextPath(), false});
    lines_.emplace(open_.back().path, line_());
    return true;
  }
  bool start_array(std::size_t) override {
    open_.push_back({NextPath(), true});
    return true;
  }
  bool end_object() override { return Close(); }
  bool end_array() override { return Close(); }
  bool key(string_t& key) override {
    key_ = Step(key);
    const int line = line_();
    const auto [found, added] = lines_.emplace(open_.back().path + "/" + key_, line);
    if (added) return true;
    // The parser would keep the last value without a word.
    duplicateLine = line;
    duplicate = "key " + Quoted(key) + " given twice in one object, first on line " +
                std::to_string(found->second);
    return false;
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
  struct Open {
    std::string path;
    bool array;
    std::size_t items = 0;  // of an array, those read
  };

  // The path of the value that begins now: an array's next item, or the value of the last key.
  std::string NextPath() {
    if (open_.empty()) return "";
    Open& parent = open_.back();
    return parent.path + "/" + (parent.array ? std::to_string(parent.items++) : key_);
  }
  bool Value() {
    NextPath();
    return true;
  }
  bool Close() {
    open_.pop_back();
    return true;
  }

  Lines& lines_;
  std::function<int()> line_;
  std::vector<Open> open_;
  std::string key_;
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
  const LineIndex lineIndex(text);
  const char* begin = text.data();
  const char* read = begin;
  // The line of the last character read.
  const auto lineOf = [&](const char* at) {
    return lineIndex.LineOf(at == begin ? 0 : static_cast<std::size_t>(at - begin) - 1);
  };
  LineRecorder recorder(lines, [&] { return lineOf(read); });
  Json::sax_parse(TrackingIterator(begin, &read), TrackingIterator(begin + text.size(), &read),
                  &recorder);
  if (recorder.duplicateLine > 0) throw FormatError(recorder.duplicateLine, recorder.duplicate);
  if (!recorder.faultMessage.empty()) {
    const int line = lineOf(begin + recorder.faultOffset);
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
  using ItemReader = void (JsonReader::*)(const Json&, const Place&);

  int TopLine(const std::string& key) const { return Place{lines_, "", 1}.LineOf(key); }

  void ReadArray(const Json& value, const std::string& key, ItemReader read) {
    const int line = TopLine(key);
    if (!value.is_array()) throw FormatError(line, Quoted(key) + " is no array");
    for (std::size_t i = 0; i < value.size(); ++i) {
      if (!value[i].is_object()) {
        throw FormatError(line, Quoted(key) + " holds something else than objects");
      }
      const std::string path = "/" + key + "/" + std::to_string(i);
      (this->*read)(value[i], Place{lines_, path, lines_.at(path)});
    }
  }

  static std::string Text(const Json& object, const Place& place, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || found->is_null()) return "";
    if (!found->is_string()) throw FormatError(place.LineOf(key), Quoted(key) + " is no string");
    return found->get<std::string>();
  }

  static double Degrees(const Json& object, const Place& place, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number()) {
      throw FormatError(place.LineOf(key), std::string("bad ") + key + ": expected a number");
    }
    return found->get<double>();
  }

  void WarnAboutUnknownKeys(const Json& object, const Place& place,
                            const std::vector<std::string>& known) {
    for (const auto& item : object.items()) {
      if (std::find(known.begin(), known.end(), item.key()) == known.end()) {
        diagnostics_.Warn(
            AtLine(place.LineOf(item.key()), "key " + Quoted(item.key()) + " is not read"));
      }
    }
  }

  void ReadWaypoint(const Json& object, const Place& place) {
    std::vector<std::string> known = {"name",  "latitude", "longitude", "elevation",
                                      "style", "marked",   "slot"};
    Waypoint waypoint;
    waypoint.name = Text(object, place, "name");
    if (waypoint.name.empty()) throw FormatError(place.line, "a waypoint without a name");
    waypoint.latitude = Degrees(object, place, "latitude");
    waypoint.longitude = Degrees(object, place, "longitude");
    CheckCoordinates(waypoint.latitude, waypoint.longitude, place.LineOf("latitude"));
    for (const WaypointText& field : WaypointTexts()) {
      waypoint.*field.member = Text(object, place, field.key);
      known.emplace_back(field.key);
    }
    if (const auto elevation = object.find("elevation");
        elevation != object.end() && !elevation->is_null()) {
      if (!elevation->is_number()) {
        throw FormatError(place.LineOf("elevation"), "bad elevation: expected a number or null");
      }
      waypoint.elevation = elevation->get<double>();
    }
    if (const auto style = object.find("style"); style != object.end()) {
      if (!style->is_number_integer()) {
        throw FormatError(place.LineOf("style"), "bad style: expected a whole number");
      }
      waypoint.style = KnownStyle(style->get<long long>(), place.LineOf("style"), diagnostics_);
    }
    if (const auto marked = object.find("marked"); marked != object.end()) {
      if (!marked->is_boolean()) {
        throw FormatError(place.LineOf("marked"), "bad marked: expected true or false");
      }
      waypoint.marked = marked->get<bool>();
    }
    if (const auto slot = object.find("slot"); slot != object.end()) {
      if (!slot->is_number_unsigned() || slot->get<unsigned long long>() > INT_MAX) {
        throw FormatError(place.LineOf("slot"), "bad slot: expected a whole number from 0");
      }
      waypoint.slot = slot->get<int>();
    }
    WarnAboutUnknownKeys(object, place, known);
    names_.Add(waypoint.name, place.line, diagnostics_);
    document_.waypoints.push_back(std::move(waypoint));
  }

  static std::vector<std::string> Texts(const Json& object, const Place& place, const char* key) {
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
    throw FormatError(place.LineOf(key), Quoted(key) + " is no array of strings");
  }

  void ReadTask(const Json& object, const Place& place) {
    Task task;
    task.name = Text(object, place, "name");
    task.points = Texts(object, place, "points");
    task.cupOptions = Texts(object, place, "cupOptions");
    WarnAboutUnknownKeys(object, place, {"name", "points", "cupOptions"});
    names_.CheckTask(task, place.line, diagnostics_);
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

void ReadJsonInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink) {
  Document document = ReadJson(ReadAll(source), diagnostics);
  for (Waypoint& waypoint : document.waypoints) sink.AddWaypoint(std::move(waypoint));
  for (Task& task : document.tasks) sink.AddTask(std::move(task));
}

std::unique_ptr<FormatWriter> MakeJsonWriter(std::string& out, Diagnostics& diagnostics) {
  return std::make_unique<WholeDocumentWriter<&WriteJson>>(out, diagnostics);
}

}  // namespace koordin_cli
