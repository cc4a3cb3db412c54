#include "tools/koordin/formats/cup_fields.h"

#include "tools/koordin/formats/format_support.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace koordin_cli {

namespace {

constexpr double kFootInMetres = 0.3048;
constexpr double kMinutesPerDegree = 60.0;
constexpr long long kThousandthsPerDegree = 60000;  // three decimals of a minute

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::size_t SkipBlanks(std::string_view line, std::size_t i) {
  while (i < line.size() && IsBlank(line[i])) ++i;
  return i;
}

// One quoted field from the quote at `start`: its text and the index just past the closing quote,
// or nothing when the line ends before the quote closes.
std::optional<std::pair<std::string, std::size_t>> ReadQuoted(std::string_view line,
                                                              std::size_t start) {
  std::string text;
  std::size_t i = start + 1;
  while (i < line.size()) {
    if (line[i] != '"') {
      const std::size_t quote = std::min(line.find('"', i), line.size());
      text.append(line, i, quote - i);
      i = quote;
    } else if (i + 1 < line.size() && line[i + 1] == '"') {
      text += '"';
      i += 2;
    } else {
      const std::size_t next = SkipBlanks(line, i + 1);
      if (next == line.size() || line[next] == ',') return std::make_pair(text, i + 1);
      text += '"';  // a stray quote inside the field
      ++i;
    }
  }
  return std::nullopt;
}

struct AxisForm {
  char positive;
  char negative;
  std::size_t minDigits;  // digits before the point: degrees and two of minutes
  std::size_t maxDigits;
  double maxDegrees;
  const char* form;
};

const AxisForm& FormOf(CupAxis axis) {
  static const AxisForm kLatitudeForm{'N', 'S', 3, 4, kMaxLatitude, "DDMM.mmm followed by N or S"};
  static const AxisForm kLongitudeForm{'E', 'W',           3,
                                       5,   kMaxLongitude, "DDDMM.mmm followed by E or W"};
  return axis == CupAxis::kLatitude ? kLatitudeForm : kLongitudeForm;
}

// The columns of the 14-column header are those of CupColumn, in its order; these are the
// columns of the 11-column header.
constexpr std::size_t kFullColumnCount = static_cast<std::size_t>(CupColumn::kUnknown);
constexpr std::array<CupColumn, 11> kShortLayout{
    CupColumn::kName,         CupColumn::kCode,
    CupColumn::kCountry,      CupColumn::kLatitude,
    CupColumn::kLongitude,    CupColumn::kElevation,
    CupColumn::kStyle,        CupColumn::kRunwayDirection,
    CupColumn::kRunwayLength, CupColumn::kFrequency,
    CupColumn::kDescription};

struct ColumnWord {
  const char* word;  // lower case, without blanks
  CupColumn column;
};

// The words headers use; the first one of each column is the one koordin writes.
constexpr ColumnWord kColumnWords[] = {
    {"name", CupColumn::kName},
    {"title", CupColumn::kName},
    {"code", CupColumn::kCode},
    {"country", CupColumn::kCountry},
    {"lat", CupColumn::kLatitude},
    {"latitude", CupColumn::kLatitude},
    {"lon", CupColumn::kLongitude},
    {"longitude", CupColumn::kLongitude},
    {"elev", CupColumn::kElevation},
    {"elevation", CupColumn::kElevation},
    {"style", CupColumn::kStyle},
    {"rwdir", CupColumn::kRunwayDirection},
    {"direction", CupColumn::kRunwayDirection},
    {"runwaydirection", CupColumn::kRunwayDirection},
    {"rwlen", CupColumn::kRunwayLength},
    {"length", CupColumn::kRunwayLength},
    {"runwaylength", CupColumn::kRunwayLength},
    {"rwwidth", CupColumn::kRunwayWidth},
    {"width", CupColumn::kRunwayWidth},
    {"runwaywidth", CupColumn::kRunwayWidth},
    {"freq", CupColumn::kFrequency},
    {"frequency", CupColumn::kFrequency},
    {"desc", CupColumn::kDescription},
    {"description", CupColumn::kDescription},
    {"userdata", CupColumn::kUserData},
    {"pics", CupColumn::kPictures},
    {"pictures", CupColumn::kPictures},
};

}  // namespace

const char* const kCupHeader =
    "name,code,country,lat,lon,elev,style,rwdir,rwlen,rwwidth,freq,desc,userdata,pics";

CupFields SplitCupLine(std::string_view line) {
  CupFields result;
  result.fields.reserve(static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1);
  std::size_t i = 0;
  while (true) {
    i = SkipBlanks(line, i);
    std::string field;
    bool quoted = false;
    if (i < line.size() && line[i] == '"') {
      if (auto read = ReadQuoted(line, i)) {
        field = std::move(read->first);
        i = SkipBlanks(line, read->second);
        quoted = true;
      } else {
        result.unclosedQuote = true;
      }
    }
    if (!quoted) {
      const std::size_t end = std::min(line.find(',', i), line.size());
      field = std::string(TrimBlanks(line.substr(i, end - i)));
      i = end;
    }
    result.fields.push_back(std::move(field));
    if (i >= line.size()) break;
    ++i;  // the comma
  }
  return result;
}

std::size_t CupFieldEnd(std::string_view line, std::size_t start) {
  const std::size_t i = SkipBlanks(line, start);
  if (i < line.size() && line[i] == '"') {
    if (const auto read = ReadQuoted(line, i)) return SkipBlanks(line, read->second);
  }
  return std::min(line.find(',', i), line.size());
}

std::string CupField(std::string_view text, bool alwaysQuote) {
  std::string flat;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      flat += "\\n";
    } else {
      flat += text[i];
    }
  }
  return CsvField(flat, alwaysQuote);
}

bool EndsInHemisphere(std::string_view text, CupAxis axis) {
  const AxisForm& form = FormOf(axis);
  text = TrimBlanks(text);
  if (text.empty()) return false;
  const std::string_view hemisphere = text.substr(text.size() - 1);
  return EqualsIgnoringCase(hemisphere, std::string_view(&form.negative, 1)) ||
         EqualsIgnoringCase(hemisphere, std::string_view(&form.positive, 1));
}

double ParseCupCoordinate(std::string_view text, CupAxis axis) {
  const AxisForm& form = FormOf(axis);
  text = TrimBlanks(text);
  const auto bad = [&form](const std::string& why) {
    throw std::invalid_argument(why.empty() ? std::string("expected ") + form.form : why);
  };
  if (text.empty()) bad("empty");
  if (!EndsInHemisphere(text, axis)) bad("");
  const bool negative =
      EqualsIgnoringCase(text.substr(text.size() - 1), std::string_view(&form.negative, 1));
  const std::string_view number = TrimBlanks(text.substr(0, text.size() - 1));
  const std::size_t point = std::min(number.find('.'), number.size());
  const std::string_view whole = number.substr(0, point);
  const std::string_view fraction = number.substr(std::min(point + 1, number.size()));
  if (whole.size() < form.minDigits || whole.size() > form.maxDigits || !AllDigits(whole) ||
      !AllDigits(fraction) || (point < number.size() && fraction.empty())) {
    bad("");
  }
  const int degrees = std::stoi(std::string(whole.substr(0, whole.size() - 2)));
  const double minutes = *ParseDecimal(number.substr(whole.size() - 2));
  if (minutes >= kMinutesPerDegree) bad("60 minutes or more");
  const double value = degrees + minutes / kMinutesPerDegree;
  if (value > form.maxDegrees) bad("beyond " + FormatDecimal(form.maxDegrees, 0) + " degrees");
  return negative ? -value : value;
}

std::string FormatCupCoordinate(double degrees, CupAxis axis) {
  const AxisForm& form = FormOf(axis);
  if (!std::isfinite(degrees) || std::fabs(degrees) > form.maxDegrees) {
    throw std::invalid_argument("beyond " + FormatDecimal(form.maxDegrees, 0) + " degrees");
  }
  // Rounding the whole value in thousandths of a minute carries 59.9995 minutes into the degrees.
  const long long thousandths =
      std::llround(std::fabs(degrees) * static_cast<double>(kThousandthsPerDegree));
  const long long whole = thousandths / kThousandthsPerDegree;
  const long long rest = thousandths % kThousandthsPerDegree;
  const char hemisphere = (degrees < 0.0 && thousandths != 0) ? form.negative : form.positive;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0*lld%02lld.%03lld%c",
                static_cast<int>(form.maxDigits - 2), whole, rest / 1000, rest % 1000, hemisphere);
  return buffer;
}

std::optional<double> ParseCupElevation(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty()) return std::nullopt;
  double factor = 1.0;
  std::size_t unit = text.size();
  while (unit > 0 && std::isalpha(static_cast<unsigned char>(text[unit - 1]))) --unit;
  const std::string_view unitText = text.substr(unit);
  if (EqualsIgnoringCase(unitText, "ft")) {
    factor = kFootInMetres;
  } else if (!unitText.empty() && !EqualsIgnoringCase(unitText, "m")) {
    throw std::invalid_argument("unknown unit " + Quoted(unitText) + ", expected m or ft");
  }
  const std::optional<double> value = ParseDecimal(TrimBlanks(text.substr(0, unit)));
  if (!value) throw std::invalid_argument("expected a number with m or ft");
  return *value * factor;
}

std::string FormatCupElevation(std::optional<double> metres) {
  if (!metres) return "";
  char buffer[512];  // room for any finite double in fixed notation
  std::snprintf(buffer, sizeof buffer, "%.1fm", *metres);
  return buffer;
}

CupColumn CupColumnNamed(std::string_view word) {
  std::string key;
  for (const char c : word) {
    if (!IsBlank(c)) key += LowerAscii(c);
  }
  for (const ColumnWord& known : kColumnWords) {
    if (key == known.word) return known.column;
  }
  return CupColumn::kUnknown;
}

std::vector<CupColumn> MapCupHeader(const std::vector<std::string>& header) {
  const std::vector<CupColumn> layout = DefaultCupColumns(header.size());
  std::vector<CupColumn> columns(header.size(), CupColumn::kUnknown);
  std::vector<bool> taken(kFullColumnCount, false);
  const auto take = [&](std::size_t at, CupColumn column) {
    if (column == CupColumn::kUnknown || taken[static_cast<std::size_t>(column)]) return;
    taken[static_cast<std::size_t>(column)] = true;
    columns[at] = column;
  };
  for (std::size_t i = 0; i < header.size(); ++i) take(i, CupColumnNamed(header[i]));
  for (std::size_t i = 0; i < header.size(); ++i) {
    if (CupColumnNamed(header[i]) == CupColumn::kUnknown) take(i, layout[i]);
  }
  return columns;
}

std::vector<CupColumn> DefaultCupColumns(std::size_t fieldCount) {
  std::vector<CupColumn> columns(fieldCount, CupColumn::kUnknown);
  for (std::size_t i = 0; i < fieldCount; ++i) {
    if (fieldCount <= kShortLayout.size()) {
      columns[i] = kShortLayout[i];
    } else if (i < kFullColumnCount) {
      columns[i] = static_cast<CupColumn>(i);
    }
  }
  return columns;
}

const char* CupColumnName(CupColumn column) {
  for (const ColumnWord& known : kColumnWords) {
    if (known.column == column) return known.word;
  }
  return "unknown";
}

bool IsCupTaskSeparator(std::string_view line) {
  line = TrimBlanks(line);
  if (line.size() < 2 || line.front() != '-' || line.back() != '-') return false;
  while (!line.empty() && line.front() == '-') line.remove_prefix(1);
  while (!line.empty() && line.back() == '-') line.remove_suffix(1);
  return EqualsIgnoringCase(line, "Related Tasks");
}

bool IsCupTaskOptionLine(std::string_view line) {
  line = TrimBlanks(line);
  constexpr std::string_view kOptions = "Options";
  if (line.size() >= kOptions.size() &&
      EqualsIgnoringCase(line.substr(0, kOptions.size()), kOptions)) {
    const std::string_view rest = TrimBlanks(line.substr(kOptions.size()));
    if (rest.empty() || rest.front() == ',') return true;
  }
  for (const std::string_view keyword : {"ObsZone=", "Point=", "STARTS="}) {
    if (line.size() >= keyword.size() &&
        EqualsIgnoringCase(line.substr(0, keyword.size()), keyword)) {
      return true;
    }
  }
  return false;
}

namespace {

bool ZonesNumberEveryEntry(const Task& task) {
  constexpr std::string_view kZone = "ObsZone=";
  long long highest = -1;
  for (const std::string& line : task.cupOptions) {
    const std::string_view text = TrimBlanks(line);
    if (text.size() <= kZone.size() || !EqualsIgnoringCase(text.substr(0, kZone.size()), kZone)) {
      continue;
    }
    const std::string_view rest = text.substr(kZone.size());
    if (const auto index = ParseInteger(TrimBlanks(rest.substr(0, rest.find(','))))) {
      highest = std::max(highest, *index);
    }
  }
  return !task.points.empty() && highest + 1 >= static_cast<long long>(task.points.size());
}

}  // namespace

FlownRange FlownPoints(const Task& task) {
  const std::size_t count = task.points.size();
  if (ZonesNumberEveryEntry(task)) return {0, count};
  if (count < 2) return {count, count};
  return {1, count - 1};
}

}  // namespace koordin_cli
