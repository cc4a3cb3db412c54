#include "tools/koordin/formats/format_support.h"

#include "tools/koordin/formats/charset.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace koordin_cli {

namespace {

#if defined(__EMSCRIPTEN__)
// This C++ library has no floating-point to_chars and from_chars: the same results from the C
// library, for the magnitudes of coordinates and elevations.

// The shortest fixed notation that reads back as `value`.
std::string ShortestFixed(double value) {
  char buffer[512];
  for (int precision = 0;; ++precision) {
    std::snprintf(buffer, sizeof buffer, "%.*f", precision, value);
    if (precision >= 17 || std::strtod(buffer, nullptr) == value) return buffer;
  }
}

// A number in fixed notation (an optional minus, digits with at most one point), or nothing.
std::optional<double> ReadFixed(std::string_view text) {
  if (!text.empty() && text.front() == '-') text.remove_prefix(1);
  bool digits = false;
  bool point = false;
  for (char c : text) {
    if (c == '.' && !point) {
      point = true;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      digits = true;
    } else {
      return std::nullopt;
    }
  }
  if (!digits) return std::nullopt;
  return std::strtod(std::string(text).c_str(), nullptr);
}
#endif

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

bool AllDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string TrimRight(std::string text) {
  while (!text.empty() && (text.back() == ' ' || (text.back() >= '\t' && text.back() <= '\r'))) {
    text.pop_back();
  }
  return text;
}

std::string SearchKey(std::string_view text) {
  // The ASCII form of each letter from U+00C0 on, separated by blanks.
  static const std::vector<std::string> kLatin = [] {
    constexpr std::string_view kForms =
        "a a a a a a ae c e e e e i i i i d n o o o o o x o u u u u y th ss a a a a a a ae c e e e "
        "e i i i i d n o o o o o / o u u u u y th y a a a a a a c c c c c c c c d d d d e e e e e "
        "e "
        "e e e e g g g g g g g g h h h h i i i i i i i i i i ij ij j j k k k l l l l l l l l l l n "
        "n n n n n n n n o o o o o o oe oe r r r r r r s s s s s s s s t t t t t t u u u u u u u u "
        "u u u u w w y y y z z z z z z s";
    std::vector<std::string> forms;
    for (std::size_t at = 0; at < kForms.size();) {
      const std::size_t end = std::min(kForms.find(' ', at), kForms.size());
      forms.emplace_back(kForms.substr(at, end - at));
      at = end + 1;
    }
    return forms;
  }();
  constexpr unsigned kFirst = 0xC0;
  std::string key;
  key.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead >= 0xC3 && lead <= 0xC5 && i + 1 < text.size()) {  // U+00C0 to U+017F
      const auto next = static_cast<unsigned char>(text[i + 1]);
      const unsigned point = ((lead & 0x1FU) << 6) | (next & 0x3FU);
      if ((next & 0xC0U) == 0x80U && point >= kFirst && point - kFirst < kLatin.size()) {
        key += kLatin[point - kFirst];
        ++i;
        continue;
      }
    }
    key += LowerAscii(text[i]);
  }
  return key;
}

std::string JoinedInWords(const std::vector<std::string>& words, const char* conjunction) {
  std::string joined;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) joined += i + 1 == words.size() ? std::string(" ") + conjunction + " " : ", ";
    joined += words[i];
  }
  return joined;
}

std::string CsvField(std::string_view text, bool always) {
  const bool needsQuotes = always || text.find_first_of(",\"\r\n") != std::string_view::npos ||
                           TrimBlanks(text).size() != text.size();
  if (!needsQuotes) return std::string(text);
  std::string quoted = "\"";
  for (const char c : text) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

const std::vector<WaypointText>& WaypointTexts() {
  static const std::vector<WaypointText> kTexts = {
      {"code", &Waypoint::code},
      {"country", &Waypoint::country},
      {"runwayDirection", &Waypoint::runwayDirection},
      {"runwayLength", &Waypoint::runwayLength},
      {"runwayWidth", &Waypoint::runwayWidth},
      {"frequency", &Waypoint::frequency},
      {"description", &Waypoint::description},
      {"userData", &Waypoint::userData},
      {"pictures", &Waypoint::pictures},
  };
  return kTexts;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

double RoundDecimal(double value, int decimals) {
  const double scale = std::pow(10.0, decimals);
  const double rounded = std::round(value * scale) / scale;
  return rounded == 0.0 ? 0.0 : rounded;  // no negative zero
}

std::string FormatDecimal(double value, int decimals) {
  const double rounded = RoundDecimal(value, decimals);
#if defined(__EMSCRIPTEN__)
  return ShortestFixed(rounded);
#else
  char buffer[512];  // room for any finite double in fixed notation
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed);
  return std::string(buffer, result.ptr);
#endif
}

std::optional<double> ParseDecimal(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text.back())))) {
    return std::nullopt;  // also keeps out "inf", "nan" and a trailing "."
  }
#if defined(__EMSCRIPTEN__)
  const std::optional<double> value = ReadFixed(text);
  if (!value || !std::isfinite(*value)) return std::nullopt;
  return value;
#else
  double value = 0.0;
  const auto result =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() ||
      !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
#endif
}

std::optional<long long> ParseInteger(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

std::size_t ControlCharacterAt(std::string_view text, std::size_t i) {
  const auto byte = static_cast<unsigned char>(text[i]);
  if (byte < 0x20 || byte == 0x7F) return 1;
  // U+0080 to U+009F, the C1 controls (NEL, U+0085, among them), in UTF-8
  if (byte == 0xC2 && i + 1 < text.size()) {
    const auto next = static_cast<unsigned char>(text[i + 1]);
    if (next >= 0x80 && next <= 0x9F) return 2;
  }
  return 0;
}

std::string Escaped(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t length = ControlCharacterAt(text, i);
    if (length == 0) {
      out += text[i];
      continue;
    }
    const auto code = static_cast<unsigned char>(length == 1 ? text[i] : text[i + 1]);
    switch (code) {
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += length == 1 ? "\\x" : "\\u00";
        out += kHex[code >> 4];
        out += kHex[code & 0xF];
    }
    i += length - 1;
  }
  return out;
}

std::string Quoted(std::string_view text) {
  return "\"" + Escaped(text) + "\"";
}

std::string Flattened(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return text;
}

std::string OnOneLine(std::string text, std::string_view what, Diagnostics& diagnostics) {
  std::string flat = Flattened(text);
  if (flat != text) {
    diagnostics.Warn(std::string(what) + ": line breaks written as blanks",
                     "texts with line breaks, written as blanks");
  }
  return flat;
}

std::string InWindows1252(std::string_view text, std::string_view what, Diagnostics& diagnostics) {
  bool exact = true;
  std::string converted = ConvertCharset(text, kUtf8, kWindows1252, &exact);
  if (!exact) {
    diagnostics.Warn(std::string(what) + ": characters that Windows-1252 lacks, transliterated",
                     "texts with characters that Windows-1252 lacks, transliterated");
  }
  return converted;
}

std::string_view WithoutByteOrderMark(std::string_view bytes) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    bytes.remove_prefix(kByteOrderMark.size());
  }
  return bytes;
}

std::vector<std::string_view> HeadLines(std::string_view head, std::size_t count) {
  head = WithoutByteOrderMark(head);
  std::vector<std::string_view> lines;
  while (!head.empty() && lines.size() < count) {
    const std::size_t end = std::min(head.find_first_of("\r\n"), head.size());
    lines.push_back(head.substr(0, end));
    std::size_t next = end;
    if (next < head.size()) next += head.substr(next, 2) == "\r\n" ? 2 : 1;
    head.remove_prefix(next);
  }
  return lines;
}

std::string_view XmlRootElement(std::string_view head) {
  head = WithoutByteOrderMark(head);
  // What comes before the root element: blanks, the declaration, processing instructions,
  // comments and a document type.
  const std::pair<std::string_view, std::string_view> kPrologue[] = {
      {"<?", "?>"}, {"<!--", "-->"}, {"<!", ">"}};
  while (true) {
    head.remove_prefix(std::min(head.find_first_not_of(" \t\r\n"), head.size()));
    bool passed = false;
    for (const auto& [start, end] : kPrologue) {
      if (head.substr(0, start.size()) != start) continue;
      const std::size_t after = head.find(end, start.size());
      if (after == std::string_view::npos) return {};
      head.remove_prefix(after + end.size());
      passed = true;
      break;
    }
    if (!passed) break;
  }
  if (head.empty() || head.front() != '<') return {};
  const std::size_t nameEnd = std::min(head.find_first_of(" \t\r\n/>"), head.size());
  if (nameEnd == head.size()) return {};  // the name may go on beyond the head
  std::string_view name = head.substr(1, nameEnd - 1);
  const std::size_t colon = name.find(':');
  if (colon != std::string_view::npos) name.remove_prefix(colon + 1);  // gpx:gpx
  return name;
}

void CheckWgs84(std::string_view datum, int line) {
  std::string letters;  // "WGS 84", "WGS84", "wgs-84"
  for (const char c : datum) {
    if (c != ' ' && c != '\t' && c != '-') letters += LowerAscii(c);
  }
  if (letters == "wgs84") return;
  throw FormatError(line, "datum " + Quoted(TrimBlanks(datum)) +
                              ": koordin reads WGS 84 only, and shifts no coordinates from "
                              "another datum");
}

std::string AtLine(int line, std::string_view message) {
  return "line " + std::to_string(line) + ": " + std::string(message);
}

void CheckCoordinates(double latitude, double longitude, int line) {
  if (!std::isfinite(latitude) || std::abs(latitude) > kMaxLatitude) {
    throw FormatError(line, "bad latitude " + FormatDecimal(latitude, kDegreeDecimals) +
                                ": beyond " + FormatDecimal(kMaxLatitude, 0) + " degrees");
  }
  if (!std::isfinite(longitude) || std::abs(longitude) > kMaxLongitude) {
    throw FormatError(line, "bad longitude " + FormatDecimal(longitude, kDegreeDecimals) +
                                ": beyond " + FormatDecimal(kMaxLongitude, 0) + " degrees");
  }
}

void CheckWaypointToWrite(const Waypoint& waypoint) {
  try {
    CheckCoordinates(waypoint.latitude, waypoint.longitude, 0);
  } catch (const FormatError& e) {
    throw FormatError(0, "waypoint " + Quoted(waypoint.name) + ": " + e.what());
  }
}

int KnownStyle(long long style, int line, Diagnostics& diagnostics) {
  if (style >= 0 && style <= kLastStyle) return static_cast<int>(style);
  diagnostics.Warn(AtLine(line, "unknown style " + std::to_string(style) + ", read as 0"));
  return 0;
}

namespace {

// The name's hash, never 0, which marks an empty slot.
std::uint64_t NameHash(std::string_view name) {
  const std::uint64_t hash = std::hash<std::string_view>()(name);
  return hash == 0 ? 1 : hash;
}

}  // namespace

std::size_t NameIndex::SlotOf(std::uint64_t hash) const {
  const std::size_t mask = hashes_.size() - 1;
  std::size_t slot = static_cast<std::size_t>(hash) & mask;
  while (hashes_[slot] != 0 && hashes_[slot] != hash) slot = (slot + 1) & mask;
  return slot;
}

bool NameIndex::Contains(const std::string& name) const {
  return !hashes_.empty() && hashes_[SlotOf(NameHash(name))] != 0;
}

void NameIndex::Add(const std::string& name, int line, Diagnostics& diagnostics) {
  if (4 * (count_ + 1) > 3 * hashes_.size()) {
    std::vector<std::uint64_t> hashes = std::move(hashes_);
    std::vector<int> lines = std::move(lines_);
    constexpr std::size_t kFirstSize = 64;
    hashes_.assign(std::max(kFirstSize, 2 * hashes.size()), 0);
    lines_.assign(hashes_.size(), 0);
    for (std::size_t i = 0; i < hashes.size(); ++i) {
      if (hashes[i] == 0) continue;
      const std::size_t slot = SlotOf(hashes[i]);
      hashes_[slot] = hashes[i];
      lines_[slot] = lines[i];
    }
  }
  const std::uint64_t hash = NameHash(name);
  const std::size_t slot = SlotOf(hash);
  if (hashes_[slot] == hash) {
    diagnostics.Warn(AtLine(line, "the name " + Quoted(name) + " is used already on line " +
                                      std::to_string(lines_[slot])));
    return;
  }
  hashes_[slot] = hash;
  lines_[slot] = line;
  ++count_;
}

void NameIndex::CheckTask(const Task& task, int line, Diagnostics& diagnostics) const {
  for (std::size_t i = 0; i < task.points.size(); ++i) {
    const std::string& point = task.points[i];
    if (point.empty()) {
      if (i != 0 && i + 1 != task.points.size()) {
        diagnostics.Warn(AtLine(
            line, "task " + Quoted(task.name) + " has an empty point " + std::to_string(i + 1)));
      }
    } else if (!Contains(point)) {
      diagnostics.Warn(AtLine(line, "task " + Quoted(task.name) + " names " + Quoted(point) +
                                        ", which is no waypoint"));
    }
  }
}

}  // namespace koordin_cli
