#include "tools/koordin/formats/format_modules.h"

#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/formats/text_lines.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string>
#include <vector>

namespace koordin_cli {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr const char* kTasksHeader = "task,points";
constexpr std::string_view kTasksHeaderStart = "task";
// koordin writes this mark as the first field of the task table's lines, which CSV readers of
// waypoints that skip comment lines (GPSBabel's unicsv) pass over.
constexpr const char* kCommentMark = "#";

// The columns of the waypoint table, in the order koordin writes them.
enum Column {
  kName,
  kCode,
  kCountry,
  kLatitude,
  kLongitude,
  kElevation,
  kStyle,
  kFrequency,
  kDescription,
  kMarked,
  kColumnCount
};
constexpr std::array<const char*, kColumnCount> kColumnNames = {
    "name",        "code",  "country",   "latitude",    "longitude",
    "elevation_m", "style", "frequency", "description", "marked"};
// The columns a file must have.
constexpr Column kNeededColumns[] = {kName, kLatitude, kLongitude};

// One record and the line it starts on; a blank record is an empty line.
struct Record {
  int line = 0;
  std::vector<std::string> fields;
  bool blank = false;
};

// Reads the records of an RFC 4180 text a line at a time: fields split at commas, a field in
// double quotes may hold commas, doubled quotes and line breaks (read as LF).
class RecordReader {
 public:
  explicit RecordReader(TextLines& lines) : lines_(lines) {}

  // The next record, or false at the end. Throws FormatError for a quote that is never closed, a
  // field longer than kMaxTextRun, or text after a closing quote.
  bool Next(Record& record) {
    TextLine line{};
    if (!lines_.Next(line)) return false;
    record.line = line.number;
    record.fields.clear();
    record.blank = line.text.empty();
    if (record.blank) return true;
    std::string_view text = line.text;
    std::size_t i = 0;
    while (true) {
      std::string field;
      if (i < text.size() && text[i] == '"') {
        const int opened = line.number;
        ++i;
        while (true) {
          if (i >= text.size()) {  // a line break inside the quotes
            if (!lines_.Next(line)) throw FormatError(opened, "a quote that is never closed");
            if (field.size() > kMaxTextRun) {
              throw FormatError(opened, "a field of more than " + TextRunInWords() +
                                            " bytes, which koordin does not read");
            }
            field += '\n';
            text = line.text;
            i = 0;
            continue;
          }
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              field += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          field += text[i++];
        }
        if (i < text.size() && text[i] != ',') {
          throw FormatError(line.number, "text after the closing quote of a field");
        }
      } else {
        const std::size_t end = std::min(text.find(',', i), text.size());
        field.assign(text.substr(i, end - i));
        i = end;
      }
      record.fields.push_back(std::move(field));
      if (i >= text.size()) return true;
      ++i;  // the comma
    }
  }

 private:
  TextLines& lines_;
};

std::string CsvLine(const std::vector<std::string>& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += ',';
    line += CsvField(fields[i]);
  }
  return line + kLineEnd;
}

class CsvReader {
 public:
  CsvReader(Diagnostics& diagnostics, DocumentSink& sink)
      : diagnostics_(diagnostics), sink_(sink) {}

  void Read(const Record& record) {
    if (record.blank) {
      afterBlank_ = headerRead_;
      return;
    }
    if (!headerRead_) {
      ReadHeader(record);
      headerRead_ = true;
    } else if (inTasks_) {
      ReadTask(record, commented_);
    } else if (record.fields.size() > 1 && record.fields[0] == kCommentMark &&
               EqualsIgnoringCase(TrimBlanks(record.fields[1]), kTasksHeaderStart)) {
      inTasks_ = commented_ = true;
    } else if (afterBlank_ && EqualsIgnoringCase(TrimBlanks(record.fields[0]), kTasksHeaderStart)) {
      inTasks_ = true;
    } else if (sink_.WantsWaypoints()) {
      try {
        ReadWaypoint(record);
      } catch (const FormatError& error) {  // one bad line does not refuse the file
        diagnostics_.Warn(AtLine(record.line, std::string(error.what()) + ": line skipped"),
                          "waypoint lines that cannot be read, skipped");
      }
    }
  }

 private:
  void ReadHeader(const Record& record) {
    column_.assign(record.fields.size(), kColumnCount);
    std::array<bool, kColumnCount> found{};
    for (std::size_t i = 0; i < record.fields.size(); ++i) {
      const std::string_view word = TrimBlanks(record.fields[i]);
      for (int column = 0; column < kColumnCount; ++column) {
        if (!found[column] && EqualsIgnoringCase(word, kColumnNames[column])) {
          column_[i] = static_cast<Column>(column);
          found[column] = true;
        }
      }
      if (column_[i] == kColumnCount) {
        diagnostics_.Warn(AtLine(record.line, "column " + Quoted(word) + " is not read"));
      }
    }
    for (const Column needed : kNeededColumns) {
      if (!found[needed]) {
        throw FormatError(record.line,
                          std::string("the header has no ") + kColumnNames[needed] + " column");
      }
    }
  }

  void ReadWaypoint(const Record& record) {
    sink_.BeginWaypoint(record.line);
    if (record.fields.size() > column_.size()) {
      throw FormatError(record.line, std::to_string(record.fields.size()) +
                                         " fields where the header has " +
                                         std::to_string(column_.size()));
    }
    std::array<std::string, kColumnCount> text;
    for (std::size_t i = 0; i < record.fields.size(); ++i) {
      if (column_[i] != kColumnCount) text[column_[i]] = record.fields[i];
    }
    const int line = record.line;
    Waypoint waypoint;
    waypoint.name = text[kName];
    if (waypoint.name.empty()) throw FormatError(line, "a waypoint without a name");
    waypoint.code = text[kCode];
    waypoint.country = text[kCountry];
    waypoint.latitude = Number(text[kLatitude], "latitude", line);
    waypoint.longitude = Number(text[kLongitude], "longitude", line);
    CheckCoordinates(waypoint.latitude, waypoint.longitude, line);
    if (!TrimBlanks(text[kElevation]).empty()) {
      waypoint.elevation = Number(text[kElevation], "elevation", line);
    }
    const std::string_view style = TrimBlanks(text[kStyle]);
    if (!style.empty()) {
      const std::optional<long long> number = ParseInteger(style);
      if (!number) throw FormatError(line, "bad style " + Quoted(style));
      waypoint.style = KnownStyle(*number, line, diagnostics_);
    }
    waypoint.frequency = text[kFrequency];
    waypoint.description = text[kDescription];
    waypoint.marked = Marked(text[kMarked], line);
    names_.Add(waypoint.name, line, diagnostics_);
    sink_.AddWaypoint(std::move(waypoint));
  }

  static double Number(const std::string& text, const char* what, int line) {
    const std::optional<double> value = ParseDecimal(TrimBlanks(text));
    if (!value) throw FormatError(line, std::string("bad ") + what + " " + Quoted(text));
    return *value;
  }

  static bool Marked(const std::string& text, int line) {
    const std::string_view value = TrimBlanks(text);
    for (const char* yes : {"1", "true", "yes"}) {
      if (EqualsIgnoringCase(value, yes)) return true;
    }
    for (const char* no : {"", "0", "false", "no"}) {
      if (EqualsIgnoringCase(value, no)) return false;
    }
    throw FormatError(line, "bad marked " + Quoted(text) + ": expected 1 or 0");
  }

  void ReadTask(const Record& record, bool commented) {
    const bool marked = commented && record.fields.size() > 1 && record.fields[0] == kCommentMark;
    const auto first = record.fields.begin() + (marked ? 1 : 0);
    Task task;
    task.name = *first;
    task.points.assign(first + 1, record.fields.end());
    // Without the waypoints read, every point would seem to name none.
    if (sink_.WantsWaypoints()) names_.CheckTask(task, record.line, diagnostics_);
    sink_.AddTask(std::move(task));
  }

  Diagnostics& diagnostics_;
  DocumentSink& sink_;
  bool afterBlank_ = false;
  bool inTasks_ = false;
  bool commented_ = false;  // the task table's lines begin with kCommentMark
  bool headerRead_ = false;
  std::vector<Column> column_;  // the column of each field, kColumnCount for one not read
  NameIndex names_;
};

class CsvWriter : public FormatWriter {
 public:
  CsvWriter(std::string& out, Diagnostics& diagnostics) : out_(out), diagnostics_(diagnostics) {}

  void Begin(const std::vector<Task>& tasks) override {
    tasks_ = &tasks;
    out_ += CsvLine(std::vector<std::string>(kColumnNames.begin(), kColumnNames.end()));
  }

  void AddWaypoint(const Waypoint& waypoint) override {
    CheckWaypointToWrite(waypoint);
    std::vector<std::string> fields(kColumnCount);
    fields[kName] = waypoint.name;
    fields[kCode] = waypoint.code;
    fields[kCountry] = waypoint.country;
    fields[kLatitude] = FormatDecimal(waypoint.latitude, kDegreeDecimals);
    fields[kLongitude] = FormatDecimal(waypoint.longitude, kDegreeDecimals);
    if (waypoint.elevation) fields[kElevation] = FormatDecimal(*waypoint.elevation, kMetreDecimals);
    fields[kStyle] = std::to_string(waypoint.style);
    fields[kFrequency] = waypoint.frequency;
    fields[kDescription] = waypoint.description;
    fields[kMarked] = waypoint.marked ? "1" : "0";
    out_ += CsvLine(fields);
    if (!waypoint.runwayDirection.empty() || !waypoint.runwayLength.empty() ||
        !waypoint.runwayWidth.empty()) {
      ++withRunway_;
    }
    if (!waypoint.userData.empty() || !waypoint.pictures.empty()) ++withCupExtras_;
  }

  void End() override {
    if (withRunway_ > 0) {
      diagnostics_.Warn("CSV has no runway columns: the runway of " + std::to_string(withRunway_) +
                        " waypoints is left out");
    }
    if (withCupExtras_ > 0) {
      diagnostics_.Warn("CSV has no userdata and pics columns: they are left out for " +
                        std::to_string(withCupExtras_) + " waypoints");
    }
    if (tasks_->empty()) return;
    out_ += std::string(kLineEnd) + kCommentMark + "," + kTasksHeader + kLineEnd;
    for (const Task& task : *tasks_) {
      std::vector<std::string> fields{task.name};
      fields.insert(fields.end(), task.points.begin(), task.points.end());
      // A line break would end the comment: the rest would read as a waypoint.
      for (std::string& field : fields) {
        const std::string flat = Flattened(field);
        if (flat != field) {
          diagnostics_.Warn("task " + Quoted(task.name) + ": line breaks in " + Quoted(field) +
                            " written as blanks");
          field = flat;
        }
      }
      fields.insert(fields.begin(), kCommentMark);
      out_ += CsvLine(fields);
      if (!task.cupOptions.empty()) {
        diagnostics_.Warn("task " + Quoted(task.name) + ": CSV has no place for its " +
                          std::to_string(task.cupOptions.size()) + " CUP option and zone lines");
      }
    }
  }

 private:
  std::string& out_;
  Diagnostics& diagnostics_;
  const std::vector<Task>* tasks_ = nullptr;
  std::size_t withRunway_ = 0;
  std::size_t withCupExtras_ = 0;
};

}  // namespace

void ReadCsvInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink) {
  TextLines lines(source, diagnostics);
  RecordReader records(lines);
  CsvReader reader(diagnostics, sink);
  Record record;
  while (records.Next(record)) reader.Read(record);
}

std::unique_ptr<FormatWriter> MakeCsvWriter(std::string& out, Diagnostics& diagnostics) {
  return std::make_unique<CsvWriter>(out, diagnostics);
}

bool RecogniseCsv(std::string_view head) {
  const std::vector<std::string_view> lines = HeadLines(head, 1);
  if (lines.empty()) return false;
  std::array<bool, kColumnCount> found{};
  std::string_view header = lines.front();
  for (std::size_t at = 0; at <= header.size();) {
    const std::size_t end = std::min(header.find(',', at), header.size());
    std::string_view word = header.substr(at, end - at);
    if (word.size() >= 2 && word.front() == '"' && word.back() == '"') {
      word = word.substr(1, word.size() - 2);
    }
    word = TrimBlanks(word);
    for (int column = 0; column < kColumnCount; ++column) {
      if (EqualsIgnoringCase(word, kColumnNames[column])) found[column] = true;
    }
    at = end + 1;
  }
  return std::all_of(std::begin(kNeededColumns), std::end(kNeededColumns),
                     [&](Column column) { return found[column]; });
}

}  // namespace koordin_cli
