#pragma once

#include "tools/koordin/document/document.h"
#include "tools/koordin/document/streams.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The file formats koordin converts between, besides KOORDIN itself, which only the driver reads
// and writes. Each reader reads a source into a sink (streams.h), or a whole file's bytes into a
// document, and throws FormatError with the line of the first fault it cannot read past; what it
// can read past goes to `diagnostics`. Each writer makes the file a waypoint at a time, or returns
// the whole file's bytes, warns about whatever of the document the format cannot hold, and throws
// FormatError (line 0, naming the waypoint) for coordinates beyond 90 or 180 degrees.
namespace koordin_cli {

// Writes one format: Begin, every waypoint, then End, which writes the tasks. Each call appends the
// bytes it makes to the string the writer was made with, for the caller to take away as it likes;
// warnings go to the diagnostics it was made with.
class FormatWriter {
 public:
  virtual ~FormatWriter() = default;
  // `tasks`: those End will write, known first so that a writer keeps of the waypoints only what
  // their points need.
  virtual void Begin(const std::vector<Task>& tasks) = 0;
  virtual void AddWaypoint(const Waypoint& waypoint) = 0;
  virtual void End() = 0;
};

// Makes a format's writer, appending to `out`.
using MakeWriter = std::unique_ptr<FormatWriter> (*)(std::string& out, Diagnostics& diagnostics);

// Reads a format from a source, from where it stands, into a sink. Throws FormatError with the line
// of the first fault it cannot read past.
using ReadInto = void (*)(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink);

// The whole document that `read` makes of `bytes`.
Document ReadWhole(ReadInto read, std::string_view bytes, Diagnostics& diagnostics);

// The whole file that `make`'s writer makes of `document`.
std::string WriteWhole(MakeWriter make, const Document& document, Diagnostics& diagnostics);

// CUP waypoint files with their task section. Input is UTF-8, or Windows-1252 when it is not
// valid UTF-8; output is UTF-8 with CR LF line ends and the 14-column header. Columns are found by
// their header names; a waypoint line without a name or with coordinates that cannot be read is a
// FormatError. A task's option, zone and start lines are kept verbatim and written back after it.
// The marker and slot of a waypoint have no place in CUP.
Document ReadCup(std::string_view bytes, Diagnostics& diagnostics);
std::string WriteCup(const Document& document, Diagnostics& diagnostics);
void ReadCupInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink);
std::unique_ptr<FormatWriter> MakeCupWriter(std::string& out, Diagnostics& diagnostics);

// GPX 1.1: waypoints (wpt) and routes (rte, their points matched to the waypoints by name).
// A waypoint's name, elevation (ele), description (desc, else cmt) and style (as sym) are GPX's own
// elements; its other fields but the slot travel in the wpt's extensions, in koordin's own
// namespace. On writing, each route point gets the coordinates of the waypoint of its name; an
// empty point (a CUP task without takeoff or landing) is left out, a name that is no waypoint is
// left out with a warning. A task's takeoff and landing are marked as such in the route point's
// extensions, and its CUP option lines travel in the route's. On reading, a route's points are
// all to fly but for those marked takeoff and landing (the task read has an empty one where there
// is none); a route point whose name no wpt has becomes a waypoint itself; tracks and unknown
// point elements are warned about, not read. A text or markup of more than 1 MiB, elements nested
// too deep and entity declarations are refused rather than held.
Document ReadGpx(std::string_view bytes, Diagnostics& diagnostics);
std::string WriteGpx(const Document& document, Diagnostics& diagnostics);
void ReadGpxInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink);
std::unique_ptr<FormatWriter> MakeGpxWriter(std::string& out, Diagnostics& diagnostics);

// CSV (RFC 4180 quoting, CR LF, UTF-8 or else Windows-1252 on reading): the header
// name,code,country,latitude,longitude,elevation_m,style,frequency,description,marked, then one
// line per waypoint with signed decimal degrees; tasks in a second table after a blank line, under
// the header task,points, one line per task with its name and its points (empty ones too). koordin
// writes "#" as a first field before each line of the task table (#,task,points), so that readers
// of waypoint CSV that skip comment lines pass over it; line breaks in its fields become blanks,
// with a warning. Both forms are read.
// Columns are read by their header names in any order. Runways, CUP user data, pictures and
// option lines have no column and are left out with a warning; the slot is not kept.
Document ReadCsv(std::string_view bytes, Diagnostics& diagnostics);
std::string WriteCsv(const Document& document, Diagnostics& diagnostics);
void ReadCsvInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink);
std::unique_ptr<FormatWriter> MakeCsvWriter(std::string& out, Diagnostics& diagnostics);

// JSON: {"waypoints": [...], "tasks": [...]}, UTF-8. A waypoint is an object with every field of
// Waypoint under its member name ("elevation" in metres or null); a task is {"name", "points"} and
// "cupOptions" when it has any. Keys that are not read are warned about; a value of the wrong
// kind is a FormatError at the line of its key. Read as a stream: a string or number longer than
// kMaxTextRun bytes, as many bytes without either, or objects and arrays nested deeper than
// kMaxJsonDepth are a FormatError at their line.
Document ReadJson(std::string_view bytes, Diagnostics& diagnostics);
std::string WriteJson(const Document& document, Diagnostics& diagnostics);
void ReadJsonInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink);
std::unique_ptr<FormatWriter> MakeJsonWriter(std::string& out, Diagnostics& diagnostics);
inline constexpr std::size_t kMaxJsonDepth = 1000;

// A file format koordin knows: the name that --from, --to and file extensions give, and its reader
// and writer. KOORDIN's are null: only the driver reads and writes the KOORDIN file.
struct FileFormat {
  const char* name;
  ReadInto read;
  MakeWriter writer;
  bool otherCharsets;  // its files come in character sets other than UTF-8 (--input-encoding)
  bool IsKoordin() const { return read == nullptr; }
};

// Every format, KOORDIN ("lst") first.
const std::vector<FileFormat>& FileFormats();

// The format named `name` (any case), or null.
const FileFormat* FindFormat(std::string_view name);

// The format that the extension of `path` names, or null.
const FileFormat* FormatOfPath(const std::string& path);

// The formats' names, "lst, cup, gpx, csv, json", for messages.
std::string FormatList();

}  // namespace koordin_cli
