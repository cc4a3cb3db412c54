#include "tools/koordin/formats/format_modules.h"

#include "tools/koordin/formats/cup_fields.h"
#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/formats/text_lines.h"

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
constexpr std::string_view kNoTakeoffOrLanding = "???";
constexpr std::size_t kColumnCount = static_cast<std::size_t>(CupColumn::kUnknown);

bool IsCommentOrBlank(std::string_view line) {
  line = TrimBlanks(line);
  return line.empty() || line.front() == '*';
}

// True when `text` is a CUP latitude.
bool IsCupLatitude(std::string_view text) {
  if (!EndsInHemisphere(text, CupAxis::kLatitude)) return false;
  try {
    ParseCupCoordinate(text, CupAxis::kLatitude);
    return true;
  } catch (const std::invalid_argument&) {
    return false;
  }
}

// True when `fields` are a waypoint line of the usual columns rather than a header.
bool LooksLikeWaypoint(const std::vector<std::string>& fields) {
  const std::size_t latitude = static_cast<std::size_t>(CupColumn::kLatitude);
  return fields.size() > latitude && IsCupLatitude(fields[latitude]);
}

// Reads a CUP file line by line: the header, the waypoints, then the task section.
class CupReader {
 public:
  CupReader(Diagnostics& diagnostics, DocumentSink& sink)
      : diagnostics_(diagnostics), sink_(sink) {}

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
        if (!sink_.WantsWaypoints()) break;
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

  // Hands on the last task, which option lines might have followed.
  void Finish() {
    if (hasTask_) sink_.AddTask(std::move(task_));
    hasTask_ = false;
  }

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
    sink_.BeginWaypoint(line);
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
    sink_.AddWaypoint(std::move(waypoint));
  }

  void ReadTaskLine(const TextLine& line) {
    if (IsCupTaskOptionLine(line.text)) {
      if (!hasTask_) {
        diagnostics_.Warn(AtLine(line.number, "a task option line before any task is not read"));
      } else {
        task_.cupOptions.emplace_back(line.text);
      }
      return;
    }
    std::vector<std::string> fields = Split(line);
    Task task;
    task.name = std::string(TrimBlanks(fields.front()));
    for (auto field = fields.begin() + 1; field != fields.end(); ++field) {
      task.points.emplace_back(TrimBlanks(*field));
    }
    // "???" stands for a takeoff or landing that the author left open.
    if (task.points.size() > 1) {
      for (std::string* end : {&task.points.front(), &task.points.back()}) {
        if (*end == kNoTakeoffOrLanding) end->clear();
      }
    }
    if (task.points.empty()) {
      diagnostics_.Warn(AtLine(line.number, "task " + Quoted(task.name) + " has no points"));
    }
    // Without the waypoints read, every point would seem to name none.
    if (sink_.WantsWaypoints()) names_.CheckTask(task, line.number, diagnostics_);
    Finish();
    task_ = std::move(task);
    hasTask_ = true;
  }

  Diagnostics& diagnostics_;
  DocumentSink& sink_;
  Task task_;  // the last task read, until its option lines end
  bool hasTask_ = false;
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

class CupWriter : public FormatWriter {
 public:
  CupWriter(std::string& out, Diagnostics& diagnostics) : out_(out), diagnostics_(diagnostics) {}

  void Begin(const std::vector<Task>& tasks) override {
    tasks_ = &tasks;
    for (const Task& task : tasks) {
      for (const std::string& point : task.points) {
        if (!point.empty()) unseen_.insert(point);
      }
    }
    out_ += std::string(kCupHeader) + kLineEnd;
  }

  void AddWaypoint(const Waypoint& waypoint) override {
    Waypoint written = waypoint;
    if (written.style < 0 || written.style > kLastStyle) {
      diagnostics_.Warn("waypoint " + Quoted(waypoint.name) + ": unknown style " +
                        std::to_string(waypoint.style) + ", written as 0");
      written.style = 0;
    }
    if (written.marked) ++marked_;
    unseen_.erase(written.name);
    out_ += WaypointLine(written) + kLineEnd;
  }

  void End() override {
    if (marked_ > 0) {
      diagnostics_.Warn("CUP has no marker: " + std::to_string(marked_) +
                        " marked waypoints are written without it");
    }
    if (tasks_->empty()) return;
    out_ += std::string(kTaskSeparator) + kLineEnd;
    for (const Task& task : *tasks_) {
      out_ += CupField(task.name, true);
      for (const std::string& point : task.points) {
        out_ += "," + CupField(point, true);
        if (!point.empty() && unseen_.count(point) > 0) {
          diagnostics_.Warn("task " + Quoted(task.name) + " names " + Quoted(point) +
                            ", which is no waypoint");
        }
      }
      out_ += kLineEnd;
      for (const std::string& option : task.cupOptions) out_ += OptionLine(option) + kLineEnd;
    }
  }

 private:
  std::string& out_;
  Diagnostics& diagnostics_;
  const std::vector<Task>* tasks_ = nullptr;
  std::set<std::string> unseen_;  // the names the tasks give that no waypoint written has
  int marked_ = 0;
};

}  // namespace

void ReadCupInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink) {
  TextLines lines(source, diagnostics);
  CupReader reader(diagnostics, sink);
  ReadEachLine(lines, reader);
}

std::unique_ptr<FormatWriter> MakeCupWriter(std::string& out, Diagnostics& diagnostics) {
  return std::make_unique<CupWriter>(out, diagnostics);
}

bool RecogniseCup(std::string_view head) {
  std::vector<std::vector<std::string>> lines;  // the first two that are no comment
  for (const std::string_view line : HeadLines(head, head.size())) {
    if (IsCommentOrBlank(line)) continue;
    lines.push_back(SplitCupLine(line).fields);
    if (lines.size() == 2) break;
  }
  if (lines.empty()) return false;
  if (LooksLikeWaypoint(lines[0])) return true;
  const std::vector<std::string>& header = lines[0];
  for (std::size_t i = 0; i < header.size(); ++i) {
    if (CupColumnNamed(header[i]) == CupColumn::kLatitude) {
      return lines.size() == 2 && i < lines[1].size() && IsCupLatitude(lines[1][i]);
    }
  }
  return false;
}

}  // namespace koordin_cli
