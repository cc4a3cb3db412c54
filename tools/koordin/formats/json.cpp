#include "tools/koordin/formats/format_modules.h"

#include "tools/koordin/formats/format_support.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace koordin_cli {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kWaypoints = "waypoints";
constexpr const char* kTasks = "tasks";
constexpr int kIndent = 2;

// --- the input ------------------------------------------------------------------------------

// A source's bytes, one at a time for the parser, read in pieces. Keeps the line of the last byte
// the parser took, and refuses what the parser would keep whole beyond kMaxTextRun bytes: a
// string, a number, or the stretch from one of them to the next, which the library keeps for its
// messages.
class JsonInput {
 public:
  explicit JsonInput(ByteSource& source) : source_(source) { Fill(); }

  bool AtEnd() const { return at_ == size_; }
  char Current() const { return buffer_[at_]; }

  // Takes the current byte.
  void Advance() {
    Take(buffer_[at_]);
    if (++at_ == size_) Fill();
  }

  // The line of the last byte taken (1 before any).
  int LastLine() const { return lastLine_; }

 private:
  enum class Token { kBetween, kString, kEscape, kNumber };

  void Fill() {
    at_ = 0;
    size_ = source_.Read(buffer_.data(), buffer_.size());
  }

  static bool InNumber(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
  }

  void Take(char c) {
    // LF, CR LF and a lone CR end a line; the line end belongs to the line it ends.
    if (taken_ > 0 && (last_ == '\n' || (last_ == '\r' && c != '\n'))) ++lineEnds_;
    lastLine_ = 1 + lineEnds_;
    last_ = c;
    ++taken_;
    switch (token_) {
      case Token::kString:
        if (c == '\\') token_ = Token::kEscape;
        if (c == '"') token_ = Token::kBetween;
        break;
      case Token::kEscape:
        token_ = Token::kString;
        break;
      case Token::kNumber:
        if (InNumber(c)) break;
        token_ = Token::kBetween;
        [[fallthrough]];
      case Token::kBetween:
        if (c == '"' || c == '-' || (c >= '0' && c <= '9')) {
          token_ = c == '"' ? Token::kString : Token::kNumber;
          kept_ = 0;
        }
        break;
    }
    if (++kept_ > kMaxTextRun) {
      const std::string limit = TextRunInWords();
      throw FormatError(lastLine_, token_ == Token::kNumber ? "a number longer than " + limit
                                   : token_ == Token::kBetween
                                       ? "more than " + limit + " without a string or number"
                                       : "a string longer than " + limit);
    }
  }

  ByteSource& source_;
  std::vector<char> buffer_ = std::vector<char>(kPieceBytes);
  std::size_t at_ = 0;
  std::size_t size_ = 0;
  std::size_t taken_ = 0;
  std::size_t lineEnds_ = 0;  // among the bytes taken but the last
  int lastLine_ = 1;
  char last_ = 0;
  Token token_ = Token::kBetween;
  std::size_t kept_ = 0;  // bytes taken since the last string or number began
};

// The parser's view of a JsonInput: an input iterator, equal to the default one at the end.
class InputIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = char;

  explicit InputIterator(JsonInput* input = nullptr) : input_(input) {}
  char operator*() const { return input_->Current(); }
  InputIterator& operator++() {
    input_->Advance();
    return *this;
  }
  InputIterator operator++(int) {
    InputIterator before = *this;
    ++*this;
    return before;
  }
  bool operator==(const InputIterator& other) const { return AtEnd() == other.AtEnd(); }
  bool operator!=(const InputIterator& other) const { return !(*this == other); }

 private:
  bool AtEnd() const { return input_ == nullptr || input_->AtEnd(); }
  JsonInput* input_;
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

// --- reading --------------------------------------------------------------------------------

// The keys of the objects open, each with its line, in little more room than their text: the
// keys one after the other in one string, and a table of them by their hash.
class OpenKeys {
 public:
  // Begins an object, the innermost from now on.
  void Open() { objects_.push_back(entries_.size()); }

  // Forgets the innermost object and its keys.
  void Close() {
    // Taken out of the table last in, first out, the rest is found as before.
    while (entries_.size() > objects_.back()) {
      slots_[Find(Key(entries_.size() - 1), entries_.size() - 1)] = 0;
      text_.resize(entries_.back().start);
      entries_.pop_back();
    }
    objects_.pop_back();
  }

  // Adds `key` read at `line` to the innermost object; the line where it has the key already,
  // else 0.
  int Add(std::string_view key, int line) {
    if (const int before = LineOf(key)) return before;
    if (entries_.size() == kMaxEntries)
      throw FormatError(line, "too many keys in the objects open");
    entries_.push_back({text_.size(), line});
    text_.append(key);
    if (2 * entries_.size() > slots_.size()) {
      // Refilled in the order of their adding, which Close relies on.
      slots_.assign(2 * slots_.size(), 0);
      for (std::size_t i = 0; i < entries_.size(); ++i) slots_[Find(Key(i), kNone)] = Slot(i);
    } else {
      slots_[Find(key, kNone)] = Slot(entries_.size() - 1);
    }
    return 0;
  }

  // The line of `key` in the innermost object, or 0.
  int LineOf(std::string_view key) const {
    const std::uint32_t slot = slots_[Find(key, kInnermost)];
    return slot == 0 ? 0 : entries_[slot - 1].line;
  }

  // The last key of the innermost object.
  std::string_view LastKey() const { return Key(entries_.size() - 1); }

  // Calls `visit(key, line)` for each key of the innermost object, in the order read.
  template <typename Visit>
  void ForEachInnermost(Visit visit) const {
    for (std::size_t i = objects_.back(); i < entries_.size(); ++i) visit(Key(i), entries_[i].line);
  }

 private:
  struct Entry {
    std::size_t start;  // in text_
    int line;
  };
  // As many as a slot can tell apart.
  static constexpr std::size_t kMaxEntries = std::numeric_limits<std::uint32_t>::max() - 1;
  static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();  // for Find
  static constexpr std::size_t kInnermost = kNone - 1;                           // for Find

  static std::uint32_t Slot(std::size_t entry) { return static_cast<std::uint32_t>(entry + 1); }

  std::string_view Key(std::size_t entry) const {
    const std::size_t end = entry + 1 < entries_.size() ? entries_[entry + 1].start : text_.size();
    return std::string_view(text_).substr(entries_[entry].start, end - entries_[entry].start);
  }

  // The slot, along the probes for `key`, that holds `entry`; or the first empty one (kNone);
  // or the one that holds `key` of the innermost object, else an empty one (kInnermost).
  std::size_t Find(std::string_view key, std::size_t entry) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = std::hash<std::string_view>()(key) & mask;; at = (at + 1) & mask) {
      const std::uint32_t slot = slots_[at];
      if (slot == 0) return at;
      if (entry == kInnermost ? slot > objects_.back() && Key(slot - 1) == key
                              : entry != kNone && slot == Slot(entry)) {
        return at;
      }
    }
  }

  std::string text_;
  std::vector<Entry> entries_;
  std::vector<std::size_t> objects_;  // of each open object, its first entry
  // Entry + 1, or 0 for none; a power of two of them, at most half of them taken.
  std::vector<std::uint32_t> slots_ = std::vector<std::uint32_t>(64);
};

// An object of the text and its line, from which a reader asks for the lines of its keys.
struct Place {
  const OpenKeys& keys;
  int line;
  // The line of `key`, or the object's own when it has no such key.
  int LineOf(const std::string& key) const {
    const int found = keys.LineOf(key);
    return found == 0 ? line : found;
  }
};

bool IsWaypointKey(std::string_view key) {
  for (const char* known :
       {"name", "latitude", "longitude", "elevation", "style", "marked", "slot"}) {
    if (key == known) return true;
  }
  for (const WaypointText& field : WaypointTexts()) {
    if (key == field.key) return true;
  }
  return false;
}

bool IsTaskKey(std::string_view key) {
  return key == "name" || key == "points" || key == "cupOptions";
}

bool IsTopKey(std::string_view key) {
  return key == kWaypoints || key == kTasks;
}

// Keys with their lines.
using KeyList = std::vector<std::pair<std::string, int>>;

// Takes the parser's events and hands each waypoint and task to the sink as its object closes,
// keeping of the text no more than the object being read, the keys of the objects open around it
// (to refuse a key given twice) and the tasks that come before the waypoints they name.
//
// Faults are told as a reader of the whole text would tell them: the first that the text has
// against JSON itself (a key given twice among them), else that the text is no object, else the
// first among the waypoints, else the first among the tasks. So a fault of a waypoint or task
// ends nothing but what follows of its kind, and is thrown when the parse ends.
class JsonReader : public nlohmann::json_sax<Json> {
 public:
  JsonReader(JsonInput& input, Diagnostics& diagnostics, DocumentSink& sink)
      : input_(input), diagnostics_(diagnostics), sink_(sink) {}

  bool null() override { return Value(Kind::kScalar, Json()); }
  bool boolean(bool value) override { return Value(Kind::kScalar, Json(value)); }
  bool number_integer(number_integer_t value) override { return Value(Kind::kScalar, Json(value)); }
  bool number_unsigned(number_unsigned_t value) override {
    return Value(Kind::kScalar, Json(value));
  }
  bool number_float(number_float_t value, const string_t&) override {
    return Value(Kind::kScalar, Json(value));
  }
  bool string(string_t& value) override { return Value(Kind::kScalar, Json(std::move(value))); }
  bool binary(binary_t&) override { return Value(Kind::kScalar, Json()); }
  bool start_object(std::size_t) override { return Value(Kind::kObject, Json()); }
  bool start_array(std::size_t) override { return Value(Kind::kArray, Json()); }
  bool end_object() override { return Close(true); }
  bool end_array() override { return Close(false); }

  bool key(string_t& key) override {
    const int line = input_.LastLine();
    if (const int before = keys_.Add(key, line)) {
      // The library would keep the last value without a word.
      throw FormatError(line, "key " + Quoted(key) + " given twice in one object, first on line " +
                                  std::to_string(before));
    }
    return true;
  }

  bool parse_error(std::size_t, const std::string&,
                   const nlohmann::detail::exception& fault) override {
    // The parser tells a fault after the last byte it took. It reads one byte past a number
    // only, and a line end is on the line it ends: so the line of the last byte taken.
    const int line = input_.LastLine();
    if (dynamic_cast<const Json::parse_error*>(&fault) != nullptr) {
      throw FormatError(line, "not well-formed JSON: " + WithoutLibraryPrefix(fault.what(), true));
    }
    // A number beyond what a double holds (1e400).
    throw FormatError(line, WithoutLibraryPrefix(fault.what(), false));
  }

  // Throws the fault that the text has, once the parse has ended.
  void Finish() const {
    if (fault_) throw *fault_;
  }

 private:
  enum class Kind { kScalar, kObject, kArray };
  // What an open object or array is.
  enum class Role { kRoot, kWaypoints, kTasks, kWaypoint, kTask, kTaskTexts, kSkipped };
  // The order in which faults are told; the first of a rank stands.
  enum Rank { kShapeFault, kWaypointFault, kTaskFault, kNoFault };

  struct Frame {
    Role role;
    int line;  // of its start
  };

  // A task read before the waypoints, kept until they are all read, with its keys not read.
  struct EarlyTask {
    Task task;
    int line;
    KeyList keysNotRead;
  };

  void Fail(Rank rank, int line, const std::string& message) {
    if (rank >= faultRank_) return;
    faultRank_ = rank;
    fault_.emplace(line, message);
  }

  // A value that begins now, whole when it is a scalar.
  bool Value(Kind kind, Json scalar) {
    const Role role = Take(kind, std::move(scalar));
    if (kind == Kind::kScalar) return true;
    if (open_.size() >= kMaxJsonDepth) {
      throw FormatError(input_.LastLine(), "nested deeper than " + std::to_string(kMaxJsonDepth) +
                                               " objects and arrays");
    }
    if (role == Role::kWaypoint || role == Role::kTask) element_ = Json::object();
    if (kind == Kind::kObject) keys_.Open();
    open_.push_back({role, input_.LastLine()});
    return true;
  }

  // Puts a value that begins now where it belongs; of an object or array, the role it has.
  Role Take(Kind kind, Json&& scalar) {
    if (open_.empty()) {
      if (kind == Kind::kObject) return Role::kRoot;
      Fail(kShapeFault, 1, "expected an object with \"waypoints\" and \"tasks\"");
      return Role::kSkipped;
    }
    const Frame& parent = open_.back();
    // Of the innermost object: the parent's, or the task's whose "points" the parent is.
    const std::string key(parent.role == Role::kSkipped ? "" : keys_.LastKey());
    switch (parent.role) {
      case Role::kRoot:
        if (key == kWaypoints) return Section(kind, Role::kWaypoints, kWaypointFault);
        if (key == kTasks) return Section(kind, Role::kTasks, kTaskFault);
        return Role::kSkipped;
      case Role::kWaypoints:
      case Role::kTasks: {
        const bool waypoints = parent.role == Role::kWaypoints;
        if (kind == Kind::kObject) return waypoints ? Role::kWaypoint : Role::kTask;
        const char* key = waypoints ? kWaypoints : kTasks;
        Fail(waypoints ? kWaypointFault : kTaskFault, TopLine(key),
             Quoted(key) + " holds something else than objects");
        return Role::kSkipped;
      }
      case Role::kWaypoint:
      case Role::kTask:
        if (!(parent.role == Role::kWaypoint ? IsWaypointKey(key) : IsTaskKey(key))) {
          return Role::kSkipped;
        }
        if (parent.role == Role::kTask && key != "name" && kind == Kind::kArray) {
          element_[key] = Json::array();
          return Role::kTaskTexts;
        }
        // An object or array is of the wrong kind for every key.
        element_[key] = kind == Kind::kScalar ? std::move(scalar) : Json::object();
        return Role::kSkipped;
      case Role::kTaskTexts: {
        Json& texts = element_[key];
        // Beyond the first that is no string, none is needed.
        if (texts.empty() || texts.back().is_string()) {
          texts.push_back(kind == Kind::kScalar ? std::move(scalar) : Json());
        }
        return Role::kSkipped;
      }
      case Role::kSkipped:
        break;
    }
    return Role::kSkipped;
  }

  // The value of "waypoints" or "tasks".
  Role Section(Kind kind, Role role, Rank rank) {
    if (kind == Kind::kArray) return role;
    const char* key = role == Role::kWaypoints ? kWaypoints : kTasks;
    Fail(rank, TopLine(key), Quoted(key) + " is no array");
    return Role::kSkipped;
  }

  // The line of a key of the whole text's object, while it is the innermost.
  int TopLine(const std::string& key) const { return Place{keys_, 1}.LineOf(key); }

  bool Close(bool object) {
    const Frame frame = open_.back();
    open_.pop_back();
    const Place place{keys_, frame.line};
    switch (frame.role) {
      case Role::kWaypoint:
        if (faultRank_ > kWaypointFault) {
          sink_.BeginWaypoint(frame.line);
          std::optional<Waypoint> waypoint =
              Guarded(kWaypointFault, [&] { return ReadWaypoint(place); });
          if (waypoint) sink_.AddWaypoint(std::move(*waypoint));
        }
        break;
      case Role::kTask:
        if (faultRank_ > kTaskFault) {
          std::optional<Task> task = Guarded(kTaskFault, [&] { return ReadTask(place); });
          if (!task) break;
          if (waypointsRead_) {
            WarnAboutKeysNotRead(&IsTaskKey);
            TakeTask(std::move(*task), place.line);
          } else {
            earlyTasks_.push_back({std::move(*task), place.line, KeysNotRead(&IsTaskKey)});
          }
        }
        break;
      case Role::kWaypoints:
        waypointsRead_ = true;
        TakeEarlyTasks();
        break;
      case Role::kRoot:
        waypointsRead_ = true;
        TakeEarlyTasks();
        WarnAboutKeysNotRead(&IsTopKey);
        break;
      default:
        break;
    }
    if (object) keys_.Close();
    return true;
  }

  // What `read` returns, or nothing when it throws FormatError, which is kept as a fault of
  // `rank`.
  template <typename Read>
  auto Guarded(Rank rank, Read read) -> std::optional<decltype(read())> {
    try {
      return read();
    } catch (const FormatError& fault) {
      Fail(rank, fault.line(), fault.what());
      return std::nullopt;
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

  // The keys of the innermost object that `known` does not know.
  KeyList KeysNotRead(bool (*known)(std::string_view)) const {
    KeyList keys;
    keys_.ForEachInnermost([&](std::string_view key, int line) {
      if (!known(key)) keys.emplace_back(key, line);
    });
    return keys;
  }

  void WarnAboutKeyNotRead(std::string_view key, int line) {
    diagnostics_.Warn(AtLine(line, "key " + Quoted(key) + " is not read"));
  }

  // Warns about the keys of the innermost object that `known` does not know.
  void WarnAboutKeysNotRead(bool (*known)(std::string_view)) {
    keys_.ForEachInnermost([&](std::string_view key, int line) {
      if (!known(key)) WarnAboutKeyNotRead(key, line);
    });
  }

  Waypoint ReadWaypoint(const Place& place) {
    const Json& object = element_;
    Waypoint waypoint;
    waypoint.name = Text(object, place, "name");
    if (waypoint.name.empty()) throw FormatError(place.line, "a waypoint without a name");
    waypoint.latitude = Degrees(object, place, "latitude");
    waypoint.longitude = Degrees(object, place, "longitude");
    CheckCoordinates(waypoint.latitude, waypoint.longitude, place.LineOf("latitude"));
    for (const WaypointText& field : WaypointTexts()) {
      waypoint.*field.member = Text(object, place, field.key);
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
    WarnAboutKeysNotRead(&IsWaypointKey);
    names_.Add(waypoint.name, place.line, diagnostics_);
    return waypoint;
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

  Task ReadTask(const Place& place) const {
    Task task;
    task.name = Text(element_, place, "name");
    task.points = Texts(element_, place, "points");
    task.cupOptions = Texts(element_, place, "cupOptions");
    return task;
  }

  // Hands on a task whose keys not read are warned about.
  void TakeTask(Task task, int line) {
    names_.CheckTask(task, line, diagnostics_);
    sink_.AddTask(std::move(task));
  }

  // The tasks read before the waypoints, once these are read.
  void TakeEarlyTasks() {
    if (faultRank_ == kNoFault) {
      for (EarlyTask& early : earlyTasks_) {
        for (const auto& [key, line] : early.keysNotRead) WarnAboutKeyNotRead(key, line);
        TakeTask(std::move(early.task), early.line);
      }
    }
    earlyTasks_.clear();
  }

  JsonInput& input_;
  Diagnostics& diagnostics_;
  DocumentSink& sink_;
  std::vector<Frame> open_;  // the objects and arrays open, the outermost first
  Json element_;             // the known keys of the waypoint or task being read
  OpenKeys keys_;
  bool waypointsRead_ = false;
  std::vector<EarlyTask> earlyTasks_;
  NameIndex names_;
  Rank faultRank_ = kNoFault;
  std::optional<FormatError> fault_;
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

Json TaskObject(const Task& task) {
  Json object;
  object["name"] = task.name;
  object["points"] = task.points;
  if (!task.cupOptions.empty()) object["cupOptions"] = task.cupOptions;
  return object;
}

// Writes the bytes that the library makes of the whole document, pretty-printed, an object at a
// time: {"waypoints": [...], "tasks": [...]}.
class JsonWriter : public FormatWriter {
 public:
  JsonWriter(std::string& out, Diagnostics& diagnostics) : out_(out), diagnostics_(diagnostics) {}

  void Begin(const std::vector<Task>& tasks) override {
    tasks_ = &tasks;
    out_ += "{\n";
    OpenArray(kWaypoints);
  }

  void AddWaypoint(const Waypoint& waypoint) override { Item(WaypointObject(waypoint)); }

  void End() override {
    CloseArray();
    out_ += ",\n";
    OpenArray(kTasks);
    for (const Task& task : *tasks_) Item(TaskObject(task));
    CloseArray();
    out_ += "\n}\n";
  }

 private:
  void OpenArray(const char* key) {
    out_ += std::string(kIndent, ' ') + Json(key).dump() + ": [";
    items_ = 0;
  }

  // `value` as the next item of the array open in the root object.
  void Item(const Json& value) {
    const std::string indent(2 * kIndent, ' ');
    out_ += (items_++ == 0 ? "\n" : ",\n") + indent;
    for (const char c : Dump(value)) {
      out_ += c;
      // The library writes every line end within a string as an escape.
      if (c == '\n') out_ += indent;
    }
  }

  void CloseArray() {
    if (items_ > 0) out_ += "\n" + std::string(kIndent, ' ');
    out_ += ']';
  }

  std::string Dump(const Json& value) {
    try {
      return value.dump(kIndent);
    } catch (const Json::type_error&) {
      if (!replaced_) {
        diagnostics_.Warn(
            "text that is not UTF-8 is written with U+FFFD in place of its bad bytes");
      }
      replaced_ = true;
      return value.dump(kIndent, ' ', false, Json::error_handler_t::replace);
    }
  }

  std::string& out_;
  Diagnostics& diagnostics_;
  const std::vector<Task>* tasks_ = nullptr;
  std::size_t items_ = 0;  // of the array being written
  bool replaced_ = false;  // bytes that are no UTF-8 were replaced and warned about
};

}  // namespace

void ReadJsonInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink) {
  JsonInput input(source);
  JsonReader reader(input, diagnostics, sink);
  Json::sax_parse(InputIterator(&input), InputIterator(), &reader);
  reader.Finish();
}

std::unique_ptr<FormatWriter> MakeJsonWriter(std::string& out, Diagnostics& diagnostics) {
  return std::make_unique<JsonWriter>(out, diagnostics);
}

bool RecogniseJson(std::string_view head) {
  constexpr const char* kBlanks = " \t\r\n";
  head = WithoutByteOrderMark(head);
  head.remove_prefix(std::min(head.find_first_not_of(kBlanks), head.size()));
  if (head.empty() || head.front() != '{') return false;
  head.remove_prefix(1);
  head.remove_prefix(std::min(head.find_first_not_of(kBlanks), head.size()));
  for (const char* key : {kWaypoints, kTasks}) {
    if (head.rfind("\"" + std::string(key) + "\"", 0) == 0) return true;
  }
  return false;
}

}  // namespace koordin_cli
