// Writing a KOORDIN file: the header, one slot per turnpoint or route, and the empty slots that
// complete both tables. The driver state's counters keep the tables at their fixed sizes.

#include "koordin/writer.h"

#include "driver/fio_api.h"
#include "driver/global_values.h"
#include "koordin/layout.h"
#include "text/ko_point.h"

#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace koordin {

void WriteLine(CHostTextFile& file, const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const int written = AfxVfprintf(file.m_pStream, format, arguments);
  va_end(arguments);
  if (written < 0) {
    const LONG osError = AfxGetLastOsError();
    std::clearerr(file.m_pStream);
    AfxThrowFileException(CFileException::genericException, osError, file.GetFilePath());
  }
}

CStringA FormatNameField(const FIO_TPEntry& tp, bool withMarker) {
  const bool marked = withMarker && (tp.flags & kMarkerFlagsMask) != 0;
  // What "%-18.18s%c" makes of the name and the marker, without a formatting pass: the name up to
  // its first zero byte, cut or filled with blanks to the field's width, then the 19th character.
  // A name longer than the field is cut: the file holds no more. The command-line host warns.
  char field[kNameLineWidth];
  const std::size_t cut = std::min(tp.name.size(), static_cast<std::size_t>(kNameWidth));
  const void* zero = std::memchr(tp.name.data(), '\0', cut);
  const std::size_t length =
      zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - tp.name.data())
                      : cut;
  std::memcpy(field, tp.name.data(), length);
  std::memset(field + length, ' ', kNameWidth - length);
  field[kNameWidth] = marked ? static_cast<char>(kMarkerByte) : kUnmarkedByte;
  return CStringA(field, kNameLineWidth);
}

}  // namespace koordin

namespace {

using koordin::WriteLine;

constexpr bool kLatitude = false;
constexpr bool kLongitude = true;

// A name line without a marker: the text cut or filled with blanks to the line's whole width.
void WriteNameLine(CHostTextFile& file, const char* name) {
  WriteLine(file, "%-*.*s\n", koordin::kNameLineWidth, koordin::kNameLineWidth, name);
}

void WriteEmptyTurnpoint(CHostTextFile& file) {
  WriteNameLine(file, "");
  WriteLine(file, "%s\n%s\n", koordin::kEmptyLatitude, koordin::kEmptyLatitudeHemisphere);
  WriteLine(file, "%s\n%s\n", koordin::kEmptyLongitude, koordin::kEmptyLongitudeHemisphere);
  WriteLine(file, "%s\n", koordin::kEmptyAltitudeAndFrequency);
}

void WriteEmptyPointLines(CHostTextFile& file, int count) {
  for (int i = 0; i < count; ++i) WriteLine(file, "%s\n", koordin::kEmptyPointLine);
}

void WriteEmptyRoute(CHostTextFile& file) {
  WriteNameLine(file, "");
  WriteEmptyPointLines(file, koordin::kPointsPerRoute);
}

}  // namespace

std::int32_t FIO_WriteHeader(CHostTextFile* file, const FIO_HeaderRequest* request) {
  if (file == nullptr || request == nullptr) return kFIONotHandled;
  switch (request->stage) {
    case kFIOStageFileStart:  // a new file: its header, and every count starts again
      WriteLine(*file, "%s\n%s\n", koordin::kHeaderLine1, koordin::kHeaderLine2);
      DriverState().ResetCounters();
      break;
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

  WriteLine(*file, "%s\n", koordin::FormatNameField(*tp, true).GetString());

  const CKoPoint latitude(tp->latitude, kLatitude, koordin::kSecondsPerMinute);
  WriteLine(*file, "%02d:%02d:%02d\n%c\n",  // DD:MM:SS, then N or S
            latitude.degrees, latitude.minutes, latitude.subUnits, latitude.GetHemisphereLetter());

  const CKoPoint longitude(tp->longitude, kLongitude, koordin::kSecondsPerMinute);
  char letter = longitude.GetHemisphereLetter();
  if (letter == 'E') letter = koordin::kEastLetter;
  WriteLine(*file, "%03d:%02d:%02d\n%c\n",  // DDD:MM:SS, then O or W
            longitude.degrees, longitude.minutes, longitude.subUnits, letter);

  const char* frequency = tp->frequency.empty() ? koordin::kEmptyFrequency : tp->frequency.c_str();
  WriteLine(*file, "%04d:%s\n", tp->altitude, frequency);  // altitude:frequency

  ++DriverState().tpWritten;
  return kFIOSuccess;
}

std::int32_t FIO_WriteRoute(CHostTextFile* file, const FIO_Route* route) {
  if (file == nullptr || route == nullptr) return kFIONotHandled;
  if (DriverState().routesWritten >= koordin::kRouteSlots) return kFIOSuccess;

  WriteNameLine(*file, route->name.c_str());

  // The first and the last point are never written; a long route also leaves out the inner
  // points of the omittable kind.
  const std::size_t count = route->points.size();
  const bool isLong = count > static_cast<std::size_t>(koordin::kLongRoutePoints);
  int lines = 0;
  for (std::size_t i = 1; i + 1 < count; ++i) {
    // Inner points beyond the slot's lines are not written: the slot has no room, and a further
    // line would shift every slot after it. The command-line host warns.
    if (lines == koordin::kPointsPerRoute) break;
    const FIO_TPEntry& point = *route->points[i];
    if (isLong && point.kind == koordin::kOmittableKind) continue;
    WriteLine(*file, "%s\n", koordin::FormatNameField(point, false).GetString());
    ++lines;
  }
  WriteEmptyPointLines(*file, koordin::kPointsPerRoute - lines);

  ++DriverState().routesWritten;
  return kFIOSuccess;
}
