// Holds the reader's line parsers to the C runtime's formatted input: for any line, each must
// read exactly what sscanf with the slot's format reads, and succeed exactly when it succeeds.

#include "koordin/reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Require(bool holds, const char* what, const std::string& line) {
  if (!holds) {
    std::fprintf(stderr, "%s differs from sscanf for the line \"%s\"\n", what, line.c_str());
    std::abort();
  }
}

void CheckDms(const std::string& line, bool isLongitude) {
  koordin::DmsFields parsed{-7, -7, -7};
  int d = -7, m = -7, s = -7;
  const bool ok = koordin::ParseDmsLine(line.c_str(), isLongitude, parsed);
  const int read =
      std::sscanf(line.c_str(), isLongitude ? "%03d:%02d:%02d" : "%02d:%02d:%02d", &d, &m, &s);
  Require(ok == (read == 3), "the success of ParseDmsLine", line);
  if (ok) {
    Require(parsed.degrees == d && parsed.minutes == m && parsed.seconds == s,
            "the fields of ParseDmsLine", line);
  }
}

void CheckAltitude(const std::string& line) {
  std::int32_t altitude = -7;
  std::string frequency = "old";
  const bool ok = koordin::ParseAltitudeLine(line.c_str(), altitude, frequency);
  int expectedAltitude = -7;
  std::string text(line.size() + 1, '\0');
  const int read = std::sscanf(line.c_str(), "%04d:%s", &expectedAltitude, text.data());
  Require(ok == (read >= 1), "the success of ParseAltitudeLine", line);
  if (ok) {
    Require(altitude == expectedAltitude, "the altitude of ParseAltitudeLine", line);
    Require(frequency == text.c_str(), "the frequency of ParseAltitudeLine", line);
  }
}

void CheckHemisphere(const std::string& line) {
  char parsed = '?';
  char expected = '?';
  const bool ok = koordin::ParseHemisphereLine(line.c_str(), parsed);
  Require(ok == (std::sscanf(line.c_str(), "%c", &expected) == 1),
          "the success of ParseHemisphereLine", line);
  if (ok) Require(parsed == expected, "the letter of ParseHemisphereLine", line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A line as the reader hands it on: up to its first zero byte.
  const std::string line(reinterpret_cast<const char*>(data),
                         strnlen(reinterpret_cast<const char*>(data), size));
  CheckDms(line, false);
  CheckDms(line, true);
  CheckAltitude(line);
  CheckHemisphere(line);
  return 0;
}
