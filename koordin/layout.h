#pragma once

// The KOORDIN file's layout: a two-line header, 255 turnpoint slots of six lines and 32 route
// slots of sixteen lines. The reader and the writer take every fact about the file from here.

#include "records/fio_contract.h"

namespace koordin {

inline constexpr const char* kHeaderLine1 = "VP6 KOORDIN Datei Peschges Variometer GmbH";
inline constexpr const char* kHeaderLine2 = "v2.0";
inline constexpr int kHeaderLines = 2;

inline constexpr int kTurnpointSlots = kFIOTurnpointCapacity;
inline constexpr int kTurnpointSlotLines = 6;
inline constexpr int kRouteSlots = kFIORouteCapacity;
inline constexpr int kPointsPerRoute = kFIOPointsPerRoute;
inline constexpr int kRouteSlotLines = 1 + kPointsPerRoute;
inline constexpr int kFileLines =
    kHeaderLines + kTurnpointSlots * kTurnpointSlotLines + kRouteSlots * kRouteSlotLines;

inline constexpr int kNameWidth = kFIONameWidth;          // characters of a name in a name line
inline constexpr int kNameLineWidth = kFIONameLineWidth;  // the name and its marker character
inline constexpr unsigned char kMarkerByte = 0xA0;        // last byte of a marked turnpoint's name
inline constexpr unsigned int kMarkerFlagsMask = 0xFF00;  // flags bits that ask for the marker
inline constexpr unsigned int kMarkedFlags = 0x300;       // flags of a turnpoint read with it

inline constexpr int kSecondsPerMinute = 60;      // coordinates carry whole seconds
inline constexpr int kLatitudeDegreeDigits = 2;   // DD:MM:SS
inline constexpr int kLongitudeDegreeDigits = 3;  // DDD:MM:SS
inline constexpr int kMinuteDigits = 2;           // minutes and seconds alike
inline constexpr int kAltitudeDigits = 4;         // AAAA:frequency
// Inner points of this kind are left out of long routes.
inline constexpr int kOmittableKind = kFIOPointKindOmittable;

inline constexpr const char* kEmptyPointLine = "-------------------";  // 19 hyphens
inline constexpr char kEastLetter = 'O';                               // the file's east
inline constexpr const char* kEmptyFrequency = "0.000";
inline constexpr char kUnmarkedByte = ' ';  // last byte of a name line without the marker

// The lines of an empty turnpoint slot after its name line of blanks.
inline constexpr const char* kEmptyLatitude = "00:00:00";                // DD:MM:SS
inline constexpr const char* kEmptyLatitudeHemisphere = "N";             // N or S
inline constexpr const char* kEmptyLongitude = "000:00:00";              // DDD:MM:SS
inline constexpr const char* kEmptyLongitudeHemisphere = "O";            // O or W
inline constexpr const char* kEmptyAltitudeAndFrequency = "0000:0.000";  // altitude:frequency

inline constexpr int kMaxHeaderLineLength = 200;  // longest header line recognition reads
inline constexpr int kFrequencyChars = 19;        // frequency text the slot's buffer holds

}  // namespace koordin
