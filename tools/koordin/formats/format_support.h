#pragma once

#include "tools/koordin/document/document.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Helpers that the format readers and writers share. None of them does any I/O.
namespace koordin_cli {

// Places after the decimal point that the decimal formats keep: 7 places of a degree are about
// a centimetre, 3 places of a metre a millimetre.
constexpr int kDegreeDecimals = 7;
constexpr int kMetreDecimals = 3;

// The highest CUP waypoint style (21, paraglider landing); styles run from 0, unknown.
constexpr int kLastStyle = 21;

// The text fields of a waypoint besides its name, by their member names, which the JSON keys and
// the GPX extension elements use.
struct WaypointText {
  const char* key;
  std::string Waypoint::*member;
};
const std::vector<WaypointText>& WaypointTexts();

// `text` without blanks and tabs at either end.
std::string_view TrimBlanks(std::string_view text);

// `text` without trailing blanks and the control characters 0x09 to 0x0D.
std::string TrimRight(std::string text);

// True when every byte of `text` is an ASCII digit (also when it is empty).
bool AllDigits(std::string_view text);

// `c` in lower case when it is an ASCII letter; any other byte as it is.
char LowerAscii(char c);

// True when `a` and `b` are equal but for the case of ASCII letters.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// `text` as people search for it: in lower case, and the Latin letters with accents or strokes
// (U+00C0 to U+017F) as the ASCII letters they are written with ("Łódź" gives "lodz").
std::string SearchKey(std::string_view text);

// `words` as a list in words: "a, b and c" with `conjunction` "and".
std::string JoinedInWords(const std::vector<std::string>& words, const char* conjunction);

// `text` as a field of a comma-separated line: in double quotes, inner quotes doubled, when
// `always` or when it holds a comma, a quote or a line end, or blanks at either end.
std::string CsvField(std::string_view text, bool always = false);

// The coordinates' limits, in degrees either side of zero.
inline constexpr double kMaxLatitude = 90.0;
inline constexpr double kMaxLongitude = 180.0;

// `value` rounded to `decimals` places, halves away from zero.
double RoundDecimal(double value, int decimals);

// `value` rounded to `decimals` places, in its shortest form ("51.1305", "873", "-0.5"), with "."
// as the decimal point whatever the locale.
std::string FormatDecimal(double value, int decimals);

// The finite number that is the whole of `text` ("." as the decimal point, an optional sign, no
// blanks); empty when `text` is no such number.
std::optional<double> ParseDecimal(std::string_view text);

// The whole number that is the whole of `text`; empty when `text` is no such number.
std::optional<long long> ParseInteger(std::string_view text);

// The length in bytes of the control character at byte `i` of UTF-8 `text` (C0, DEL or C1), or 0
// when there is none.
std::size_t ControlCharacterAt(std::string_view text, std::size_t i);

// `text` with its control characters written as escapes ("\n", "\r", "\t", "\x1b", "\u0085"), so
// that printing it moves no line and drives no terminal.
std::string Escaped(std::string_view text);

// `text` escaped, in double quotes, for messages.
std::string Quoted(std::string_view text);

// `text` with its line breaks (CR and LF) as blanks, for a format whose texts are one line.
std::string Flattened(std::string text);

// `text` on one line, for a format whose texts are one line: its line breaks written as blanks,
// with a warning naming `what` ("waypoint "A", its description").
std::string OnOneLine(std::string text, std::string_view what, Diagnostics& diagnostics);

// UTF-8 `text` in Windows-1252, for a format whose files are: a character the set lacks is
// transliterated or becomes "?", with a warning naming `what`.
std::string InWindows1252(std::string_view text, std::string_view what, Diagnostics& diagnostics);

// `bytes` without a leading UTF-8 byte-order mark.
std::string_view WithoutByteOrderMark(std::string_view bytes);

// The first `count` lines of `head`, the first bytes of a file, without their line ends (LF,
// CR LF or a lone CR) and without a leading UTF-8 byte-order mark; fewer when it holds fewer. A
// line that runs to the end of `head` is given as far as it goes.
std::vector<std::string_view> HeadLines(std::string_view head, std::size_t count);

// The name of the root element of an XML document whose first bytes are `head`, without a
// namespace prefix; empty when `head` shows none.
std::string_view XmlRootElement(std::string_view head);

// Throws FormatError at `line`, naming `datum`, unless it is WGS 84: koordin moves no coordinates
// from one datum to another.
void CheckWgs84(std::string_view datum, int line);

// How often something was found in a file: the count, the line of the first and what it was.
struct Tally {
  std::size_t count = 0;
  int line = 0;
  std::string example;
  void Add(int at, std::string_view what = {}) {
    if (count++ == 0) {
      line = at;
      example = what;
    }
  }
};

// "line N: message", the form of every warning about a place in a file.
std::string AtLine(int line, std::string_view message);

// Throws FormatError at `line` unless `latitude` and `longitude` are finite degrees within
// -90..90 and -180..180.
void CheckCoordinates(double latitude, double longitude, int line);

// Throws FormatError (line 0, naming the waypoint) unless the coordinates of `waypoint` are within
// range: a writer's check of a document that no reader made.
void CheckWaypointToWrite(const Waypoint& waypoint);

// `style` when it is a known waypoint style, else 0 with a warning at `line`.
int KnownStyle(long long style, int line, Diagnostics& diagnostics);

// The waypoint names of a file being read, with the line of each, so that a reader can warn about
// a name used twice and about task points that name no waypoint. It keeps a 64-bit hash of each
// name, not the name: at most 32 bytes a name however long, for files of millions of waypoints. Two
// names of a million share a hash with a chance of about one in ten million, which would give a
// false warning.
class NameIndex {
 public:
  // Records `name`, read at `line`; warns when an earlier line used it already.
  void Add(const std::string& name, int line, Diagnostics& diagnostics);

  bool Contains(const std::string& name) const;

  // Warns about each point of `task` (read at `line`) that names no waypoint, and about an empty
  // point anywhere but first or last, where a CUP task leaves out its takeoff or landing.
  void CheckTask(const Task& task, int line, Diagnostics& diagnostics) const;

 private:
  // The slot of `hash` in the table: where it is, or the empty one where it would go.
  std::size_t SlotOf(std::uint64_t hash) const;

  // Open addressing, at most three quarters full; a hash of 0 marks an empty slot.
  std::vector<std::uint64_t> hashes_;
  std::vector<int> lines_;
  std::size_t count_ = 0;
};

}  // namespace koordin_cli
