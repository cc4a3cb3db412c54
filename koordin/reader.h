#pragma once

// Reading a KOORDIN file: the results of FIO_ReadObject and the parsing of a slot's lines. The
// exported functions themselves are declared in driver/fio_api.h.

#include "afx/afx_string.h"

#include <cstdint>
#include <string>

namespace koordin {

// Messages of the faults found in a turnpoint slot, spelled as hosts know them.
inline constexpr const char* kBadLatitude = "bad latitude";
inline constexpr const char* kBadLongitude = "bad longtiude";
inline constexpr const char* kBadAltitude = "bad altitude/frequency";

// Degrees, minutes and seconds as a coordinate line carries them; no range is implied.
struct DmsFields {
  std::int32_t degrees = 0;
  std::int32_t minutes = 0;
  std::int32_t seconds = 0;
};

// When the name line's last byte is the marker byte, replaces it by a blank and returns true;
// otherwise leaves the line alone and returns false.
bool TakeMarker(CStringA& nameLine);

// Parses a latitude line (DD:MM:SS) or a longitude line (DDD:MM:SS) with the C runtime's
// formatted input: each field is at most that many characters after optional white space, a sign
// counting towards the width, and anything after the seconds is ignored. True when all three
// numbers were read; `fields` may hold some of them otherwise.
bool ParseDmsLine(const char* line, bool isLongitude, DmsFields& fields);

// Takes the first character of a hemisphere line, whatever it is. False for an empty line.
bool ParseHemisphereLine(const char* line, char& letter);

// Parses an altitude and frequency line (AAAA:frequency). The altitude is at most four characters
// and goes straight into `altitude`; `frequency` becomes the first run of characters other than
// white space after the colon, of any length, or empty when there is none. True when at least the
// altitude was read.
bool ParseAltitudeLine(const char* line, std::int32_t& altitude, std::string& frequency);

// True for the line that fills an unused point line of a route slot, compared before any trimming.
// Hyphens have no case, so a comparison without regard to case would give the same answer.
bool IsEmptyPointLine(const CStringA& line);

}  // namespace koordin
