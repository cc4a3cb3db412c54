#include "tools/koordin/instrument/koordin_reader.h"

#include "koordin/layout.h"
#include "tools/koordin/conversion/position.h"
#include "tools/koordin/formats/charset.h"
#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/instrument/koordin_faults.h"
#include "tools/koordin/reports/text_table.h"

#include <algorithm>

namespace koordin_cli {

namespace {

// The longest line koordin reads from a KOORDIN file. Its own lines are short; a longer one
// (a file of a single line of 100 MB) would only take memory, so it ends the reading.
constexpr int kMaxLineLength = 4096;

// Thrown out of the driver's reading when a line is longer than kMaxLineLength.
struct LineTooLong {
  int line;
};

// The host's text file, with koordin's bound on the length of a line.
class LimitedTextFile : public CHostTextFile {
 public:
  BOOL ReadString(CStringA& line) override {
    bool tooLong = false;
    const BOOL read = ReadLimitedString(line, kMaxLineLength, tooLong);
    if (read) ++lineNumber;
    if (tooLong) throw LineTooLong{lineNumber};
    return read;
  }
};

std::string Decode(const std::string& bytes, const std::string& encoding, const std::string& what,
                   Diagnostics& diagnostics) {
  bool exact = true;
  std::string text = ConvertCharset(bytes, encoding.c_str(), kUtf8, &exact);
  if (!exact) {
    diagnostics.Warn(what + ": bytes that are no " + encoding +
                     " characters read as \"?\": " + Quoted(text));
  }
  return text;
}

// Throws FileError, naming the line, unless the driver's read, which ended at `file`'s line
// number, took every line of the file and the file has every line of its slots: the driver takes
// missing lines for empty ones.
void CheckWhole(LimitedTextFile& file, const std::string& shown) {
  const int read = file.lineNumber;
  const std::string whole =
      "; a KOORDIN file has " + std::to_string(koordin::kFileLines) + " lines";
  if (read < koordin::kFileLines) {
    throw FileError(shown + ":" + std::to_string(read) + ": the file ends at line " +
                    std::to_string(read) + ", in " + SlotOfLine(read + 1) + whole);
  }
  CStringA rest;
  if (file.ReadString(rest)) {
    const int extra = file.lineNumber;
    throw FileError(shown + ":" + std::to_string(extra) + ": a line after the last route slot" +
                    whole);
  }
}

// Warns when `degrees` lies beyond `limit`: the file takes any number, the other formats do not.
void CheckRange(double degrees, double limit, const char* what, const std::string& where,
                Diagnostics& diagnostics) {
  if (degrees >= -limit && degrees <= limit) return;
  diagnostics.Warn(where + ": " + what + " " + FormatDegrees(degrees) + " is beyond " +
                   std::to_string(static_cast<int>(limit)) + " degrees");
}

// `nameLine` is the line of the slot's name, where a warning about the slot points.
Waypoint ToWaypoint(const FIO_TPEntry& entry, int nameLine, const std::string& encoding,
                    Diagnostics& diagnostics) {
  Waypoint waypoint;
  waypoint.slot = entry.number;
  const std::string what = "turnpoint " + std::to_string(entry.number);
  waypoint.name = Decode(entry.name, encoding, what, diagnostics);
  // The file carries whole seconds: the float's noise goes.
  waypoint.latitude = RoundToWholeSecond(entry.latitude);
  waypoint.longitude = RoundToWholeSecond(entry.longitude);
  waypoint.elevation = entry.altitude;
  // The file writes "0.000" for a turnpoint without a frequency.
  if (entry.frequency != koordin::kEmptyFrequency) {
    waypoint.frequency = Decode(entry.frequency, encoding, what, diagnostics);
  }
  waypoint.marked = (entry.flags & koordin::kMarkerFlagsMask) != 0;
  if (!waypoint.name.empty()) {
    const std::string where = AtLine(nameLine, "turnpoint " + Quoted(waypoint.name));
    CheckRange(waypoint.latitude, kMaxLatitude, "latitude", where, diagnostics);
    CheckRange(waypoint.longitude, kMaxLongitude, "longitude", where, diagnostics);
  }
  return waypoint;
}

}  // namespace

KoordinListing ReadKoordin(const LoadedDriver& driver, const std::string& path,
                           const std::string& encoding, Diagnostics& diagnostics,
                           const std::string& shownAs) {
  const std::string& shown = shownAs.empty() ? path : shownAs;
  LimitedTextFile file;
  CFileException openError;
  if (!file.Open(path.c_str(), CFile::modeRead | CFile::typeText, &openError)) {
    throw FileError(DescribeFileError(shown, "cannot read", openError.m_lOsError));
  }
  // Recognition would take such a file's lines; the reading would find one line.
  if (EndsLinesInCarriageReturn(path)) throw FileError(shown + ": " + kCarriageReturnLines);
  KoordinListing listing;
  try {
    try {
      if (driver.IsFileOfMyType(&file) != kFIOSuccess)
        throw FileError(DescribeNotKoordin(path, shown, encoding));
      DriverSession session(driver);
      for (;;) {
        FIO_TPEntry turnpoint;
        FIO_Route route;  // owns the points the driver appends, and deletes them
        // A read from the file's beginning passes over the header first.
        const int nameLine = std::max(file.lineNumber, std::int32_t{koordin::kHeaderLines}) + 1;
        const std::int32_t result = driver.ReadObject(&file, &turnpoint, &route);
        if (result == kFIOReadEnd) break;
        if (turnpoint.number != -1) {  // the driver numbers every turnpoint slot it reads
          listing.turnpoints.push_back(ToWaypoint(turnpoint, nameLine, encoding, diagnostics));
          continue;
        }
        KoordinRoute read;
        read.slot = static_cast<int>(listing.routes.size()) + 1;
        read.line = nameLine;
        const std::string what = "route " + std::to_string(read.slot);
        read.name = Decode(route.name, encoding, what, diagnostics);
        for (const FIO_TPEntry* point : route.points) {
          read.points.push_back(Decode(point->name, encoding, what, diagnostics));
        }
        listing.routes.push_back(std::move(read));
      }
      CheckWhole(file, shown);
    } catch (const FIO_Error& fault) {
      bool fileEnded = false;
      try {
        CStringA rest;
        fileEnded = !file.ReadString(rest);
      } catch (const LineTooLong&) {  // the rest of an over-long header line
      }
      throw FileError(DescribeFault(path, shown, fault, encoding, fileEnded));
    }
  } catch (const LineTooLong& tooLong) {
    throw FileError(shown + ":" + std::to_string(tooLong.line) + ": a line of more than " +
                    std::to_string(kMaxLineLength) + " characters, which koordin does not read");
  } catch (CFileException* error) {
    const std::string message = DescribeFileError(shown, "cannot read", error->m_lOsError);
    error->Delete();
    throw FileError(message);
  }
  return listing;
}

}  // namespace koordin_cli
