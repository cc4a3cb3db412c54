#include "tools/koordin/formats/formats.h"

#include "tools/koordin/formats/cup_fields.h"
#include "tools/koordin/formats/format_support.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <stdexcept>
#include <utility>

namespace koordin_cli {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr const char* kTaskSeparator = "-----Related Tasks-----";
constexpr std::size_t kColumnCount = static_cast<std::size_t>(CupColumn::kUnknown);

bool IsCommentOrBlank(std::string_view line) {
  line = TrimBlanks(line);
  return line.empty() || line.front() == '*';
}

// Reads a CUP file line by line: the header, the waypoints, then the task section.
class CupReader {
 public:
  explicit CupReader(Diagnostics& diagnostics) : diagnostics_(diagnostics) {}

  void Read(const TextLine& line) {
    if (IsCommentOrBlank(line.text)) return;
    if (section_ != Section::kTasks && IsCupTaskSeparator(line.text)) {
      section_ = Section::kTasks;
      return;
    }
    switch (section_) {
      case Section::kHeader:
        ReadHeader(line);
        break;
      case Section::kWaypoints:
        try {
          ReadWaypoint(line.number, Split(line));
        } catch (const FormatError& error) {  // one bad line does not refuse the file
          diagnostics_.Warn(AtLine(line.number, std::string(error.what()) + ": line skipped"),
                            "waypoint lines that cannot be read, skipped");
        }
        break;
      case Section::kTasks:
        ReadTaskLine(line);
        break;
    }
  }

  Document Finish() { return std::move(document_); }

 private:
  enum class Section { kHeader, kWaypoints, kTasks };

  std::vector<std::string> Split(const TextLine& line) {
    CupFields split = SplitCupLine(line.text);
    if (split.unclosedQuote) {
      diagnostics_.Warn(AtLine(line.number, "a quote that is never closed, read as a character"));
    }
    return std::move(split.fields);
  }

  // The first line names the columns; a file that starts with a waypoint has the usual ones.
  void ReadHeader(const TextLine& line) {
    std::vector<std::string> fields = Split(line);
    section_ = Section::kWaypoints;
    if (LooksLikeWaypoint(fields)) {
      UseColumns(DefaultCupColumns(fields.size()), line.number);
      ReadWaypoint(line.number, std::move(fields));
      return;
    }
    const std::vector<CupColumn> columns = MapCupHeader(fields);
    if (std::none_of(fields.begin(), fields.end(), [](const std::string& word) {
          return CupColumnNamed(word) != CupColumn::kUnknown;
        })) {
      diagnostics_.Warn(AtLine(line.number,
                               "no column name that koordin knows: read as a header "
                               "of columns in the usual order"));
    }
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (columns[i] == CupColumn::kUnknown && !TrimBlanks(fields[i]).empty()) {
        diagnostics_.Warn(
            AtLine(line.number, "column " + Quoted(TrimBlanks(fields[i])) + " is not read"));
      }
    }
    UseColumns(columns, line.number);
  }

  static bool LooksLikeWaypoint(const std::vector<std::string>& fields) {
    const std::size_t latitude = static_cast<std::size_t>(CupColumn::kLatitude);
    if (fields.size() <= latitude) return false;
    try {
      ParseCupCoordinate(fields[latitude], CupAxis::kLatitude);
      return true;
    } catch (const std::invalid_argument&) {
      return false;
    }
  }

  void UseColumns(const std::vector<CupColumn>& columns, int line) {
    columnCount_ = columns.size();
    position_.fill(-1);
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (columns[i] != CupColumn::kUnknown) position_[static_cast<std::size_t>(columns[i])] = i;
    }
    for (const CupColumn needed : {CupColumn::kName, CupColumn::kLatitude, CupColumn::kLongitude}) {
      if (position_[static_cast<std::size_t>(needed)] < 0) {
        throw FormatError(
            line, std::string("not a CUP header: it has no ") + CupColumnName(needed) + " column");
      }
    }
  }

  std::string Field(const std::vector<std::string>& fields, CupColumn column) const {
    const long at = position_[static_cast<std::size_t>(column)];
    if (at < 0 || static_cast<std::size_t>(at) >= fields.size()) return "";
    return std::string(TrimBlanks(fields[static_cast<std::size_t>(at)]));
  }

  double Coordinate(const std::vector<std::string>& fields, CupAxis axis, int line) const {
    const bool latitude = axis == CupAxis::kLatitude;
    const std::string text = Field(fields, latitude ? CupColumn::kLatitude : CupColumn::kLongitude);
    try {
      return ParseCupCoordinate(text, axis);
    } catch (const std::invalid_argument& e) {
      throw FormatError(line, std::string(latitude ? "bad latitude " : "bad longitude ") +
                                  Quoted(text) + ": " + e.what());
    }
  }

  int Style(const std::string& text, int line) {
    if (text.empty()) return 0;
    if (const std::optional<long long> whole = ParseInteger(text)) {
      return KnownStyle(*whole, line, diagnostics_);
    }
    const std::optional<double> number = ParseDecimal(text);  // "1.0", as some tools write it
    if (number && *number == std::floor(*number) && *number >= 0 && *number <= kLastStyle) {
      return static_cast<int>(*number);
    }
    diagnostics_.Warn(AtLine(line, "unknown style " + Quoted(text) + ", read as 0"));
    return 0;
  }

  void ReadWaypoint(int line, std::vector<std::string> fields) {
    const std::size_t needed = 1 + static_cast<std::size_t>(std::max(
                                       position_[static_cast<std::size_t>(CupColumn::kLatitude)],
                                       position_[static_cast<std::size_t>(CupColumn::kLongitude)]));
    if (fields.size() < needed) {
      throw FormatError(line, std::to_string(fields.size()) + " fields where the header has " +
                                  std::to_string(columnCount_));
    }
    Waypoint waypoint;
    waypoint.name = Field(fields, CupColumn::kName);
    if (waypoint.name.empty()) throw FormatError(line, "a waypoint without a name");
    waypoint.latitude = Coordinate(fields, CupAxis::kLatitude, line);
    waypoint.longitude = Coordinate(fields, CupAxis::kLongitude, line);
    const std::string elevation = Field(fields, CupColumn::kElevation);
    try {
      waypoint.elevation = ParseCupElevation(elevation);
    } catch (const std::invalid_argument& e) {
      diagnostics_.Warn(AtLine(
          line, "bad elevation " + Quoted(elevation) + ": " + e.what() + "; read as unknown"));
    }
    waypoint.code = Field(fields, CupColumn::kCode);
    waypoint.country = Field(fields, CupColumn::kCountry);
    waypoint.style = Style(Field(fields, CupColumn::kStyle), line);
    waypoint.runwayDirection = Field(fields, CupColumn::kRunwayDirection);
    waypoint.runwayLength = Field(fields, CupColumn::kRunwayLength);
    waypoint.runwayWidth = Field(fields, CupColumn::kRunwayWidth);
    waypoint.frequency = Field(fields, CupColumn::kFrequency);
    waypoint.description = Field(fields, CupColumn::kDescription);
    waypoint.userData = Field(fields, CupColumn::kUserData);
    waypoint.pictures = Field(fields, CupColumn::kPictures);
    const auto beyond = std::count_if(
        fields.begin() + static_cast<long>(std::min(fields.size(), columnCount_)), fields.end(),
        [](const std::string& field) { return !TrimBlanks(field).empty(); });
    if (beyond > 0) {
      diagnostics_.Warn(AtLine(line, std::to_string(beyond) + " fields beyond the header's " +
                                         std::to_string(columnCount_) + " columns are not read"));
    }
    names_.Add(waypoint.name, line, diagnostics_);
    document_.waypoints.push_back(std::move(waypoint));
  }

  void ReadTaskLine(const TextLine& line) {
    if (IsCupTaskOptionLine(line.text)) {
      if (document_.tasks.empty()) {
        diagnostics_.Warn(AtLine(line.number, "a task option line before any task is not read"));
      } else {
        document_.tasks.back().cupOptions.emplace_back(line.text);
      }
      return;
    }
    std::vector<std::string> fields = Split(line);
    Task task;
    task.name = std::string(TrimBlanks(fields.front()));
    for (auto field = fields.begin() + 1; field != fields.end(); ++field) {
      task.points.emplace_back(TrimBlanks(*field));
    }
    if (task.points.empty()) {
      diagnostics_.Warn(AtLine(line.number, "task " + Quoted(task.name) + " has no points"));
    }
    names_.CheckTask(task, line.number, diagnostics_);
    document_.tasks.push_back(std::move(task));
  }

  Diagnostics& diagnostics_;
  Document document_;
  Section section_ = Section::kHeader;
  std::size_t columnCount_ = 0;
  std::array<long, kColumnCount> position_{};  // the field index of each column, -1 for none
  NameIndex names_;
};

std::string WaypointLine(const Waypoint& waypoint) {
  CheckWaypointToWrite(waypoint);
  const std::string fields[] = {
      CupField(waypoint.name, true),
      // Tools that show the code as the name, quotes and all, get the name where there is no
      // code, in quotes only where it needs them.
      CupField(waypoint.code.empty() ? waypoint.name : waypoint.code, false),
      CupField(waypoint.country, false),
      FormatCupCoordinate(waypoint.latitude, CupAxis::kLatitude),
      FormatCupCoordinate(waypoint.longitude, CupAxis::kLongitude),
      FormatCupElevation(waypoint.elevation),
      std::to_string(waypoint.style),
      CupField(waypoint.runwayDirection, false),
      CupField(waypoint.runwayLength, false),
      CupField(waypoint.runwayWidth, false),
      CupField(waypoint.frequency, true),
      CupField(waypoint.description, true),
      CupField(waypoint.userData, true),
      CupField(waypoint.pictures, true),
  };
  std::string line;
  for (const std::string& field : fields) {
    if (!line.empty()) line += ',';
    line += field;
  }
  return line;
}

// An option line as it was read, kept on one line.
std::string OptionLine(const std::string& option) {
  std::string line = option;
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return line;
}

}  // namespace

Document ReadCup(std::string_view bytes, Diagnostics& diagnostics) {
  const std::string text = DecodeText(bytes, diagnostics);
  CupReader reader(diagnostics);
  for (const TextLine& line : SplitLines(text)) reader.Read(line);
  return reader.Finish();
}

std::string WriteCup(const Document& document, Diagnostics& diagnostics) {
  std::string out = std::string(kCupHeader) + kLineEnd;
  std::set<std::string> names;
  int marked = 0;
  for (const Waypoint& waypoint : document.waypoints) {
    Waypoint written = waypoint;
    if (written.style < 0 || written.style > kLastStyle) {
      diagnostics.Warn("waypoint " + Quoted(waypoint.name) + ": unknown style " +
                       std::to_string(waypoint.style) + ", written as 0");
      written.style = 0;
    }
    if (written.marked) ++marked;
    names.insert(written.name);
    out += WaypointLine(written) + kLineEnd;
  }
  if (marked > 0) {
    diagnostics.Warn("CUP has no marker: " + std::to_string(marked) +
                     " marked waypoints are written without it");
  }
  if (document.tasks.empty()) return out;
  out += std::string(kTaskSeparator) + kLineEnd;
  for (const Task& task : document.tasks) {
    out += CupField(task.name, true);
    for (const std::string& point : task.points) {
      out += "," + CupField(point, true);
      if (!point.empty() && names.count(point) == 0) {
        diagnostics.Warn("task " + Quoted(task.name) + " names " + Quoted(point) +
                         ", which is no waypoint");
      }
    }
    out += kLineEnd;
    for (const std::string& option : task.cupOptions) out += OptionLine(option) + kLineEnd;
  }
  return out;
}

void ReadCupInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink) {
  Document document = ReadCup(ReadAll(source), diagnostics);
  for (Waypoint& waypoint : document.waypoints) sink.AddWaypoint(std::move(waypoint));
  for (Task& task : document.tasks) sink.AddTask(std::move(task));
}

std::unique_ptr<FormatWriter> MakeCupWriter(std::string& out, Diagnostics& diagnostics) {
  return std::make_unique<WholeDocumentWriter<&WriteCup>>(out, diagnostics);
}

}  // namespace koordin_cli
