// WinPilot waypoint files: a line a waypoint, "number,latitude,longitude,altitude,flags,name,
// comment", and "*" comment lines.
//
// The flags are letters, in any order and case; koordin reads them as CUP styles:
//   A (airport)                      5, an airfield with a solid runway
//   L (landable) without A           3, an outlanding
//   T (turnpoint), W (waypoint), H (home), S (start) or F (finish) without A or L
//                                    1, a waypoint
//   none of these                    0, unknown
// H, S, F and R (restricted) say more than koordin has a place for: they are read past with a
// warning, and so are letters that are no flag. koordin writes the airfield styles (2, 4, 5) as
// "ATL", an outlanding as "TL" and every other style as "T", every waypoint being one a task may
// fly; a style that does not read back as it was (a grass airfield, a mountain top) is warned
// about.

#include "tools/koordin/formats/format_modules.h"

#include "tools/koordin/formats/cup_fields.h"
#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/formats/lost_parts.h"
#include "tools/koordin/formats/text_lines.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace koordin_cli {

namespace {

constexpr const char* kTitle = "WinPilot";
constexpr const char* kLineEnd = "\r\n";
constexpr char kCommentMark = '*';

// The fields of a waypoint line; the comment may be left out.
enum Field : std::size_t { kNumber, kLatitude, kLongitude, kAltitude, kFlags, kName, kComment };

constexpr int kUnknownStyle = 0;
constexpr int kWaypointStyle = 1;
constexpr int kGrassAirfieldStyle = 2;
constexpr int kOutlandingStyle = 3;
constexpr int kGlidingAirfieldStyle = 4;
constexpr int kAirfieldStyle = 5;  // with a solid runway

// The flags read past, and what each says.
struct Flag {
  char letter;
  const char* meaning;
};
constexpr Flag kUnreadFlags[] = {
    {'H', "home"}, {'S', "start"}, {'F', "finish"}, {'R', "restricted"}};

constexpr std::string_view kFlagLetters = "ATLWHSFR";
constexpr std::string_view kPointFlags = "TWHSF";  // a waypoint, without A or L

char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool HasFlag(std::string_view flags, char letter) {
  for (const char c : flags) {
    if (UpperAscii(c) == letter) return true;
  }
  return false;
}

int StyleOfFlags(std::string_view flags) {
  if (HasFlag(flags, 'A')) return kAirfieldStyle;
  if (HasFlag(flags, 'L')) return kOutlandingStyle;
  for (const char letter : kPointFlags) {
    if (HasFlag(flags, letter)) return kWaypointStyle;
  }
  return kUnknownStyle;
}

const char* FlagsOfStyle(int style) {
  switch (style) {
    case kGrassAirfieldStyle:
    case kGlidingAirfieldStyle:
    case kAirfieldStyle:
      return "ATL";
    case kOutlandingStyle:
      return "TL";
    default:
      return "T";
  }
}

// True when `c` is a flag letter, in any case.
bool IsFlag(char c) {
  return kFlagLetters.find(UpperAscii(c)) != std::string_view::npos;
}

// Degrees of a WinPilot coordinate: DD:MM:SS or DD:MM.mmm followed by N or S for a latitude,
// DDD:MM:SS or DDD:MM.mmm followed by E or W for a longitude; seconds may have decimals too.
double ParseDatCoordinate(std::string_view text, CupAxis axis, int line) {
  const bool latitude = axis == CupAxis::kLatitude;
  text = TrimBlanks(text);
  const auto bad = [&](const std::string& why) {
    throw FormatError(line, std::string(latitude ? "bad latitude " : "bad longitude ") +
                                Quoted(text) + ": " + why);
  };
  const std::string expected = latitude ? "expected DD:MM:SS or DD:MM.mmm followed by N or S"
                                        : "expected DDD:MM:SS or DDD:MM.mmm followed by E or W";
  if (!EndsInHemisphere(text, axis)) bad(expected);
  const char hemisphere = UpperAscii(text.back());
  std::vector<std::string_view> parts;
  const std::string_view number = TrimBlanks(text.substr(0, text.size() - 1));
  for (std::size_t at = 0, colon = 0; colon != std::string_view::npos; at = colon + 1) {
    colon = number.find(':', at);
    parts.push_back(number.substr(at, colon == std::string_view::npos ? colon : colon - at));
  }
  if (parts.size() < 2 || parts.size() > 3 || parts[0].empty() || parts[0].size() > 3 ||
      !AllDigits(parts[0])) {
    bad(expected);
  }
  // MM or SS, below 60; the last part may have decimals.
  const auto sixtieths = [&](std::string_view part, bool last, const char* unit) {
    const std::size_t point = part.find('.');
    const std::string_view whole = part.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : part.substr(point + 1);
    if (whole.empty() || whole.size() > 2 || !AllDigits(whole) || !AllDigits(fraction) ||
        (point != std::string_view::npos && (!last || fraction.empty()))) {
      bad(expected);
    }
    const double value = *ParseDecimal(part);
    if (value >= 60.0) bad(std::string("60 ") + unit + " or more");
    return value;
  };
  double degrees = *ParseDecimal(parts[0]);
  degrees += sixtieths(parts[1], parts.size() == 2, "minutes") / 60.0;
  if (parts.size() == 3) degrees += sixtieths(parts[2], true, "seconds") / 3600.0;
  const double most = latitude ? kMaxLatitude : kMaxLongitude;
  if (degrees > most) bad("beyond " + FormatDecimal(most, 0) + " degrees");
  return hemisphere == 'S' || hemisphere == 'W' ? -degrees + 0.0 : degrees;  // 0, not -0
}

// `degrees` as koordin writes a WinPilot coordinate: DD:MM.mmm or DDD:MM.mmm and its hemisphere,
// rounded as a CUP coordinate is.
std::string FormatDatCoordinate(double degrees, CupAxis axis) {
  std::string text = FormatCupCoordinate(degrees, axis);
  text.insert(text.size() - std::string_view("MM.mmmN").size(), 1, ':');
  return text;
}

// Metres of a WinPilot altitude: a number with M or F (feet), or without a unit in metres; empty
// for an empty field. Throws std::invalid_argument for anything else.
std::optional<double> ParseDatAltitude(std::string_view text) {
  text = TrimBlanks(text);
  std::string asCup(text);
  if (!text.empty() && UpperAscii(text.back()) == 'F') asCup += 't';  // CUP's "ft"
  try {
    return ParseCupElevation(asCup);
  } catch (const std::invalid_argument&) {
    throw std::invalid_argument("expected a number with M or F");
  }
}

// The text after the first `count` fields of a line, read with CUP's quotes.
std::string_view AfterFields(std::string_view line, std::size_t count) {
  std::size_t at = 0;
  for (std::size_t field = 0; field < count && at < line.size(); ++field) {
    at = std::min(CupFieldEnd(line, at) + 1, line.size());
  }
  return line.substr(at);
}

// `text` as a field of a WinPilot line: as it is, but in CUP's quotes where a comma, a line break,
// a quote at its start or blanks at either end need them. XCSoar reads the quotes; readers that
// split a line at every comma take them for part of the text.
std::string DatField(std::string_view text) {
  const bool plain = text.find_first_of(",\r\n") == std::string_view::npos &&
                     (text.empty() || text.front() != '"') &&
                     TrimBlanks(text).size() == text.size();
  return plain ? std::string(text) : CupField(text, true);
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

class DatReader {
 public:
  DatReader(Diagnostics& diagnostics, DocumentSink& sink)
      : diagnostics_(diagnostics), sink_(sink) {}

  void Read(const TextLine& line) {
    const std::string_view text = TrimBlanks(line.text);
    if (text.empty() || text.front() == kCommentMark || !sink_.WantsWaypoints()) return;
    try {
      ReadWaypoint(line.number, line.text);
    } catch (const FormatError& error) {  // one bad line does not refuse the file
      if (!firstFault_) firstFault_ = error;
      diagnostics_.Warn(AtLine(line.number, std::string(error.what()) + ": line skipped"),
                        "waypoint lines that cannot be read, skipped");
    }
  }

  // Refuses a file of which no line could be read: it is no WinPilot file. Warns about the flags
  // read past.
  void Finish() {
    if (read_ == 0 && firstFault_) throw *firstFault_;
    for (std::size_t i = 0; i < std::size(kUnreadFlags); ++i) {
      const Tally& tally = unreadFlags_[i];
      if (tally.count == 0) continue;
      diagnostics_.Warn(AtLine(
          tally.line, std::to_string(tally.count) + " waypoints flagged " + kUnreadFlags[i].letter +
                          " (" + kUnreadFlags[i].meaning + "): koordin has no place for the flag"));
    }
    if (unknownFlags_.count > 0) {
      diagnostics_.Warn(AtLine(unknownFlags_.line,
                               std::to_string(unknownFlags_.count) +
                                   " waypoints with flags that WinPilot does not know, such as " +
                                   Quoted(unknownFlags_.example) + ": not read"));
    }
  }

 private:
  void ReadWaypoint(int line, std::string_view text) {
    sink_.BeginWaypoint(line);
    CupFields split = SplitCupLine(text);
    if (split.unclosedQuote) {
      diagnostics_.Warn(AtLine(line, "a quote that is never closed, read as a character"));
    }
    std::vector<std::string>& fields = split.fields;
    if (fields.size() < kComment) {
      throw FormatError(line, std::to_string(fields.size()) +
                                  " fields where a waypoint has its number, latitude, longitude, "
                                  "altitude, flags and name");
    }
    Waypoint waypoint;
    waypoint.name = std::move(fields[kName]);
    if (waypoint.name.empty()) throw FormatError(line, "a waypoint without a name");
    waypoint.latitude = ParseDatCoordinate(fields[kLatitude], CupAxis::kLatitude, line);
    waypoint.longitude = ParseDatCoordinate(fields[kLongitude], CupAxis::kLongitude, line);
    try {
      waypoint.elevation = ParseDatAltitude(fields[kAltitude]);
    } catch (const std::invalid_argument& e) {
      diagnostics_.Warn(AtLine(line, "bad altitude " + Quoted(TrimBlanks(fields[kAltitude])) +
                                         ": " + e.what() + "; read as unknown"));
    }
    waypoint.style = ReadFlags(fields[kFlags], line);
    // A comment of commas that no quotes hold is the rest of the line.
    if (fields.size() > kComment + 1) {
      waypoint.description = TrimBlanks(AfterFields(text, kComment));
    } else if (fields.size() == kComment + 1) {
      waypoint.description = std::move(fields[kComment]);
    }
    names_.Add(waypoint.name, line, diagnostics_);
    sink_.AddWaypoint(std::move(waypoint));
    ++read_;
  }

  int ReadFlags(std::string_view flags, int line) {
    flags = TrimBlanks(flags);
    for (std::size_t i = 0; i < std::size(kUnreadFlags); ++i) {
      if (HasFlag(flags, kUnreadFlags[i].letter)) unreadFlags_[i].Add(line);
    }
    for (const char c : flags) {
      if (IsFlag(c)) continue;
      unknownFlags_.Add(line, flags);
      break;
    }
    return StyleOfFlags(flags);
  }

  Diagnostics& diagnostics_;
  DocumentSink& sink_;
  NameIndex names_;
  std::size_t read_ = 0;
  std::optional<FormatError> firstFault_;
  std::array<Tally, std::size(kUnreadFlags)> unreadFlags_{};
  Tally unknownFlags_;
};

class DatWriter : public FormatWriter {
 public:
  DatWriter(std::string& out, Diagnostics& diagnostics)
      : out_(out), diagnostics_(diagnostics), lost_(kDatLost) {}

  void Begin(const std::vector<Task>& tasks) override { lost_.CountTasks(tasks.size()); }

  void AddWaypoint(const Waypoint& waypoint) override {
    CheckWaypointToWrite(waypoint);
    lost_.Count(waypoint);
    const char* flags = FlagsOfStyle(waypoint.style);
    if (waypoint.style != kUnknownStyle && StyleOfFlags(flags) != waypoint.style) ++otherStyles_;
    if (!waypoint.elevation) ++withoutAltitude_;
    if (HasLineBreak(waypoint.name) || HasLineBreak(waypoint.description)) ++withLineBreaks_;
    // Whole metres; -0.4 is 0, not -0.
    const double metres = waypoint.elevation ? RoundDecimal(*waypoint.elevation, 0) + 0.0 : 0.0;
    out_ += std::to_string(++number_) + ',' +
            FormatDatCoordinate(waypoint.latitude, CupAxis::kLatitude) + ',' +
            FormatDatCoordinate(waypoint.longitude, CupAxis::kLongitude) + ',' +
            FormatDecimal(metres, 0) + "M," + flags + ',' + DatField(waypoint.name) + ',' +
            DatField(waypoint.description) + kLineEnd;
  }

  void End() override {
    lost_.Warn(kTitle, diagnostics_);
    if (otherStyles_ > 0) {
      diagnostics_.Warn(std::string(kTitle) +
                        " flags tell an airfield, an outlanding or a turnpoint: the style of " +
                        std::to_string(otherStyles_) +
                        " waypoints is written as the nearest of these");
    }
    if (withoutAltitude_ > 0) {
      diagnostics_.Warn(std::string(kTitle) +
                        " has no unknown altitude: " + std::to_string(withoutAltitude_) +
                        " waypoints without one are written at 0 m");
    }
    if (withLineBreaks_ > 0) {
      diagnostics_.Warn(std::string(kTitle) + " lines hold no line break: those in the name or " +
                        "comment of " + std::to_string(withLineBreaks_) +
                        " waypoints are written as \\n");
    }
  }

 private:
  std::string& out_;
  Diagnostics& diagnostics_;
  LostParts lost_;
  std::size_t number_ = 0;
  std::size_t otherStyles_ = 0;
  std::size_t withoutAltitude_ = 0;
  std::size_t withLineBreaks_ = 0;
};

}  // namespace

void ReadDatInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink) {
  TextLines lines(source, diagnostics);
  DatReader reader(diagnostics, sink);
  ReadEachLine(lines, reader);
}

bool RecogniseDat(std::string_view head) {
  for (std::string_view line : HeadLines(head, head.size())) {
    line = TrimBlanks(line);
    if (line.empty() || line.front() == kCommentMark) continue;
    const std::vector<std::string> fields = SplitCupLine(line).fields;
    if (fields.size() < kComment) return false;
    const std::string_view number = TrimBlanks(fields[kNumber]);
    if (number.empty() || !AllDigits(number)) return false;
    try {
      ParseDatCoordinate(fields[kLatitude], CupAxis::kLatitude, 0);
      ParseDatCoordinate(fields[kLongitude], CupAxis::kLongitude, 0);
    } catch (const FormatError&) {
      return false;
    }
    return true;
  }
  return false;
}

std::unique_ptr<FormatWriter> MakeDatWriter(std::string& out, Diagnostics& diagnostics) {
  return std::make_unique<DatWriter>(out, diagnostics);
}

}  // namespace koordin_cli
