// Writing a KOORDIN file: the header, one slot per turnpoint or route, and the empty slots that
// complete both tables. The driver state's counters keep the tables at their fixed sizes. Each
// slot is formatted into one buffer and handed to the host's stream in one write.

#include "koordin/writer.h"

#include "driver/fio_api.h"
#include "driver/global_values.h"
#include "koordin/layout.h"
#include "text/ko_point.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace koordin {

char* SlotText::Grow(std::size_t more) {
  if (size_ + more > capacity_) {
    heap_.resize(std::max(2 * capacity_, size_ + more));
    if (data_ == local_) std::memcpy(heap_.data(), local_, size_);
    data_ = heap_.data();
    capacity_ = heap_.size();
  }
  char* end = data_ + size_;
  size_ += more;
  return end;
}

void SlotText::Append(const char* text, std::size_t length) {
  std::memcpy(Grow(length), text, length);
}

void SlotText::Append(const char* text) {
  Append(text, std::strlen(text));
}

void SlotText::Append(char ch) {
  *Grow(1) = ch;
}

void SlotText::AppendNumber(std::int32_t value, int width) {
  char digits[10];  // the most a 32-bit magnitude needs
  int count = 0;
  std::uint32_t magnitude =
      value < 0 ? 0U - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  const int sign = value < 0 ? 1 : 0;
  const int zeros = std::max(0, width - sign - count);
  char* out = Grow(static_cast<std::size_t>(sign + zeros + count));
  if (sign != 0) *out++ = '-';
  out = std::fill_n(out, zeros, '0');
  std::reverse_copy(digits, digits + count, out);
}

void SlotText::AppendField(const std::string& text, int width) {
  const std::size_t room = static_cast<std::size_t>(width);
  const std::size_t cut = std::min(text.size(), room);
  const void* zero = std::memchr(text.data(), '\0', cut);
  const std::size_t length =
      zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - text.data())
                      : cut;
  char* out = Grow(room);
  std::memcpy(out, text.data(), length);
  std::memset(out + length, ' ', room - length);
}

void SlotText::WriteTo(CHostTextFile& file) const {
  if (!AfxWriteBytes(file.m_pStream, data_, size_)) {
    const LONG osError = AfxGetLastOsError();
    std::clearerr(file.m_pStream);
    AfxThrowFileException(CFileException::genericException, osError, file.GetFilePath());
  }
}

void AppendNameField(SlotText& slot, const FIO_TPEntry& tp, bool withMarker) {
  // A name longer than the field is cut: the file holds no more. The command-line host warns.
  slot.AppendField(tp.name, kNameWidth);
  const bool marked = withMarker && (tp.flags & kMarkerFlagsMask) != 0;
  slot.Append(marked ? static_cast<char>(kMarkerByte) : kUnmarkedByte);
}

}  // namespace koordin

namespace {

using koordin::SlotText;

constexpr bool kLatitude = false;
constexpr bool kLongitude = true;

void AppendLine(SlotText& slot, const char* text) {
  slot.Append(text);
  slot.Append('\n');
}

// A name line without a marker: the text cut or filled with blanks to the line's whole width.
void AppendNameLine(SlotText& slot, const std::string& name) {
  slot.AppendField(name, koordin::kNameLineWidth);
  slot.Append('\n');
}

// A coordinate's two lines: DD:MM:SS or DDD:MM:SS, then the hemisphere letter.
void AppendCoordinate(SlotText& slot, const CKoPoint& point, int degreeDigits, char letter) {
  slot.AppendNumber(point.degrees, degreeDigits);
  slot.Append(':');
  slot.AppendNumber(point.minutes, koordin::kMinuteDigits);
  slot.Append(':');
  slot.AppendNumber(point.subUnits, koordin::kMinuteDigits);
  slot.Append('\n');
  slot.Append(letter);
  slot.Append('\n');
}

void WriteEmptyTurnpoint(CHostTextFile& file) {
  SlotText slot;
  AppendNameLine(slot, {});
  AppendLine(slot, koordin::kEmptyLatitude);
  AppendLine(slot, koordin::kEmptyLatitudeHemisphere);
  AppendLine(slot, koordin::kEmptyLongitude);
  AppendLine(slot, koordin::kEmptyLongitudeHemisphere);
  AppendLine(slot, koordin::kEmptyAltitudeAndFrequency);
  slot.WriteTo(file);
}

void AppendEmptyPointLines(SlotText& slot, int count) {
  for (int i = 0; i < count; ++i) AppendLine(slot, koordin::kEmptyPointLine);
}

void WriteEmptyRoute(CHostTextFile& file) {
  SlotText slot;
  AppendNameLine(slot, {});
  AppendEmptyPointLines(slot, koordin::kPointsPerRoute);
  slot.WriteTo(file);
}

}  // namespace

std::int32_t FIO_WriteHeader(CHostTextFile* file, const FIO_HeaderRequest* request) {
  if (file == nullptr || request == nullptr) return kFIONotHandled;
  switch (request->stage) {
    case kFIOStageFileStart: {  // a new file: its header, and every count starts again
      SlotText header;
      AppendLine(header, koordin::kHeaderLine1);
      AppendLine(header, koordin::kHeaderLine2);
      header.WriteTo(*file);
      DriverState().ResetCounters();
      break;
    }
    case kFIOStageTurnpointsDone:  // the remaining turnpoint slots
      for (std::int32_t n = DriverState().tpWritten; n < koordin::kTurnpointSlots; ++n) {
        WriteEmptyTurnpoint(*file);
      }
      break;
    case kFIOStageRoutesDone:  // the remaining route slots
      for (std::int32_t n = DriverState().routesWritten; n < koordin::kRouteSlots; ++n) {
        WriteEmptyRoute(*file);
      }
      break;
    default:
      break;
  }
  return kFIOSuccess;
}

std::int32_t FIO_WriteTP(CHostTextFile* file, const FIO_TPEntry* tp) {
  if (file == nullptr || tp == nullptr) return kFIONotHandled;
  if (DriverState().tpWritten >= koordin::kTurnpointSlots) return kFIOSuccess;

  SlotText slot;
  koordin::AppendNameField(slot, *tp, true);
  slot.Append('\n');

  const CKoPoint latitude(tp->latitude, kLatitude, koordin::kSecondsPerMinute);
  AppendCoordinate(slot, latitude, koordin::kLatitudeDegreeDigits,  // DD:MM:SS, then N or S
                   latitude.GetHemisphereLetter());

  const CKoPoint longitude(tp->longitude, kLongitude, koordin::kSecondsPerMinute);
  char letter = longitude.GetHemisphereLetter();
  if (letter == 'E') letter = koordin::kEastLetter;
  AppendCoordinate(slot, longitude, koordin::kLongitudeDegreeDigits, letter);  // DDD:MM:SS, O or W

  slot.AppendNumber(tp->altitude, koordin::kAltitudeDigits);  // altitude:frequency
  slot.Append(':');
  AppendLine(slot, tp->frequency.empty() ? koordin::kEmptyFrequency : tp->frequency.c_str());
  slot.WriteTo(*file);

  ++DriverState().tpWritten;
  return kFIOSuccess;
}

std::int32_t FIO_WriteRoute(CHostTextFile* file, const FIO_Route* route) {
  if (file == nullptr || route == nullptr) return kFIONotHandled;
  if (DriverState().routesWritten >= koordin::kRouteSlots) return kFIOSuccess;

  SlotText slot;
  AppendNameLine(slot, route->name);

  // The first and the last point are never written; a long route also leaves out the inner
  // points of the omittable kind.
  const std::size_t count = route->points.size();
  const bool isLong = count > static_cast<std::size_t>(koordin::kPointsPerRoute);
  int lines = 0;
  for (std::size_t i = 1; i + 1 < count; ++i) {
    // Inner points beyond the slot's lines are not written: the slot has no room, and a further
    // line would shift every slot after it. The command-line host warns.
    if (lines == koordin::kPointsPerRoute) break;
    const FIO_TPEntry& point = *route->points[i];
    if (isLong && point.kind == koordin::kOmittableKind) continue;
    koordin::AppendNameField(slot, point, false);
    slot.Append('\n');
    ++lines;
  }
  AppendEmptyPointLines(slot, koordin::kPointsPerRoute - lines);
  slot.WriteTo(*file);

  ++DriverState().routesWritten;
  return kFIOSuccess;
}
