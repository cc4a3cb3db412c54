#include "koordin/reader.h"

#include "driver/fio_api.h"
#include "driver/global_values.h"
#include "koordin/layout.h"
#include "text/fio_token.h"
#include "text/ko_point.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

namespace koordin {

namespace {

// The line string every slot reads into, reused so that reading a slot takes no memory once a line
// has sized it; released when a read pass ends. What it holds between calls is never looked at.
CStringA& LineBuffer() {
  static CStringA line;
  return line;
}

// Raises the fault of the line last read from `file`.
[[noreturn]] void Fail(const CHostTextFile& file, const char* message) {
  throw FIO_Error(kFIOErrorCode, message, file.lineNumber, kFIOErrorInfo);
}

// Copies every byte of `text` into `target`, zero bytes included.
void AssignText(std::string& target, const CStringA& text) {
  target.assign(text.GetString(), static_cast<std::size_t>(text.GetLength()));
}

// Reads the next line into `line`. A missing line leaves it empty, which the slot's parsing then
// meets like any empty line, so the result of the read is not needed.
void ReadLine(CHostTextFile& file, CStringA& line) {
  file.ReadString(line);
}

// Reads a coordinate's two lines and returns it in signed degrees; throws FIO_Error with
// `message` when either line is malformed.
double ReadCoordinate(CHostTextFile& file, CStringA& line, bool isLongitude, const char* message) {
  DmsFields fields;
  ReadLine(file, line);
  if (!ParseDmsLine(line, isLongitude, fields)) Fail(file, message);

  char letter = '\0';
  ReadLine(file, line);
  if (!ParseHemisphereLine(line, letter)) Fail(file, message);
  if (isLongitude && std::toupper(static_cast<unsigned char>(letter)) == kEastLetter) letter = 'E';

  return DmsToDegrees(fields.degrees, fields.minutes, fields.seconds, letter, kSecondsPerMinute);
}

std::int32_t ReadTurnpointSlot(CHostTextFile& file, FIO_TPEntry& tp, global_values& state) {
  CStringA& line = LineBuffer();
  tp.number = state.tpRead + 1;

  ReadLine(file, line);  // the name and its marker character
  if (TakeMarker(line)) tp.flags = kMarkedFlags;
  line.TrimRight();
  AssignText(tp.name, line);

  tp.latitude = static_cast<float>(ReadCoordinate(file, line, false, kBadLatitude));
  tp.longitude = static_cast<float>(ReadCoordinate(file, line, true, kBadLongitude));

  std::string frequency;
  ReadLine(file, line);  // AAAA:frequency
  if (!ParseAltitudeLine(line, tp.altitude, frequency)) Fail(file, kBadAltitude);
  tp.frequency = std::move(frequency);

  ++state.tpRead;
  return tp.name.empty() ? kFIOReadEmptySlot : kFIOReadTurnpoint;
}

std::int32_t ReadRouteSlot(CHostTextFile& file, FIO_Route& route, global_values& state) {
  CStringA& line = LineBuffer();
  ReadLine(file, line);
  line.TrimRight();
  AssignText(route.name, line);

  for (int i = 0; i < kPointsPerRoute; ++i) {
    ReadLine(file, line);
    if (IsEmptyPointLine(line)) continue;
    line.TrimRight();
    AppendRoutePoint(route, line, 0.0F, 0.0F, kFIOPointKindPlain);
  }

  ++state.routesRead;
  return route.name.empty() ? kFIOReadEmptySlot : kFIOReadRoute;
}

}  // namespace

bool TakeMarker(CStringA& nameLine) {
  const int last = nameLine.GetLength() - 1;
  if (last < 0 || static_cast<unsigned char>(nameLine[last]) != kMarkerByte) return false;
  nameLine.SetAt(last, kUnmarkedByte);
  return true;
}

namespace {

bool IsDigit(char ch) {
  return ch >= '0' && ch <= '9';
}

// The number of `width` decimal digits at `text`, or -1 when any of them is no digit.
std::int32_t FixedDigits(const char* text, int width) {
  std::int32_t value = 0;
  for (int i = 0; i < width; ++i) {
    if (!IsDigit(text[i])) return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// What the C runtime's formatted input takes for white space in every locale.
bool IsWhiteSpace(char ch) {
  return ch == ' ' || (ch >= '\t' && ch <= '\r');
}

// A character that the C runtime's "%s" takes in every locale: printable ASCII but the blank.
bool IsPlainTextChar(char ch) {
  return ch > ' ' && ch < 0x7F;
}

}  // namespace

bool ParseDmsLine(const char* line, bool isLongitude, DmsFields& fields) {
  const int degreeWidth = isLongitude ? kLongitudeDegreeDigits : kLatitudeDegreeDigits;
  // The form every written file has, every field exactly as wide as the format allows and all
  // digits, is taken apart directly: the formatted input reads the same three numbers from it.
  // Whatever follows the seconds is ignored by both.
  const std::int32_t d = FixedDigits(line, degreeWidth);
  if (d >= 0 && line[degreeWidth] == ':') {
    const char* minutes = line + degreeWidth + 1;
    const std::int32_t m = FixedDigits(minutes, kMinuteDigits);
    if (m >= 0 && minutes[kMinuteDigits] == ':') {
      const std::int32_t s = FixedDigits(minutes + kMinuteDigits + 1, kMinuteDigits);
      if (s >= 0) {
        fields = {d, m, s};
        return true;
      }
    }
  }
  // The C runtime reads "%02d" as a field of at most two characters: the 0 is the first digit of
  // the width, not a flag.
  const char* format = isLongitude ? "%03d:%02d:%02d"   // DDD:MM:SS
                                   : "%02d:%02d:%02d";  // DD:MM:SS
  return std::sscanf(line, format, &fields.degrees, &fields.minutes, &fields.seconds) == 3;
}

bool ParseHemisphereLine(const char* line, char& letter) {
  // What "%c" reads: the first character, whatever it is, and nothing from an empty line.
  if (line[0] == '\0') return false;
  letter = line[0];
  return true;
}

bool ParseAltitudeLine(const char* line, std::int32_t& altitude, std::string& frequency) {
  // Four digits, then the end of the line or a colon and a frequency of plain characters, ended
  // by the end of the line or by a blank and whatever follows it, as every written file has them:
  // taken apart directly, the formatted input reads the same.
  const std::int32_t digits = FixedDigits(line, kAltitudeDigits);
  if (digits >= 0 && (line[kAltitudeDigits] == '\0' || line[kAltitudeDigits] == ':')) {
    const char* text = line[kAltitudeDigits] == ':' ? line + kAltitudeDigits + 1 : "";
    const char* end = text;
    while (IsPlainTextChar(*end)) ++end;
    if (*end == '\0' || (end != text && IsWhiteSpace(*end))) {
      altitude = digits;
      frequency.assign(text, static_cast<std::size_t>(end - text));
      return true;
    }
  }
  // The file's frequency is at most kFrequencyChars characters, but a longer one is taken whole
  // rather than cut: the buffer is at least as long as the line, so "%s" can neither run past it
  // nor lose a character.
  frequency.assign(std::max<std::size_t>(std::strlen(line), kFrequencyChars) + 1, '\0');
  const int read = std::sscanf(line, "%04d:%s", &altitude, frequency.data());  // AAAA:frequency
  frequency.resize(std::strlen(frequency.c_str()));
  return read >= 1;
}

bool IsEmptyPointLine(const CStringA& line) {
  // Equal as C texts, up to the first zero byte: the fill's bytes and a zero byte after them,
  // whether that is the end of the line or a zero byte in it.
  constexpr std::size_t kLength = std::char_traits<char>::length(kEmptyPointLine);
  return static_cast<std::size_t>(line.GetLength()) >= kLength &&
         std::memcmp(line.GetString(), kEmptyPointLine, kLength + 1) == 0;
}

}  // namespace koordin

std::int32_t FIO_IsFileOfMyType(CFile* file) {
  if (file == nullptr) return kFIONotHandled;
  CFIOToken reader(file);
  CStringA first;
  CStringA second;
  file->Seek(0, CFile::begin);
  // A line the file lacks stays empty and so fails the comparison below.
  reader.ReadLine(first, koordin::kMaxHeaderLineLength, false);
  reader.ReadLine(second, koordin::kMaxHeaderLineLength, false);
  file->Seek(0, CFile::begin);
  return first == koordin::kHeaderLine1 && second == koordin::kHeaderLine2 ? kFIOSuccess
                                                                           : kFIONotHandled;
}

std::int32_t FIO_ReadObject(CHostTextFile* file, FIO_TPEntry* tp, FIO_Route* route) {
  if (file == nullptr || tp == nullptr || route == nullptr) return kFIONotHandled;
  global_values& state = DriverState();
  // A file at its beginning starts a new pass: the header is passed over unread.
  if (file->GetPosition() == 0) {
    for (int i = 0; i < koordin::kHeaderLines; ++i) koordin::ReadLine(*file, koordin::LineBuffer());
    state.ResetCounters();
  }
  if (state.tpRead < koordin::kTurnpointSlots) return koordin::ReadTurnpointSlot(*file, *tp, state);
  if (state.routesRead >= koordin::kRouteSlots) {
    const CStringA released =
        std::move(koordin::LineBuffer());  // the pass is over: its lines' memory goes
    return kFIOReadEnd;
  }
  return koordin::ReadRouteSlot(*file, *route, state);
}
