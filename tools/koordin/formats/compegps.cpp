#include "tools/koordin/formats/format_modules.h"

#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/formats/lost_parts.h"
#include "tools/koordin/formats/text_lines.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace koordin_cli {

namespace {

constexpr const char* kTitle = "CompeGPS";
constexpr const char* kLineEnd = "\r\n";
constexpr const char* kHeader = "G  WGS 84\r\nU  1\r\n";
constexpr const char* kRecordGap = "  ";  // between a record's kind and its first field
// The zone of a waypoint in degrees, in place of a UTM zone.
constexpr const char* kDegreesZone = "A";
// The date these files give a waypoint that has none.
constexpr const char* kNoDate = "27-MAR-62 00:00:00";
constexpr const char* kDegreeSign = "\u00BA";
// A name holds no blank: this stands for one.
constexpr char kBlankStandIn = '_';

// The kinds of record, the first character of a line.
constexpr char kCharsetRecord = 'B';
constexpr char kDatumRecord = 'G';
constexpr char kFormRecord = 'U';
constexpr char kWaypointRecord = 'W';
constexpr char kShownRecord = 'w';  // how the waypoint above is shown

// The forms of coordinates that the U record names.
enum class Form { kUnknown, kUtm, kDegrees };
constexpr std::string_view kUtmForm = "0";
constexpr std::string_view kDegreesForm = "1";

// The kind of record of `line`: its first character when a blank or the line's end follows, else
// none (0).
char KindOf(std::string_view line) {
  if (line.empty() || (line.size() > 1 && line[1] != ' ' && line[1] != '\t')) return 0;
  return line.front();
}

// The words of a line, one at a time; the rest of the line as it stands.
class Words {
 public:
  explicit Words(std::string_view text) : text_(text) {}
  // The next word, empty at the end.
  std::string_view Next() {
    Skip();
    const std::size_t end = std::min(text_.find_first_of(" \t", at_), text_.size());
    const std::string_view word = text_.substr(at_, end - at_);
    at_ = end;
    return word;
  }
  std::string_view Peek() const {
    Words copy = *this;
    return copy.Next();
  }
  std::string_view Rest() {
    Skip();
    return TrimBlanks(text_.substr(at_));
  }

 private:
  void Skip() { at_ = std::min(text_.find_first_not_of(" \t", at_), text_.size()); }
  std::string_view text_;
  std::size_t at_ = 0;
};

// Degrees of a coordinate with its hemisphere's letter at its end, `positive` or `negative`, and
// a degree sign before it in whatever character set it came.
double HemisphereDegrees(std::string_view word, char positive, char negative, const char* what,
                         int line) {
  const char letter = word.empty() ? '\0' : LowerAscii(word.back());
  if (letter != LowerAscii(positive) && letter != LowerAscii(negative)) {
    throw FormatError(line, std::string("bad ") + what + " " + Quoted(word) + ": expected " +
                                positive + " or " + negative + " at its end");
  }
  std::string_view number = word.substr(0, word.size() - 1);
  while (!number.empty() && static_cast<unsigned char>(number.back()) >= 0x80) {
    number.remove_suffix(1);
  }
  const std::optional<double> degrees = ParseDecimal(number);
  if (!degrees || *degrees < 0) {
    throw FormatError(line, std::string("bad ") + what + " " + Quoted(word));
  }
  return letter == LowerAscii(positive) ? *degrees : -*degrees;
}

constexpr double kPi = 3.14159265358979323846;

// Degrees of a UTM position on WGS 84, by Krüger's series to the third power of the third
// flattening.
std::pair<double, double> UtmToDegrees(int zone, bool north, double easting, double northing) {
  constexpr double kMajorAxis = 6378137.0;  // metres
  constexpr double kFlattening = 1 / 298.257223563;
  constexpr double kScale = 0.9996;  // on the central meridian
  constexpr double kFalseEasting = 500000.0;
  constexpr double kFalseNorthing = 10000000.0;  // south of the equator
  constexpr double n = kFlattening / (2 - kFlattening);
  constexpr double kRectifyingRadius = kMajorAxis / (1 + n) * (1 + n * n / 4 + n * n * n * n / 64);
  constexpr double kBeta[] = {n / 2 - 2 * n * n / 3 + 37 * n * n * n / 96,
                              n * n / 48 + n * n * n / 15, 17 * n * n * n / 480};
  constexpr double kDelta[] = {2 * n - 2 * n * n / 3 - 2 * n * n * n,
                               7 * n * n / 3 - 8 * n * n * n / 5, 56 * n * n * n / 15};
  const double xi = (northing - (north ? 0 : kFalseNorthing)) / (kScale * kRectifyingRadius);
  const double eta = (easting - kFalseEasting) / (kScale * kRectifyingRadius);
  double xiPrime = xi;
  double etaPrime = eta;
  for (int j = 1; j <= 3; ++j) {
    xiPrime -= kBeta[j - 1] * std::sin(2 * j * xi) * std::cosh(2 * j * eta);
    etaPrime -= kBeta[j - 1] * std::cos(2 * j * xi) * std::sinh(2 * j * eta);
  }
  const double chi = std::asin(std::sin(xiPrime) / std::cosh(etaPrime));
  double latitude = chi;
  for (int j = 1; j <= 3; ++j) latitude += kDelta[j - 1] * std::sin(2 * j * chi);
  const double centralMeridian = 6.0 * zone - 183.0;
  const double longitude =
      centralMeridian + std::atan2(std::sinh(etaPrime), std::cos(xiPrime)) * 180 / kPi;
  return {latitude * 180 / kPi, longitude};
}

// Degrees of a UTM position as a W record gives it: the zone with its latitude band ("31T"),
// easting and northing.
std::pair<double, double> UtmDegrees(std::string_view zone, std::string_view easting,
                                     std::string_view northing, int line) {
  constexpr int kZones = 60;
  constexpr double kMostEasting = 1e6;   // metres, beyond any zone's edge
  constexpr double kMostNorthing = 1e7;  // metres from the equator or from its false northing
  const char band = zone.size() < 2 ? '\0' : LowerAscii(zone.back());
  const std::optional<long long> number = ParseInteger(zone.substr(0, zone.size() - 1));
  if (!number || *number < 1 || *number > kZones || band < 'c' || band > 'x' || band == 'i' ||
      band == 'o') {
    throw FormatError(
        line, "bad UTM zone " + Quoted(zone) + ": expected its number and latitude band, as 31T");
  }
  const std::optional<double> east = ParseDecimal(easting);
  if (!east || *east <= 0 || *east >= kMostEasting) {
    throw FormatError(line, "bad easting " + Quoted(easting));
  }
  const std::optional<double> north = ParseDecimal(northing);
  if (!north || *north < 0 || *north > kMostNorthing) {
    throw FormatError(line, "bad northing " + Quoted(northing));
  }
  return UtmToDegrees(static_cast<int>(*number), band >= 'n', *east, *north);
}

// True when `word` is a date as these files give one: D-MMM-YY or DD-MMM-YYYY ("27-MAR-62").
bool IsDate(std::string_view word) {
  const std::size_t first = word.find('-');
  const std::size_t second = word.find('-', first + 1);
  if (first == std::string_view::npos || second != first + 4) return false;
  const std::string_view day = word.substr(0, first);
  const std::string_view year = word.substr(second + 1);
  return !day.empty() && day.size() <= 2 && AllDigits(day) &&
         (year.size() == 2 || year.size() == 4) && AllDigits(year);
}

class CompeGpsReader {
 public:
  CompeGpsReader(Diagnostics& diagnostics, DocumentSink& sink)
      : diagnostics_(diagnostics), sink_(sink) {}

  void Read(const TextLine& line) {
    if (TrimBlanks(line.text).empty()) return;
    const char kind = KindOf(line.text);
    const std::string_view rest = TrimBlanks(line.text.substr(1));
    if (first_) {
      first_ = false;
      if (kind != kCharsetRecord && kind != kDatumRecord) {
        throw FormatError(line.number, std::string("not a ") + kTitle +
                                           " file: its first line is no G line naming the datum");
      }
    }
    switch (kind) {
      case kCharsetRecord:  // the bytes tell
      case kShownRecord:
        break;
      case kDatumRecord:
        CheckWgs84(rest, line.number);
        datum_ = true;
        break;
      case kFormRecord:
        if (rest == kDegreesForm) {
          form_ = Form::kDegrees;
        } else if (rest == kUtmForm) {
          form_ = Form::kUtm;
        } else {
          throw FormatError(line.number, "coordinates in the form " + Quoted(rest) +
                                             ", which koordin does not read: it reads " +
                                             std::string(kDegreesForm) + " (degrees) and " +
                                             std::string(kUtmForm) + " (UTM)");
        }
        break;
      case kWaypointRecord:
        if (!datum_ || form_ == Form::kUnknown) {
          throw FormatError(line.number, std::string("a waypoint before the ") +
                                             (datum_ ? "U line that names the form of its "
                                                       "coordinates"
                                                     : "G line that names its datum"));
        }
        if (!sink_.WantsWaypoints()) break;
        try {
          ReadWaypoint(line);
        } catch (const FormatError& error) {  // one bad line does not refuse the file
          diagnostics_.Warn(AtLine(line.number, std::string(error.what()) + ": line skipped"),
                            "waypoint lines that cannot be read, skipped");
        }
        break;
      default:
        diagnostics_.Warn(AtLine(line.number, (kind == 0 ? std::string("a line without a kind")
                                                         : std::string("a line of kind ") + kind) +
                                                  ", which koordin does not read"));
    }
  }

  // Throws FormatError for a file without a G line.
  void Finish() const {
    if (!datum_) {
      throw FormatError(
          1, std::string("not a ") + kTitle + " file: it has no G line naming the datum");
    }
  }

 private:
  void ReadWaypoint(const TextLine& line) {
    sink_.BeginWaypoint(line.number);
    Words words(line.text.substr(1));
    Waypoint waypoint;
    const std::string_view name = words.Next();
    const std::string_view zone = words.Next();
    const std::string_view first = words.Next();
    const std::string_view second = words.Next();
    if (second.empty()) {
      throw FormatError(line.number, "expected a name, a zone and two coordinates");
    }
    waypoint.name = std::string(name);
    std::replace(waypoint.name.begin(), waypoint.name.end(), kBlankStandIn, ' ');
    if (form_ == Form::kDegrees) {
      waypoint.latitude = HemisphereDegrees(first, 'N', 'S', "latitude", line.number);
      waypoint.longitude = HemisphereDegrees(second, 'E', 'W', "longitude", line.number);
    } else {
      std::tie(waypoint.latitude, waypoint.longitude) =
          UtmDegrees(zone, first, second, line.number);
    }
    CheckCoordinates(waypoint.latitude, waypoint.longitude, line.number);
    if (IsDate(words.Peek())) {
      words.Next();
      if (words.Peek().find(':') != std::string_view::npos) words.Next();  // hh:mm:ss
    }
    if (const std::optional<double> altitude = ParseDecimal(words.Peek())) {
      waypoint.elevation = *altitude;
      words.Next();
    }
    waypoint.description = std::string(words.Rest());
    names_.Add(waypoint.name, line.number, diagnostics_);
    sink_.AddWaypoint(std::move(waypoint));
  }

  Diagnostics& diagnostics_;
  DocumentSink& sink_;
  bool first_ = true;
  bool datum_ = false;
  Form form_ = Form::kUnknown;
  NameIndex names_;
};

std::string Coordinate(double degrees, char positive, char negative) {
  return FormatDecimal(std::abs(degrees), kDegreeDecimals) + kDegreeSign +
         (degrees < 0 ? negative : positive);
}

class CompeGpsWriter : public FormatWriter {
 public:
  CompeGpsWriter(std::string& out, Diagnostics& diagnostics)
      : out_(out), diagnostics_(diagnostics), lost_(kCompeGpsLost) {}

  void Begin(const std::vector<Task>& tasks) override {
    lost_.CountTasks(tasks.size());
    out_ += kHeader;
  }

  void AddWaypoint(const Waypoint& waypoint) override {
    CheckWaypointToWrite(waypoint);
    lost_.Count(waypoint);
    const std::string what = "waypoint " + Quoted(waypoint.name);
    std::string name = OnOneLine(waypoint.name, what + ", its name", diagnostics_);
    if (name.find(kBlankStandIn) != std::string::npos) {
      diagnostics_.Warn(what + ": " + kBlankStandIn + " stands for a blank in " + kTitle +
                            " names and reads back as one",
                        std::string(1, kBlankStandIn) + " in names, read back as blanks");
    }
    std::replace(name.begin(), name.end(), ' ', kBlankStandIn);
    std::replace(name.begin(), name.end(), '\t', kBlankStandIn);
    if (!waypoint.elevation) ++withoutAltitude_;
    std::string line = kWaypointRecord + std::string(kRecordGap) + name + " " + kDegreesZone + " " +
                       Coordinate(waypoint.latitude, 'N', 'S') + " " +
                       Coordinate(waypoint.longitude, 'E', 'W') + " " + kNoDate + " " +
                       FormatDecimal(waypoint.elevation.value_or(0.0), kMetreDecimals);
    const std::string description =
        OnOneLine(waypoint.description, what + ", its description", diagnostics_);
    if (!description.empty()) line += " " + description;
    out_ += InWindows1252(line, what, diagnostics_) + kLineEnd;
  }

  void End() override {
    lost_.Warn(kTitle, diagnostics_);
    if (withoutAltitude_ > 0) {
      diagnostics_.Warn(std::string(kTitle) +
                        " has no unknown altitude: " + std::to_string(withoutAltitude_) +
                        " waypoints without one are written at 0 m");
    }
  }

 private:
  std::string& out_;
  Diagnostics& diagnostics_;
  LostParts lost_;
  std::size_t withoutAltitude_ = 0;
};

}  // namespace

void ReadCompeGpsInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink) {
  TextLines lines(source, diagnostics, /*usuallyWindows1252=*/true);
  CompeGpsReader reader(diagnostics, sink);
  ReadEachLine(lines, reader);
}

std::unique_ptr<FormatWriter> MakeCompeGpsWriter(std::string& out, Diagnostics& diagnostics) {
  return std::make_unique<CompeGpsWriter>(out, diagnostics);
}

bool RecogniseCompeGps(std::string_view head) {
  std::vector<std::string_view> lines = HeadLines(head, 3);
  if (!lines.empty() && KindOf(lines.front()) == kCharsetRecord) lines.erase(lines.begin());
  return lines.size() >= 2 && KindOf(lines[0]) == kDatumRecord && KindOf(lines[1]) == kFormRecord;
}

}  // namespace koordin_cli
