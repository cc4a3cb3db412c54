#include "tools/koordin/instrument/koordin_file.h"

#include "koordin/layout.h"
#include "tools/koordin/conversion/position.h"
#include "tools/koordin/formats/charset.h"
#include "tools/koordin/reports/text_table.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <memory>
#include <optional>
#include <set>

namespace koordin_cli {

namespace {

constexpr std::size_t kQuotedLineLength = 80;  // longer lines are shown cut, with an ellipsis
// Bytes of a file's line that a message may show: the quoted characters, each of up to 4 bytes.
constexpr std::size_t kShownLineBytes = 4 * kQuotedLineLength + 1;

// Ends the driver's use when the reading or writing ends, however it ends.
class DriverSession {
 public:
  explicit DriverSession(const Driver& driver) : driver_(driver) { driver_.InitDriver(); }
  DriverSession(const DriverSession&) = delete;
  DriverSession& operator=(const DriverSession&) = delete;
  ~DriverSession() { driver_.ExitDriver(); }

 private:
  const Driver& driver_;
};

// A line of the file for a message: in UTF-8, quoted with its control characters escaped, cut
// when long.
std::string ShowLine(const std::string& bytes, const std::string& encoding) {
  std::string text = IsValidUtf8(bytes) ? bytes : ConvertCharset(bytes, encoding.c_str(), kUtf8);
  if (DisplayWidth(text) > kQuotedLineLength) {
    std::size_t characters = 0;
    std::size_t end = 0;
    while (end < text.size() && characters < kQuotedLineLength) {
      ++end;
      while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
      ++characters;
    }
    text = text.substr(0, end) + "\u2026";
  }
  return Quoted(text);
}

// Line `number` (1-based) of the file, without its line end, or as much of it as a message shows;
// none when the file is shorter. The rest of a longer line is not read: it may have no end.
std::optional<std::string> LineOfFile(const std::string& path, int number) {
  if (number < 1) return std::string();
  std::ifstream in(path, std::ios::binary);
  for (int i = 1; i < number; ++i) {
    if (!in.ignore(std::numeric_limits<std::streamsize>::max(), '\n') || in.peek() == EOF) {
      return std::nullopt;
    }
  }
  if (in.peek() == EOF) return std::nullopt;
  std::string line;
  for (int ch = in.get(); ch != EOF && ch != '\n' && line.size() < kShownLineBytes; ch = in.get()) {
    line += static_cast<char>(ch);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// The longest line koordin reads from a KOORDIN file. Its own lines are short; a longer one
// (a file of a single line of 100 MB) would only take memory, so it ends the reading.
constexpr int kMaxLineLength = 4096;

// Thrown out of the driver's reading when a line is longer than kMaxLineLength.
struct LineTooLong {
  int line;
};

// The host's text file, with koordin's bound on the length of a line.
class LimitedTextFile : public CHostTextFile {
 public:
  BOOL ReadString(CStringA& line) override {
    bool tooLong = false;
    const BOOL read = ReadLimitedString(line, kMaxLineLength, tooLong);
    if (read) ++lineNumber;
    if (tooLong) throw LineTooLong{lineNumber};
    return read;
  }
};

std::string Decode(const std::string& bytes, const std::string& encoding, const std::string& what,
                   Diagnostics& diagnostics) {
  bool exact = true;
  std::string text = ConvertCharset(bytes, encoding.c_str(), kUtf8, &exact);
  if (!exact) {
    diagnostics.Warn(what + ": bytes that are no " + encoding +
                     " characters read as \"?\": " + Quoted(text));
  }
  return text;
}

std::string DescribeFault(const std::string& path, const std::string& shown, const FIO_Error& fault,
                          const std::string& encoding, bool fileEnded) {
  const std::string where = shown + ":" + std::to_string(fault.line) + ": ";
  const std::optional<std::string> line = LineOfFile(path, fault.line);
  const std::string text = line ? ShowLine(*line, encoding) : std::string("(no such line)");
  if (fault.message.IsEmpty()) return where + "header line too long: " + text;
  std::string message = where + fault.message.GetString() + ": " + text;
  if (fileEnded) message += " (the file ends there)";
  return message;
}

// True when the file's lines end in a carriage return alone, as on old Macintosh systems: its
// start holds a carriage return and no line feed.
bool EndsLinesInCarriageReturn(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string start(kShownLineBytes, '\0');
  in.read(start.data(), static_cast<std::streamsize>(start.size()));
  start.resize(static_cast<std::size_t>(in.gcount()));
  return start.find('\r') != std::string::npos && start.find('\n') == std::string::npos;
}

constexpr const char* kCarriageReturnLines =
    "not a KOORDIN file: its lines end in a carriage return alone; a KOORDIN file's end in a line "
    "feed (or CR LF)";

std::string DescribeNotKoordin(const std::string& path, const std::string& shown,
                               const std::string& encoding) {
  const std::optional<std::string> first = LineOfFile(path, 1);
  if (!first) return shown + ": not a KOORDIN file: it is empty";
  return shown + ": not a KOORDIN file: its first line is " + ShowLine(*first, encoding);
}

// Where line `line` of a KOORDIN file lies: "the header", "turnpoint slot 5 of 255", "route slot
// 2 of 32".
std::string SlotOfLine(int line) {
  const int turnpointLines = koordin::kTurnpointSlots * koordin::kTurnpointSlotLines;
  if (line <= koordin::kHeaderLines) return "the header";
  line -= koordin::kHeaderLines + 1;
  if (line < turnpointLines) {
    return "turnpoint slot " + std::to_string(line / koordin::kTurnpointSlotLines + 1) + " of " +
           std::to_string(koordin::kTurnpointSlots);
  }
  line -= turnpointLines;
  return "route slot " + std::to_string(line / koordin::kRouteSlotLines + 1) + " of " +
         std::to_string(koordin::kRouteSlots);
}

// Throws FileError, naming the line, unless the driver's read, which ended at `file`'s line
// number, took every line of the file and the file has every line of its slots: the driver takes
// missing lines for empty ones.
void CheckWhole(LimitedTextFile& file, const std::string& shown) {
  const int read = file.lineNumber;
  const std::string whole =
      "; a KOORDIN file has " + std::to_string(koordin::kFileLines) + " lines";
  if (read < koordin::kFileLines) {
    throw FileError(shown + ":" + std::to_string(read) + ": the file ends at line " +
                    std::to_string(read) + ", in " + SlotOfLine(read + 1) + whole);
  }
  CStringA rest;
  if (file.ReadString(rest)) {
    const int extra = file.lineNumber;
    throw FileError(shown + ":" + std::to_string(extra) + ": a line after the last route slot" +
                    whole);
  }
}

// Warns when `degrees` lies beyond `limit`: the file takes any number, the other formats do not.
void CheckRange(double degrees, double limit, const char* what, const std::string& where,
                Diagnostics& diagnostics) {
  if (degrees >= -limit && degrees <= limit) return;
  diagnostics.Warn(where + ": " + what + " " + FormatDegrees(degrees) + " is beyond " +
                   std::to_string(static_cast<int>(limit)) + " degrees");
}

// `nameLine` is the line of the slot's name, where a warning about the slot points.
Waypoint ToWaypoint(const FIO_TPEntry& entry, int nameLine, const std::string& encoding,
                    Diagnostics& diagnostics) {
  Waypoint waypoint;
  waypoint.slot = entry.number;
  const std::string what = "turnpoint " + std::to_string(entry.number);
  waypoint.name = Decode(entry.name, encoding, what, diagnostics);
  // The file carries whole seconds: the float's noise goes.
  waypoint.latitude = RoundToWholeSecond(entry.latitude);
  waypoint.longitude = RoundToWholeSecond(entry.longitude);
  waypoint.elevation = entry.altitude;
  // The file writes "0.000" for a turnpoint without a frequency.
  if (entry.frequency != koordin::kEmptyFrequency) {
    waypoint.frequency = Decode(entry.frequency, encoding, what, diagnostics);
  }
  waypoint.marked = (entry.flags & koordin::kMarkerFlagsMask) != 0;
  if (!waypoint.name.empty()) {
    const std::string where =
        "line " + std::to_string(nameLine) + ": turnpoint " + Quoted(waypoint.name);
    CheckRange(waypoint.latitude, kMaxLatitude, "latitude", where, diagnostics);
    CheckRange(waypoint.longitude, kMaxLongitude, "longitude", where, diagnostics);
  }
  return waypoint;
}

// `bytes` with every line ended in CR LF, as the driver's text stream writes them on Windows,
// whatever the system.
std::string EndLinesWithCrLf(const std::string& bytes) {
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 8);
  std::size_t from = 0;
  for (std::size_t end; (end = bytes.find('\n', from)) != std::string::npos; from = end + 1) {
    text.append(bytes, from, end - from);
    if (end == 0 || bytes[end - 1] != '\r') text += '\r';
    text += '\n';
  }
  text.append(bytes, from, std::string::npos);
  return text;
}

// A stream whose bytes stay in memory: the driver's output, read back whole when it is complete.
class HeldStream {
 public:
#if defined(_WIN32)
  HeldStream() : stream_(std::tmpfile()) {}
#else
  HeldStream() : stream_(open_memstream(&data_, &size_)) {}
#endif
  HeldStream(const HeldStream&) = delete;
  HeldStream& operator=(const HeldStream&) = delete;
  ~HeldStream() {
    if (stream_ != nullptr) std::fclose(stream_);
    std::free(data_);
  }

  std::FILE* get() const {
    return stream_;
  }

  // Puts every byte written into `bytes`. False, with errno set, when they cannot all be had.
  bool Take(std::string& bytes) {
    if (std::fflush(stream_) != 0) return false;
#if defined(_WIN32)
    std::rewind(stream_);
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, stream_)) > 0;) {
      bytes.append(buffer, got);
    }
    return !std::ferror(stream_);
#else
    bytes.assign(data_, size_);
    return true;
#endif
  }

 private:
  char* data_ = nullptr;  // open_memstream's buffer, valid after each flush
  std::size_t size_ = 0;
  std::FILE* stream_;
};

}  // namespace

KoordinListing ReadKoordin(const Driver& driver, const std::string& path,
                           const std::string& encoding, Diagnostics& diagnostics,
                           const std::string& shownAs) {
  const std::string& shown = shownAs.empty() ? path : shownAs;
  LimitedTextFile file;
  CFileException openError;
  if (!file.Open(path.c_str(), CFile::modeRead | CFile::typeText, &openError)) {
    throw FileError(DescribeFileError(shown, "cannot read", openError.m_lOsError));
  }
  // Recognition would take such a file's lines; the reading would find one line.
  if (EndsLinesInCarriageReturn(path)) throw FileError(shown + ": " + kCarriageReturnLines);
  KoordinListing listing;
  try {
    try {
      if (driver.IsFileOfMyType(&file) != kFIOSuccess)
        throw FileError(DescribeNotKoordin(path, shown, encoding));
      DriverSession session(driver);
      for (;;) {
        FIO_TPEntry turnpoint;
        FIO_Route route;  // owns the points the driver appends, and deletes them
        // A read from the file's beginning passes over the header first.
        const int nameLine = std::max(file.lineNumber, std::int32_t{koordin::kHeaderLines}) + 1;
        const std::int32_t result = driver.ReadObject(&file, &turnpoint, &route);
        if (result == kFIOReadEnd) break;
        if (turnpoint.number != -1) {  // the driver numbers every turnpoint slot it reads
          listing.turnpoints.push_back(ToWaypoint(turnpoint, nameLine, encoding, diagnostics));
          continue;
        }
        KoordinRoute read;
        read.slot = static_cast<int>(listing.routes.size()) + 1;
        read.line = nameLine;
        const std::string what = "route " + std::to_string(read.slot);
        read.name = Decode(route.name, encoding, what, diagnostics);
        for (const FIO_TPEntry* point : route.points) {
          read.points.push_back(Decode(point->name, encoding, what, diagnostics));
        }
        listing.routes.push_back(std::move(read));
      }
      CheckWhole(file, shown);
    } catch (const FIO_Error& fault) {
      bool fileEnded = false;
      try {
        CStringA rest;
        fileEnded = !file.ReadString(rest);
      } catch (const LineTooLong&) {  // the rest of an over-long header line
      }
      throw FileError(DescribeFault(path, shown, fault, encoding, fileEnded));
    }
  } catch (const LineTooLong& tooLong) {
    throw FileError(shown + ":" + std::to_string(tooLong.line) + ": a line of more than " +
                    std::to_string(kMaxLineLength) + " characters, which koordin does not read");
  } catch (CFileException* error) {
    const std::string message = DescribeFileError(shown, "cannot read", error->m_lOsError);
    error->Delete();
    throw FileError(message);
  }
  return listing;
}

Document ListingToDocument(const KoordinListing& listing, Diagnostics& diagnostics) {
  Document document;
  std::set<std::string> names;
  for (const Waypoint& turnpoint : listing.turnpoints) {
    if (turnpoint.name.empty()) continue;
    document.waypoints.push_back(turnpoint);
    names.insert(turnpoint.name);
  }
  for (const KoordinRoute& route : listing.routes) {
    const std::string where = "line " + std::to_string(route.line) + ": ";
    if (route.name.empty()) {
      if (!route.points.empty()) {
        diagnostics.Warn(where + "route slot " + std::to_string(route.slot) +
                         " has points but no name: left out");
      }
      continue;
    }
    Task task;
    task.name = route.name;
    task.points.emplace_back();  // takeoff
    for (const std::string& point : route.points) {
      if (names.count(point) == 0) {
        diagnostics.Warn(where + "route " + Quoted(route.name) + ": point " + Quoted(point) +
                         " matches no turnpoint");
      }
      task.points.push_back(point);
    }
    task.points.emplace_back();  // landing
    document.tasks.push_back(std::move(task));
  }
  return document;
}

KoordinListing ListingFromDocument(const Document& document) {
  KoordinListing listing;
  for (const Waypoint& waypoint : document.waypoints) {
    listing.turnpoints.push_back(waypoint);
    listing.turnpoints.back().slot = static_cast<int>(listing.turnpoints.size());
  }
  for (const Task& task : document.tasks) {
    KoordinRoute route;
    route.slot = static_cast<int>(listing.routes.size()) + 1;
    route.name = task.name;
    for (std::size_t i = 0; i < task.points.size(); ++i) {
      const bool end = i == 0 || i + 1 == task.points.size();
      if (!(end && task.points[i].empty())) route.points.push_back(task.points[i]);
    }
    listing.routes.push_back(std::move(route));
  }
  return listing;
}

std::string WriteKoordin(const Driver& driver, const KoordinPlan& plan,
                         const std::string& displayPath) {
  const auto fail = [&](int error) {
    return FileError(DescribeFileError(displayPath, "cannot write", error));
  };
  // The driver writes to a stream, which holds its bytes in memory until they are checked.
  HeldStream stream;
  if (!stream.get()) throw fail(errno);
  CHostTextFile file(stream.get());
  try {
    DriverSession session(driver);
    FIO_HeaderRequest request;
    request.stage = kFIOStageFileStart;
    driver.WriteHeader(&file, &request);
    for (const PlannedTurnpoint& planned : plan.turnpoints) {
      FIO_TPEntry turnpoint;
      turnpoint.name = planned.name;
      turnpoint.latitude = static_cast<float>(planned.latitude);
      turnpoint.longitude = static_cast<float>(planned.longitude);
      turnpoint.altitude = planned.altitude;
      turnpoint.frequency = planned.frequency;
      if (planned.marked) turnpoint.flags = koordin::kMarkedFlags;
      driver.WriteTP(&file, &turnpoint);
    }
    request.stage = kFIOStageTurnpointsDone;
    driver.WriteHeader(&file, &request);
    for (const PlannedRoute& planned : plan.routes) {
      FIO_Route route;
      route.name = planned.name;
      for (const PlannedPoint& point : planned.points) {
        AppendRoutePoint(route, point.name.c_str(), 0.0F, 0.0F, point.kind);
      }
      driver.WriteRoute(&file, &route);
    }
    request.stage = kFIOStageRoutesDone;
    driver.WriteHeader(&file, &request);
  } catch (CFileException* error) {
    const LONG osError = error->m_lOsError;
    error->Delete();
    throw fail(osError);
  }
  std::string bytes;
  if (!stream.Take(bytes)) throw fail(errno);
  // A line end inside a text field would shift every line after it: the instrument would misread
  // the file. What koordin passes the driver holds none; this makes sure.
  // Lines ended by LF, CR LF or a lone CR, as a reader takes them.
  auto lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
  for (std::size_t cr = bytes.find('\r'); cr != std::string::npos; cr = bytes.find('\r', cr + 1)) {
    if (cr + 1 == bytes.size() || bytes[cr + 1] != '\n') ++lines;
  }
  const bool ended = !bytes.empty() && bytes.back() == '\n';
  if (lines != static_cast<std::size_t>(koordin::kFileLines) || !ended) {
    throw FileError(displayPath + ": not written: the driver wrote " + std::to_string(lines) +
                    " lines, not " + std::to_string(koordin::kFileLines));
  }
  return EndLinesWithCrLf(bytes);
}

}  // namespace koordin_cli
