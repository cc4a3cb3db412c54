#pragma once

#include "tools/koordin/document/document.h"
#include "tools/koordin/document/streams.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The file formats koordin converts between, in one table: KOORDIN, which only the driver reads and
// writes, and a module each for the others (format_modules.h). Each reader reads a source into a
// sink (streams.h) and throws FormatError with the line of the first fault it cannot read past;
// what it can read past goes to `diagnostics`. Each writer makes the file a waypoint at a time,
// warns about whatever of the document the format cannot hold, and throws FormatError (line 0,
// naming the waypoint) for coordinates beyond 90 or 180 degrees.
namespace koordin_cli {

// Writes one format: Begin, every waypoint, then End, which writes the tasks. Each call appends the
// bytes it makes to the string the writer was made with, for the caller to take away as it likes;
// warnings go to the diagnostics it was made with.
// How many waypoints and tasks a written file holds.
struct HeldCounts {
  std::size_t waypoints = 0;
  std::size_t tasks = 0;
};

class FormatWriter {
 public:
  virtual ~FormatWriter() = default;
  // `tasks`: those End will write, known first so that a writer keeps of the waypoints only what
  // their points need; they stay, unchanged, until End has run, and a writer does not copy them.
  virtual void Begin(const std::vector<Task>& tasks) = 0;
  virtual void AddWaypoint(const Waypoint& waypoint) = 0;
  virtual void End() = 0;
  // Once End has run, what the file holds when the writer keeps less than its format has a place
  // for (some of the tasks, the waypoints of one); null when it holds all it was given.
  virtual std::optional<HeldCounts> Held() const { return std::nullopt; }
};

// Makes a format's writer, appending to `out`.
using MakeWriter = std::unique_ptr<FormatWriter> (*)(std::string& out, Diagnostics& diagnostics);

// Reads a format from a source, from where it stands, into a sink. Throws FormatError with the line
// of the first fault it cannot read past.
using ReadInto = void (*)(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink);

// The parts of a document that a format may have no place for. A format module's writer warns
// about each part it leaves out, but for the slot, a place in a KOORDIN file.
enum DocumentPart : unsigned {
  kCodePart = 1U << 0,
  kCountryPart = 1U << 1,
  kElevationPart = 1U << 2,
  kStylePart = 1U << 3,
  kRunwayPart = 1U << 4,  // direction, length and width
  kFrequencyPart = 1U << 5,
  kDescriptionPart = 1U << 6,
  kUserDataPart = 1U << 7,
  kPicturesPart = 1U << 8,
  kMarkerPart = 1U << 9,
  kSlotPart = 1U << 10,
  kTasksPart = 1U << 11,
  kCupOptionsPart = 1U << 12,  // a task's option, zone and start lines
};

// The first bytes of a file that a recogniser looks at, at most.
inline constexpr std::size_t kHeadBytes = std::size_t{4} << 10;

// True when the first bytes of a file (`head`, at most kHeadBytes, the whole file when shorter)
// show it to be of a format.
using Recognise = bool (*)(std::string_view head);

// A file format koordin knows, a row of the format table. KOORDIN's reader and writer are null:
// only the driver reads and writes the KOORDIN file. A format that koordin reads and does not
// write has a reader and no writer.
struct FileFormat {
  const char* name;                     // what --from and --to take, lower case
  const char* title;                    // as people write it: "CUP"
  const char* description;              // one line, after the title
  std::vector<std::string> extensions;  // lower case, without the dot; the first one is written
  ReadInto read;
  MakeWriter writer;
  bool otherCharsets;  // its files come in character sets other than UTF-8 (--input-encoding)
  unsigned lost;       // the DocumentParts it has no place for
  // Tells its files by their first bytes; null for a format whose files show nothing of their own.
  Recognise recognise = nullptr;
  bool IsKoordin() const { return read == nullptr; }
  bool Writes() const { return IsKoordin() || writer != nullptr; }
};

// Every format, KOORDIN ("lst") first.
const std::vector<FileFormat>& FileFormats();

// The format named `name` (any case), or null.
const FileFormat* FindFormat(std::string_view name);

// The formats whose files have the extension of `path` (any case), in the table's order: none, one,
// or more where formats share an extension (.wpt).
std::vector<const FileFormat*> FormatsOfPath(const std::string& path);

// The format that the extension of `path` names when it names exactly one, or null.
const FileFormat* FormatOfPath(const std::string& path);

// The first format of the table that recognises `head` as its own, or null.
const FileFormat* FormatOfContent(std::string_view head);

// The formats' names for messages, the last two joined by `last`: "lst, cup, gpx, csv, json", or
// "lst, cup, gpx, csv and json"; only those koordin writes when `written`.
std::string FormatList(const char* last = ", ", bool written = false);

// The titles of the formats whose files come in other character sets, the last two joined by
// `last`: "CUP and CSV".
std::string OtherCharsetTitles(const char* last);

}  // namespace koordin_cli
