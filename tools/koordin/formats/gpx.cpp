#include "tools/koordin/formats/formats.h"

#include "tools/koordin/formats/format_support.h"

#include "tools/koordin/formats/charset.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <map>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include <expat.h>

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

// Warns about `text` when it holds control characters XML has no place for, which the writer
// leaves out.
void WarnXmlControls(const std::string& text, Diagnostics& diagnostics) {
  if (std::none_of(text.begin(), text.end(), IsXmlControl)) return;
  diagnostics.Warn("GPX has no place for the control characters of " + Quoted(text) +
                   ": written as " + Quoted(WithoutXmlControls(text)));
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

// The attributes of a point's place.
std::pair<const char*, std::string> Latitude(double degrees) {
  return {"lat", FormatDecimal(degrees, kDegreeDecimals)};
}

std::pair<const char*, std::string> Longitude(double degrees) {
  return {"lon", FormatDecimal(degrees, kDegreeDecimals)};
}

void WriteWaypoint(GpxWriter& gpx, const Waypoint& waypoint) {
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

// Where the routes' points lie: for each name a route point gives (without the control characters,
// as the waypoints are written), the coordinates of the first waypoint of that name, once it is
// written.
using Places = std::map<std::string, std::optional<std::pair<double, double>>, std::less<>>;

void WriteRoute(GpxWriter& gpx, const Task& task, const Places& places, Diagnostics& diagnostics) {
  struct Point {
    std::pair<double, double> place;
    std::string name;
    const char* role;
  };
  std::vector<Point> points;
  for (std::size_t i = 0; i < task.points.size(); ++i) {
    std::string name = WithoutXmlControls(task.points[i]);
    if (name.empty()) continue;  // a CUP task without takeoff or landing
    const auto found = places.find(name);
    if (found == places.end() || !found->second) {
      diagnostics.Warn("route " + Quoted(WithoutXmlControls(task.name)) + ": point " +
                       Quoted(name) + " is no waypoint and is left out");
      continue;
    }
    const char* role = i == 0 ? kTakeoff : i + 1 == task.points.size() ? kLanding : nullptr;
    points.push_back({*found->second, std::move(name), role});
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
    gpx.Open("rtept", {Latitude(point.place.first), Longitude(point.place.second)});
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

// Writes a GPX file a waypoint at a time: each wpt at once, the routes at the end. Of the
// waypoints it keeps only the places of those the routes' points name.
class GpxFileWriter : public FormatWriter {
 public:
  GpxFileWriter(std::string& out, Diagnostics& diagnostics)
      : out_(out), gpx_(out), diagnostics_(diagnostics) {}

  void Begin(const std::vector<Task>& tasks) override {
    tasks_ = tasks;
    for (const Task& task : tasks_) {
      for (const std::string& point : task.points) {
        std::string name = WithoutXmlControls(point);
        if (!name.empty()) places_.emplace(std::move(name), std::nullopt);
      }
    }
  }

  void AddWaypoint(const Waypoint& waypoint) override {
    WarnXmlControls(waypoint.name, diagnostics_);
    for (const WaypointText& field : WaypointTexts()) {
      WarnXmlControls(waypoint.*field.member, diagnostics_);
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
    for (const Task& task : tasks_) {
      WarnXmlControls(task.name, diagnostics_);
      for (const std::string& point : task.points) WarnXmlControls(point, diagnostics_);
      for (const std::string& option : task.cupOptions) WarnXmlControls(option, diagnostics_);
    }
    Start(tasks_.empty());
    for (const Task& task : tasks_) WriteRoute(gpx_, task, places_, diagnostics_);
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
  GpxWriter gpx_;
  Diagnostics& diagnostics_;
  std::vector<Task> tasks_;
  Places places_;
  bool started_ = false;
  bool empty_ = false;
};

// --- reading --------------------------------------------------------------------------------

// The bytes handed to the XML parser at a time.
constexpr std::size_t kChunkBytes = kPieceBytes;

// The most bytes of one text that the reader keeps, and of markup that the parser holds before it
// is complete (a tag, a comment, a document type declaration), is kMaxTextRun: a file with a
// longer one is refused rather than read into ever more memory.

// What an open element costs besides its name and namespace declarations, which all count against
// kMaxTextRun while it is open: this bounds how deep elements nest.
constexpr std::size_t kOpenElementBytes = 64;

// The most that the reader holds of what routes give while it cannot yet tell that no wpt follows
// them (estimated bytes): beyond it, routes are read in a pass of their own.
constexpr std::size_t kMostHeldBytes = std::size_t{16} << 20;

// The most names of unread point elements told apart; those of further names are counted together.
constexpr std::size_t kMostUnreadNames = 64;

// A file that the reader refuses at once, rather than hold ever more of it.
class LimitError : public FormatError {
 public:
  using FormatError::FormatError;
};

std::string_view LocalName(std::string_view name) {
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The value of the attribute `name` among expat's name-value pairs, or null.
const XML_Char* Attribute(const XML_Char** attributes, std::string_view name) {
  for (; *attributes != nullptr; attributes += 2) {
    if (name == attributes[0]) return attributes[1];
  }
  return nullptr;
}

bool IsXmlBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A parse fault in one line.
std::string XmlFault(XML_Error code, bool elementsOpen) {
  switch (code) {
    case XML_ERROR_TAG_MISMATCH:
      return "Start-end tags mismatch";
    case XML_ERROR_INVALID_TOKEN:
      return "a character XML does not allow there, or a byte that is no character of the file's "
             "encoding";
    case XML_ERROR_NO_ELEMENTS:
      return elementsOpen ? "the file ends before its elements are closed" : "no element found";
    default:
      return XML_ErrorString(code);
  }
}

// Reads the files in a character set that expat does not know itself, e.g. Windows-1252, when
// iconv knows it as one byte a character.
int XMLCALL SingleByteEncoding(void*, const XML_Char* name, XML_Encoding* info) try {
  for (int byte = 0; byte < 256; ++byte) {
    bool exact = false;
    const std::string character =
        ConvertCharset(std::string(1, static_cast<char>(byte)), name, "UTF-32LE", &exact);
    int code = -1;  // no character
    if (exact && character.size() == 4) {
      code = 0;
      for (int i = 3; i >= 0; --i) code = code << 8 | static_cast<unsigned char>(character[i]);
    }
    info->map[byte] = code;
  }
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return XML_STATUS_OK;
} catch (...) {  // a character set iconv does not know: expat says so
  return XML_STATUS_ERROR;
}

struct ParserDeleter {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
using ParserHandle = std::unique_ptr<XML_ParserStruct, ParserDeleter>;

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

// The elements whose first text the reader keeps, as a document tree gives it: the first run of
// text or CDATA section among the element's children, blanks between elements not counted.
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
class GpxReader {
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
  struct Open {
    Role role;
    int line;
    std::size_t cost;               // its share of kMaxTextRun
    std::size_t declarations;       // the namespace declarations it made
    std::string Waypoint::*member;  // the field of a kOwnText
    bool hasText;                   // its first text is complete
    bool kept;                      // the text gathered so far is no mere blanks between elements
    std::string text;
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
    const ParserHandle handle(XML_ParserCreate(nullptr));
    if (!handle) throw std::bad_alloc();
    parser_ = handle.get();
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(parser_, &OnStart, &OnEnd);
    XML_SetCharacterDataHandler(parser_, &OnText);
    XML_SetCommentHandler(parser_, &OnComment);
    XML_SetProcessingInstructionHandler(parser_, &OnInstruction);
    XML_SetCdataSectionHandler(parser_, &OnCdataStart, &OnCdataEnd);
    XML_SetEntityDeclHandler(parser_, &OnEntity);
    XML_SetDoctypeDeclHandler(parser_, &OnDoctypeStart, &OnDoctypeEnd);
    XML_SetUnknownEncodingHandler(parser_, &SingleByteEncoding, nullptr);
    depth_ = 0;
    openBytes_ = 0;
    scopes_.clear();
    stopped_ = done_ = failed_ = inCdata_ = false;
    fault_ = nullptr;
    deferred_.reset();
    lead_ = Lead::kByteOrderMark;
    leadAt_ = 0;
    afterCr_ = false;
    lineOffset_ = 0;
    fed_ = 0;
    doctypeStart_ = -1;
    routeIndex_ = 0;
    if (!routes) held_.emplace();
    for (;;) {
      char* buffer = static_cast<char*>(XML_GetBuffer(parser_, static_cast<int>(kChunkBytes)));
      if (buffer == nullptr) throw std::bad_alloc();
      const std::size_t read = source_.Read(buffer, kChunkBytes);
      const std::size_t count = SkipLeadingBlanks(buffer, read);
      const bool last = read == 0;
      const XML_Status status = XML_ParseBuffer(parser_, static_cast<int>(count), last);
      if (fault_) std::rethrow_exception(fault_);
      if (done_) break;
      if (status != XML_STATUS_OK) {
        throw FormatError(ParserLine(), "not well-formed XML: " +
                                            XmlFault(XML_GetErrorCode(parser_), depth_ > 0));
      }
      fed_ += static_cast<XML_Index>(count);
      CheckHeld();
      if (last) break;
    }
    // A fault of what was read, found once the file proved well-formed XML.
    if (deferred_) throw *deferred_;
  }

  // The line that the parser stands on.
  int ParserLine() const {
    return static_cast<int>(XML_GetCurrentLineNumber(parser_)) + lineOffset_;
  }

  // Refuses markup that the parser holds incomplete beyond the limit.
  void CheckHeld() const {
    const XML_Index at = std::max<XML_Index>(XML_GetCurrentByteIndex(parser_), 0);
    if (fed_ - at > static_cast<XML_Index>(kMaxTextRun)) {
      throw LimitError(ParserLine(), "markup (a tag, a comment, ...) of more than " +
                                         TextRunInWords() + ", which koordin does not read");
    }
    if (doctypeStart_ >= 0 && fed_ - doctypeStart_ > static_cast<XML_Index>(kMaxTextRun)) {
      throw LimitError(doctypeLine_, "a document type declaration of more than " +
                                         TextRunInWords() + ", which koordin does not read");
    }
  }

  // Leaves out the blanks and line ends before the first markup, after a UTF-8 byte-order mark if
  // there is one, which XML does not allow before an XML declaration but files have; the lines
  // they end still count. Returns the bytes of `bytes` left to parse, moved to its start.
  std::size_t SkipLeadingBlanks(char* bytes, std::size_t count) {
    static constexpr char kMark[] = "\xEF\xBB\xBF";
    std::size_t kept = 0;
    std::size_t i = 0;
    for (; i < count && lead_ != Lead::kDone; ++i) {
      const char c = bytes[i];
      if (lead_ == Lead::kByteOrderMark) {
        if (c == kMark[leadAt_]) {
          bytes[kept++] = c;
          if (++leadAt_ == sizeof kMark - 1) lead_ = Lead::kBlanks;
          continue;
        }
        lead_ = leadAt_ == 0 ? Lead::kBlanks : Lead::kDone;
        if (lead_ == Lead::kDone) break;
      }
      if (!IsXmlBlank(c)) {
        lead_ = Lead::kDone;
        break;
      }
      if (c == '\r' || (c == '\n' && !afterCr_)) ++lineOffset_;
      afterCr_ = c == '\r';
    }
    if (i == kept) return count;
    std::memmove(bytes + kept, bytes + i, count - i);
    return kept + count - i;
  }

  // --- the parser's calls; no exception may pass through the parser

  template <typename Handle>
  static void Guard(void* data, Handle handle) {
    GpxReader& reader = *static_cast<GpxReader*>(data);
    if (reader.stopped_) return;
    try {
      handle(reader);
    } catch (const LimitError&) {
      reader.Stop(std::current_exception());
    } catch (const FormatError& error) {
      // What was read is wrong; parsing goes on, so that a fault of the XML is told first.
      if (!reader.deferred_) reader.deferred_ = error;
      reader.failed_ = true;
    } catch (...) {
      reader.Stop(std::current_exception());
    }
  }

  static void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    Guard(data, [&](GpxReader& reader) { reader.Start(name, attributes); });
  }
  static void XMLCALL OnEnd(void* data, const XML_Char*) {
    Guard(data, [&](GpxReader& reader) { reader.End(); });
  }
  static void XMLCALL OnText(void* data, const XML_Char* text, int length) {
    Guard(data, [&](GpxReader& reader) { reader.Text(text, static_cast<std::size_t>(length)); });
  }
  static void XMLCALL OnComment(void* data, const XML_Char*) {
    Guard(data, [&](GpxReader& reader) { reader.EndRun(); });
  }
  static void XMLCALL OnInstruction(void* data, const XML_Char*, const XML_Char*) {
    Guard(data, [&](GpxReader& reader) { reader.EndRun(); });
  }
  static void XMLCALL OnCdataStart(void* data) {
    Guard(data, [&](GpxReader& reader) {
      reader.EndRun();
      reader.inCdata_ = true;
    });
  }
  static void XMLCALL OnCdataEnd(void* data) {
    Guard(data, [&](GpxReader& reader) { reader.EndCdata(); });
  }
  static void XMLCALL OnEntity(void* data, const XML_Char*, int, const XML_Char*, int,
                               const XML_Char*, const XML_Char*, const XML_Char*, const XML_Char*) {
    Guard(data, [&](GpxReader& reader) {
      throw LimitError(reader.ParserLine(), "an entity declaration, which koordin does not read");
    });
  }
  static void XMLCALL OnDoctypeStart(void* data, const XML_Char*, const XML_Char*, const XML_Char*,
                                     int) {
    Guard(data, [&](GpxReader& reader) {
      reader.doctypeStart_ = XML_GetCurrentByteIndex(reader.parser_);
      reader.doctypeLine_ = reader.ParserLine();
    });
  }
  static void XMLCALL OnDoctypeEnd(void* data) {
    Guard(data, [&](GpxReader& reader) { reader.doctypeStart_ = -1; });
  }

  void Stop(std::exception_ptr fault) {
    fault_ = std::move(fault);
    stopped_ = true;
    XML_StopParser(parser_, XML_FALSE);
  }

  // --- the structure: elements, namespaces, texts

  void Start(const XML_Char* name, const XML_Char** attributes) {
    EndRun();
    const int line = ParserLine();
    std::size_t cost = kOpenElementBytes + std::strlen(name);
    std::size_t declarations = 0;
    for (const XML_Char** attribute = attributes; *attribute != nullptr; attribute += 2) {
      const std::string_view key = attribute[0];
      if (key != "xmlns" && key.rfind("xmlns:", 0) != 0) continue;
      scopes_.emplace_back(key.substr(std::min(key.size(), sizeof "xmlns")), attribute[1]);
      cost += key.size() + scopes_.back().second.size();
      ++declarations;
    }
    if (depth_ == opens_.size()) opens_.emplace_back();
    Open& open = opens_[depth_++];
    std::string text = std::move(open.text);  // its room kept for the next text
    text.clear();
    open = {Role::kSkipped, line, cost, declarations, nullptr, false, false, std::move(text)};
    openBytes_ += cost;
    if (openBytes_ > kMaxTextRun) {
      throw LimitError(line, "elements nested too deep, which koordin does not read");
    }
    if (!failed_) open.role = RoleOf(open, name, attributes);
  }

  void End() {
    Open& open = opens_[--depth_];
    EndRunOf(open);
    openBytes_ -= open.cost;
    scopes_.resize(scopes_.size() - open.declarations);
    if (depth_ == 0) {  // the end of the file: what follows is not read
      done_ = stopped_ = true;
      XML_StopParser(parser_, XML_FALSE);
      return;
    }
    if (!failed_) Close(open);
  }

  void Text(const XML_Char* text, std::size_t length) {
    if (depth_ == 0) return;
    Open& open = opens_[depth_ - 1];
    if (open.hasText || !KeepsText(open.role)) return;
    if (open.text.size() + length > kMaxTextRun) {
      throw LimitError(open.line,
                       "a text of more than " + TextRunInWords() + ", which koordin does not read");
    }
    open.text.append(text, length);
    if (!open.kept) {
      open.kept = !std::all_of(text, text + length, IsXmlBlank) || FromReference();
    }
  }

  // True when the text the parser reports comes from a character reference ("&#32;"), which a
  // document tree keeps even when it is a blank.
  bool FromReference() const {
    int offset = 0;
    int size = 0;
    const char* context = XML_GetInputContext(parser_, &offset, &size);
    if (context == nullptr || offset >= size) return false;
    // "&" is the first byte of the reference, or its second in UTF-16 big-endian
    return context[offset] == '&' ||
           (context[offset] == '\0' && offset + 1 < size && context[offset + 1] == '&');
  }

  // Markup ends the run of text before it in the innermost open element.
  void EndRun() {
    if (depth_ > 0) EndRunOf(opens_[depth_ - 1]);
  }

  static void EndRunOf(Open& open) {
    if (open.hasText || !KeepsText(open.role)) return;
    if (open.kept) {
      open.hasText = true;
    } else {
      open.text.clear();  // blanks between elements
    }
  }

  void EndCdata() {
    inCdata_ = false;
    if (depth_ == 0) return;
    Open& open = opens_[depth_ - 1];
    if (KeepsText(open.role)) open.hasText = true;  // an empty section too is the text
  }

  // The namespace of an element's name, from the declarations of the elements open.
  std::string_view NamespaceOf(std::string_view name) const {
    const std::size_t colon = name.find(':');
    const std::string_view prefix = colon == std::string_view::npos ? "" : name.substr(0, colon);
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
      if (scope->first == prefix) return scope->second;
    }
    return "";
  }

  // --- what the elements mean

  Role RoleOf(Open& open, std::string_view name, const XML_Char** attributes) {
    const std::string_view local = LocalName(name);
    if (depth_ == 1) {
      if (local != "gpx") {
        throw FormatError(open.line,
                          "not a GPX file: its root element is <" + std::string(name) + ">");
      }
      return Role::kGpx;
    }
    switch (opens_[depth_ - 2].role) {
      case Role::kGpx:
        return GpxChild(local, attributes, open.line);
      case Role::kWaypoint:
      case Role::kRoutePoint:
        return PointChild(open, name, local, false);
      case Role::kPointExtensions:
        return PointChild(open, name, local, true);
      case Role::kRouteToName:
        if (local != "name" || routeNamed_) return Role::kSkipped;
        routeNamed_ = true;
        return Role::kRouteName;
      case Role::kRoute:
        if (local == "rtept") return RoutePoint(attributes, open.line);
        if (local == "name" && !routes_ && !routeNamed_) {
          routeNamed_ = true;
          return Role::kRouteName;
        }
        if (local != "extensions" || route_.extensionsMet) return Role::kSkipped;
        route_.extensionsMet = true;
        return Role::kRouteExtensions;
      case Role::kRouteExtensions:
        return local == kCupOptionElement && NamespaceOf(name) == kExtensionNamespace
                   ? Role::kCupOption
                   : Role::kSkipped;
      default:
        return Role::kSkipped;
    }
  }

  Role GpxChild(std::string_view local, const XML_Char** attributes, int line) {
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

  Role RoutePoint(const XML_Char** attributes, int line) {
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
    for (std::size_t i = 0; i < depth_; ++i) {
      if (opens_[i].role == Role::kRoute) opens_[i].role = Role::kRouteToName;
      if (opens_[i].role == Role::kRoutePoint) opens_[i].role = Role::kSkipped;
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
  Role PointChild(Open& open, std::string_view name, std::string_view local, bool inExtensions) {
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
    if (NamespaceOf(name) != kExtensionNamespace) {
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
  void Close(Open& open) {
    Waypoint& waypoint = point_.waypoint;
    switch (open.role) {
      case Role::kPointName:
        waypoint.name = std::string(TrimBlanks(open.text));
        break;
      case Role::kElevation:
        waypoint.elevation = ParseDecimal(TrimBlanks(open.text));
        if (!waypoint.elevation) {
          PointDiagnostics().Warn(
              AtLine(open.line, "bad elevation " + Quoted(open.text) + "; read as unknown"));
        }
        break;
      case Role::kDescription:
        waypoint.description = std::move(open.text);
        break;
      case Role::kComment:
        point_.comment = std::move(open.text);
        break;
      case Role::kSymbol:
        point_.symbolStyle = StyleOfSymbol(TrimBlanks(open.text));
        break;
      case Role::kOwnText:
        waypoint.*open.member = std::move(open.text);
        break;
      case Role::kMarked:
        waypoint.marked = TrimBlanks(open.text) == "true";
        break;
      case Role::kStyle:
        ReadStyle(open.text, open.line);
        break;
      case Role::kTaskPoint:
        if (!point_.role) point_.role = std::string(TrimBlanks(open.text));
        break;
      case Role::kWaypoint:
        EndWaypoint();
        break;
      case Role::kRoutePoint:
        EndRoutePoint();
        break;
      case Role::kRouteName:
        routeNames_.back() = std::string(TrimBlanks(open.text));
        route_.task.name = routeNames_.back();
        break;
      case Role::kCupOption:
        route_.task.cupOptions.push_back(std::move(open.text));
        break;
      case Role::kRoute:
        EndRoute();
        break;
      default:
        break;
    }
  }

  double Coordinate(const XML_Char** attributes, const char* attribute, const char* what,
                    int line) const {
    const XML_Char* found = Attribute(attributes, attribute);
    const std::string_view text = found != nullptr ? found : "";
    const std::optional<double> value = ParseDecimal(TrimBlanks(text));
    if (found == nullptr || !value) {
      throw FormatError(line, std::string("bad ") + what + " " + Quoted(text));
    }
    return *value;
  }

  // A wpt or rtept: both have the same elements.
  void StartPoint(const XML_Char** attributes, int line, bool routePoint) {
    point_ = Point();
    point_.line = line;
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
  XML_Parser parser_ = nullptr;
  bool routes_ = false;      // the pass that reads routes, else the one that reads waypoints
  std::vector<Open> opens_;  // the open elements, outermost first, as deep as ever met
  std::size_t depth_ = 0;
  std::size_t openBytes_ = 0;                                // the open elements' costs
  std::vector<std::pair<std::string, std::string>> scopes_;  // namespace prefix and name in force
  bool inCdata_ = false;
  bool stopped_ = false;  // by a fault
  bool done_ = false;     // the root element closed
  bool failed_ = false;   // what was read is wrong: only the XML is parsed on
  std::exception_ptr fault_;
  std::optional<FormatError> deferred_;
  enum class Lead { kByteOrderMark, kBlanks, kDone } lead_ = Lead::kByteOrderMark;
  std::size_t leadAt_ = 0;  // the bytes of the byte-order mark met
  bool afterCr_ = false;
  int lineOffset_ = 0;  // the lines skipped before the first markup
  XML_Index fed_ = 0;   // the bytes given to the parser
  XML_Index doctypeStart_ = -1;
  int doctypeLine_ = 0;
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

Document ReadGpx(std::string_view bytes, Diagnostics& diagnostics) {
  return ReadWhole(&ReadGpxInto, bytes, diagnostics);
}

std::unique_ptr<FormatWriter> MakeGpxWriter(std::string& out, Diagnostics& diagnostics) {
  return std::make_unique<GpxFileWriter>(out, diagnostics);
}

std::string WriteGpx(const Document& document, Diagnostics& diagnostics) {
  return WriteWhole(&MakeGpxWriter, document, diagnostics);
}

}  // namespace koordin_cli
