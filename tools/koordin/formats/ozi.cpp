#include "tools/koordin/formats/format_modules.h"

#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/formats/lost_parts.h"
#include "tools/koordin/formats/text_lines.h"

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace koordin_cli {

namespace {

constexpr const char* kTitle = "OziExplorer";
constexpr const char* kLineEnd = "\r\n";
constexpr std::string_view kFileType = "OziExplorer Waypoint File Version";
// The file type, the datum, a line reserved and one for the GPS's symbol set.
constexpr std::array<const char*, 4> kHeader = {"OziExplorer Waypoint File Version 1.1", "WGS 84",
                                                "Reserved 2", "Reserved 3"};
constexpr int kDatumLine = 2;
constexpr double kMetresPerFoot = 0.3048;
constexpr double kNoAltitude = -777.0;  // feet
constexpr int kFootDecimals = 3;        // a thousandth of a foot keeps the millimetres
// A text holds no comma: this character, byte 209 in Windows-1252, stands for one.
constexpr std::string_view kCommaStandIn = "\u00D1";

// The fields of a waypoint line, in their order.
enum Field {
  kNumber,
  kName,
  kLatitude,
  kLongitude,
  kDate,
  kSymbol,
  kStatus,
  kMapDisplay,
  kForeground,
  kBackground,
  kDescription,
  kPointer,
  kGarminDisplay,
  kProximity,
  kAltitude,
  kFontSize,
  kFontStyle,
  kSymbolSize,
  kFieldCount,  // those written; a line may have more, or fewer
};

// The fields koordin has no value for, as OziExplorer writes them for a new waypoint.
constexpr std::pair<Field, const char*> kDisplayFields[] = {
    {kDate, ""},        {kSymbol, "0"},         {kStatus, "1"},    {kMapDisplay, "3"},
    {kForeground, "0"}, {kBackground, "65535"}, {kPointer, "0"},   {kGarminDisplay, "0"},
    {kProximity, "0"},  {kFontSize, "6"},       {kFontStyle, "0"}, {kSymbolSize, "17"},
};

// A text field as read: without blanks at either end, the stand-in as a comma.
std::string TextField(std::string_view field) {
  std::string text(TrimBlanks(field));
  for (std::size_t at = text.find(kCommaStandIn); at != std::string::npos;
       at = text.find(kCommaStandIn, at + 1)) {
    text.replace(at, kCommaStandIn.size(), ",");
  }
  return text;
}

double Degrees(std::string_view field, const char* what, int line) {
  const std::optional<double> value = ParseDecimal(TrimBlanks(field));
  if (!value) throw FormatError(line, std::string("bad ") + what + " " + Quoted(field));
  return *value;
}

class OziReader {
 public:
  OziReader(Diagnostics& diagnostics, DocumentSink& sink)
      : diagnostics_(diagnostics), sink_(sink) {}

  void ReadWaypoint(const TextLine& line) {
    sink_.BeginWaypoint(line.number);
    std::vector<std::string_view> fields;
    for (std::size_t at = 0; at <= line.text.size();) {
      const std::size_t end = std::min(line.text.find(',', at), line.text.size());
      fields.push_back(line.text.substr(at, end - at));
      at = end + 1;
    }
    if (fields.size() <= kLongitude) {
      throw FormatError(line.number, std::to_string(fields.size()) +
                                         " fields where a waypoint has at least " +
                                         std::to_string(kLongitude + 1));
    }
    Waypoint waypoint;
    waypoint.name = TextField(fields[kName]);
    if (waypoint.name.empty()) throw FormatError(line.number, "a waypoint without a name");
    waypoint.latitude = Degrees(fields[kLatitude], "latitude", line.number);
    waypoint.longitude = Degrees(fields[kLongitude], "longitude", line.number);
    CheckCoordinates(waypoint.latitude, waypoint.longitude, line.number);
    if (fields.size() > kDescription) waypoint.description = TextField(fields[kDescription]);
    if (fields.size() > kAltitude) waypoint.elevation = Elevation(fields[kAltitude], line.number);
    names_.Add(waypoint.name, line.number, diagnostics_);
    sink_.AddWaypoint(std::move(waypoint));
  }

 private:
  // Metres of an altitude in feet; none for an empty field or -777.
  std::optional<double> Elevation(std::string_view field, int line) {
    const std::string_view text = TrimBlanks(field);
    if (text.empty()) return std::nullopt;
    const std::optional<double> feet = ParseDecimal(text);
    if (!feet) {
      diagnostics_.Warn(AtLine(line, "bad altitude " + Quoted(text) + ": read as unknown"));
      return std::nullopt;
    }
    if (*feet == kNoAltitude) return std::nullopt;
    return RoundDecimal(*feet * kMetresPerFoot, kMetreDecimals);
  }

  Diagnostics& diagnostics_;
  DocumentSink& sink_;
  NameIndex names_;
};

class OziWriter : public FormatWriter {
 public:
  OziWriter(std::string& out, Diagnostics& diagnostics)
      : out_(out), diagnostics_(diagnostics), lost_(kOziLost) {}

  void Begin(const std::vector<Task>& tasks) override {
    lost_.CountTasks(tasks.size());
    for (const char* line : kHeader) out_ += std::string(line) + kLineEnd;
  }

  void AddWaypoint(const Waypoint& waypoint) override {
    CheckWaypointToWrite(waypoint);
    lost_.Count(waypoint);
    const std::string what = "waypoint " + Quoted(waypoint.name);
    std::array<std::string, kFieldCount> fields;
    for (const auto& [field, value] : kDisplayFields) fields[field] = value;
    fields[kNumber] = std::to_string(++written_);
    fields[kName] = Text(waypoint.name, what + ", its name");
    fields[kLatitude] = FormatDecimal(waypoint.latitude, kDegreeDecimals);
    fields[kLongitude] = FormatDecimal(waypoint.longitude, kDegreeDecimals);
    fields[kDescription] = Text(waypoint.description, what + ", its description");
    fields[kAltitude] = FormatDecimal(
        waypoint.elevation ? *waypoint.elevation / kMetresPerFoot : kNoAltitude, kFootDecimals);
    std::string line;
    for (const std::string& field : fields) line += (line.empty() ? "" : ",") + field;
    out_ += InWindows1252(line, what, diagnostics_) + kLineEnd;
  }

  void End() override { lost_.Warn(kTitle, diagnostics_); }

 private:
  // `text` as a field: on one line, its commas as the stand-in.
  std::string Text(const std::string& text, const std::string& what) {
    if (text.find(kCommaStandIn) != std::string::npos) {
      diagnostics_.Warn(what + ": " + std::string(kCommaStandIn) + " stands for a comma in " +
                            kTitle + " files and reads back as one",
                        std::string(kCommaStandIn) + " in texts, read back as commas");
    }
    std::string field = OnOneLine(text, what, diagnostics_);
    for (std::size_t at = field.find(','); at != std::string::npos; at = field.find(',', at)) {
      field.replace(at, 1, kCommaStandIn);
    }
    return field;
  }

  std::string& out_;
  Diagnostics& diagnostics_;
  LostParts lost_;
  std::size_t written_ = 0;
};

}  // namespace

void ReadOziInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink) {
  TextLines lines(source, diagnostics, /*usuallyWindows1252=*/true);
  TextLine line{};
  if (!lines.Next(line) || !EqualsIgnoringCase(line.text.substr(0, kFileType.size()), kFileType)) {
    throw FormatError(1, std::string("not an ") + kTitle + " waypoint file: its first line is no " +
                             Quoted(kFileType));
  }
  for (int number = 2; number <= static_cast<int>(kHeader.size()); ++number) {
    if (!lines.Next(line)) {
      throw FormatError(number - 1, "the file ends within its " + std::to_string(kHeader.size()) +
                                        " header lines");
    }
    if (number == kDatumLine) CheckWgs84(line.text, line.number);
  }
  if (!sink.WantsWaypoints()) return;  // the file holds nothing else
  OziReader reader(diagnostics, sink);
  while (lines.Next(line)) {
    if (TrimBlanks(line.text).empty()) continue;
    try {
      reader.ReadWaypoint(line);
    } catch (const FormatError& error) {  // one bad line does not refuse the file
      diagnostics.Warn(AtLine(line.number, std::string(error.what()) + ": line skipped"),
                       "waypoint lines that cannot be read, skipped");
    }
  }
}

std::unique_ptr<FormatWriter> MakeOziWriter(std::string& out, Diagnostics& diagnostics) {
  return std::make_unique<OziWriter>(out, diagnostics);
}

bool RecogniseOzi(std::string_view head) {
  const std::vector<std::string_view> lines = HeadLines(head, 1);
  return !lines.empty() && EqualsIgnoringCase(lines.front().substr(0, kFileType.size()), kFileType);
}

}  // namespace koordin_cli
