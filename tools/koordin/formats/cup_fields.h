#pragma once

#include "tools/koordin/document/document.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The fields of a CUP line, one at a time: pure functions that the CUP reader and writer use.
namespace koordin_cli {

// The fields of one CUP line, split at the commas outside double quotes.
struct CupFields {
  std::vector<std::string> fields;
  bool unclosedQuote = false;  // a field opened a quote that the line never closes
};

// Splits a CUP line. Blanks around a field are dropped. A quoted field keeps what is between its
// quotes, a doubled quote in it standing for one; a quote in it that is followed by neither a
// second quote nor the field's end is kept as a character, as written by tools that do not double
// them. A quote that is never closed is kept as a character too, and the field ends at the next
// comma.
CupFields SplitCupLine(std::string_view line);

// Where the field that starts at `start` of a CUP line ends, as SplitCupLine reads it: the index of
// the comma after it, or the line's size.
std::size_t CupFieldEnd(std::string_view line, std::size_t start);

// `text` as a CUP field: in double quotes with inner quotes doubled when `alwaysQuote` or when it
// holds a comma, a quote or blanks at either end. A line break becomes a literal "\n", since a CUP
// record is one line.
std::string CupField(std::string_view text, bool alwaysQuote);

enum class CupAxis { kLatitude, kLongitude };

// Degrees, north and east positive, of a CUP coordinate: DDMM.mmm and N or S for a latitude,
// DDDMM.mmm and E or W for a longitude. Throws std::invalid_argument saying what is wrong.
double ParseCupCoordinate(std::string_view text, CupAxis axis);

// False when `text` cannot be a CUP coordinate of `axis`, as it ends in no hemisphere letter of
// the axis: a header's column name is told from a coordinate without an exception.
bool EndsInHemisphere(std::string_view text, CupAxis axis);

// `degrees` as a CUP coordinate with the minutes rounded to three decimals, a rounding to 60
// minutes carrying into the degrees (51.9999999 gives "5200.000N"). Throws std::invalid_argument
// for a value beyond 90 or 180 degrees.
std::string FormatCupCoordinate(double degrees, CupAxis axis);

// Metres of a CUP elevation: a number with "m" or "ft" (any case; a bare number is metres), empty
// for an empty field. Throws std::invalid_argument for anything else.
std::optional<double> ParseCupElevation(std::string_view text);

// `metres` as a CUP elevation to a tenth of a metre ("287.0m"); empty when unknown.
std::string FormatCupElevation(std::optional<double> metres);

// The waypoint fields of a CUP file, in the order of the 14-column header.
enum class CupColumn {
  kName,
  kCode,
  kCountry,
  kLatitude,
  kLongitude,
  kElevation,
  kStyle,
  kRunwayDirection,
  kRunwayLength,
  kRunwayWidth,
  kFrequency,
  kDescription,
  kUserData,
  kPictures,
  kUnknown,  // a column that is not read
};

// The 14-column header that koordin writes.
extern const char* const kCupHeader;

// The column that a header word names, in any case and with blanks ignored ("lat", "Latitude",
// "Title", "Frequency", ...); kUnknown for any other word.
CupColumn CupColumnNamed(std::string_view word);

// The columns of a header line: by name where the word is known, else the column at that position
// in the usual layout, which is the 11-column one (without rwwidth, userdata and pics) for a
// header of 11 columns or fewer and the 14-column one otherwise. A column that an earlier one
// maps already is kUnknown.
std::vector<CupColumn> MapCupHeader(const std::vector<std::string>& header);

// The columns of a file without a header line whose first waypoint line has `fieldCount` fields.
std::vector<CupColumn> DefaultCupColumns(std::size_t fieldCount);

// The name of a column in the 14-column header ("lat"), for messages.
const char* CupColumnName(CupColumn column);

// True when `line` is the line that ends the waypoints and starts the tasks
// ("-----Related Tasks-----", in any case and with any number of dashes).
bool IsCupTaskSeparator(std::string_view line);

// True when `line` belongs to the task above it: an "Options" line or an "ObsZone=", "Point=" or
// "STARTS=" line, in any case.
bool IsCupTaskOptionLine(std::string_view line);

// The entries of a task that are flown, [first, last): all but its takeoff and landing (its first
// and last entries), or all of them when its observation zone lines number every entry, which
// says the author listed no takeoff or landing.
struct FlownRange {
  std::size_t first = 0;
  std::size_t last = 0;
};
FlownRange FlownPoints(const Task& task);

}  // namespace koordin_cli
