#pragma once

#include "tools/koordin/formats/formats.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

// The format modules, a file each, whose readers and writers the format table (format_table.cpp)
// puts in its rows; what of a document each has no place for is in its row.
namespace koordin_cli {

// The KOORDIN file, which only the driver reads and writes, is told by its two header lines.
bool RecogniseKoordin(std::string_view head);

// CUP waypoint files with their task section. Input is UTF-8, or Windows-1252 when it is not
// valid UTF-8; output is UTF-8 with CR LF line ends and the 14-column header. Columns are found by
// their header names; a waypoint line without a name or with coordinates that cannot be read is
// skipped with a warning naming its line. A task's option, zone and start lines are kept verbatim
// and written back after it; "???" for its takeoff or landing is read as none.
void ReadCupInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink);
std::unique_ptr<FormatWriter> MakeCupWriter(std::string& out, Diagnostics& diagnostics);
// A header that names the latitude column and a waypoint line after it with a CUP latitude, or a
// waypoint line first.
bool RecogniseCup(std::string_view head);

// GPX 1.1: waypoints (wpt) and routes (rte, their points matched to the waypoints by name).
// A waypoint's name, elevation (ele), description (desc, else cmt) and style (as sym) are GPX's own
// elements; its other fields but the slot travel in the wpt's extensions, in koordin's own
// namespace. On writing, each route point gets the coordinates of the waypoint of its name; an
// empty point (a CUP task without takeoff or landing) is left out, a name that is no waypoint is
// left out with a warning. A task's takeoff and landing (none when its zones number every entry)
// are marked as such in the route point's extensions, and its CUP option lines travel in the
// route's. On reading, a route's points are all to fly but for those marked takeoff and landing
// (the task read has an empty one where there is none); a route point whose name no wpt has becomes
// a waypoint itself; tracks and unknown point elements are warned about, not read. A text or markup
// of more than 1 MiB, elements nested too deep and entity declarations are refused rather than
// held.
void ReadGpxInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink);
std::unique_ptr<FormatWriter> MakeGpxWriter(std::string& out, Diagnostics& diagnostics);
// An XML document whose root element is gpx.
bool RecogniseGpx(std::string_view head);

// CSV (RFC 4180 quoting, CR LF, UTF-8 or else Windows-1252 on reading): the header
// name,code,country,latitude,longitude,elevation_m,style,frequency,description,marked, then one
// line per waypoint with signed decimal degrees; tasks in a second table after a blank line, under
// the header task,points, one line per task with its name and its points (empty ones too). koordin
// writes "#" as a first field before each line of the task table (#,task,points), so that readers
// of waypoint CSV that skip comment lines pass over it; line breaks in its fields become blanks,
// with a warning. Both forms are read. Columns are read by their header names in any order.
void ReadCsvInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink);
std::unique_ptr<FormatWriter> MakeCsvWriter(std::string& out, Diagnostics& diagnostics);
// A header line with the name, latitude and longitude columns.
bool RecogniseCsv(std::string_view head);

// JSON: {"waypoints": [...], "tasks": [...]}, UTF-8. A waypoint is an object with every field of
// Waypoint under its member name ("elevation" in metres or null); a task is {"name", "points"} and
// "cupOptions" when it has any. Keys that are not read are warned about; a value of the wrong
// kind is a FormatError at the line of its key. Read as a stream: a string or number longer than
// kMaxTextRun bytes, as many bytes without either, or objects and arrays nested deeper than
// kMaxJsonDepth are a FormatError at their line.
void ReadJsonInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink);
std::unique_ptr<FormatWriter> MakeJsonWriter(std::string& out, Diagnostics& diagnostics);
inline constexpr std::size_t kMaxJsonDepth = 1000;
// An object whose first key is "waypoints" or "tasks".
bool RecogniseJson(std::string_view head);

// CUPX: a zip archive of a CUP file, POINTS.CUP, and the pictures it names; often two archives one
// after the other, the pictures first. The CUP file is read as ReadCupInto reads one, inflated a
// piece at a time (zip_archive.h); the pictures are counted in one warning, not read. No writer:
// without its pictures a CUPX file holds what a CUP file does.
void ReadCupxInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink);
// A zip archive.
bool RecogniseCupx(std::string_view head);

// WinPilot waypoint files (.dat): "number,latitude,longitude,altitude,flags,name,comment" a line,
// DD:MM:SS or DD:MM.mmm and a hemisphere letter, altitudes with M or F (feet), "*" comment lines;
// UTF-8, else Windows-1252, on reading, UTF-8 with CR LF line ends on writing. The flags give CUP
// styles (A an airfield, L without A an outlanding, else a waypoint; dat.cpp has the whole
// mapping), and the styles flags. A name or comment is written in CUP's quotes only where a comma,
// a line break, a leading quote or blanks at either end need them; a comment of commas without
// quotes is read to the end of the line. A line that cannot be read is skipped with a warning, a
// file of which none can be read is refused.
void ReadDatInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink);
std::unique_ptr<FormatWriter> MakeDatWriter(std::string& out, Diagnostics& diagnostics);
inline constexpr unsigned kDatLost = kCodePart | kCountryPart | kRunwayPart | kFrequencyPart |
                                     kUserDataPart | kPicturesPart | kMarkerPart | kSlotPart |
                                     kTasksPart | kCupOptionsPart;
// A first line, comment lines passed, with a number and a WinPilot latitude and longitude.
bool RecogniseDat(std::string_view head);

// XCSoar task files (.tsk): one task of Start, Turn and Finish points, each with the name, comment,
// altitude and place of its waypoint. Read, the task and its waypoints; observation zones,
// alternative starts and the task's rules are warned about, not read. Written, the first task and
// the waypoints its points name, with the others warned about (tsk.cpp says which).
void ReadTskInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink);
std::unique_ptr<FormatWriter> MakeTskWriter(std::string& out, Diagnostics& diagnostics);
inline constexpr unsigned kTskLost = kCodePart | kCountryPart | kStylePart | kRunwayPart |
                                     kFrequencyPart | kUserDataPart | kPicturesPart | kMarkerPart |
                                     kSlotPart | kCupOptionsPart;
// An XML document whose root element is Task.
bool RecogniseTsk(std::string_view head);

// OziExplorer waypoint files (.wpt): four header lines, the second naming the datum, then a
// waypoint a line, its fields between commas: number, name, latitude and longitude in degrees,
// date, display fields, description, more display fields and the altitude in feet (-777 for none).
// Read as UTF-8 when they are, else as Windows-1252, in which they are written, with CR LF. A
// datum other than WGS 84 is refused; texts hold no comma, and their byte 209 ("Ñ") stands for one.
// A waypoint line that cannot be read is skipped with a warning naming its line.
void ReadOziInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink);
std::unique_ptr<FormatWriter> MakeOziWriter(std::string& out, Diagnostics& diagnostics);
inline constexpr unsigned kOziLost = kCodePart | kCountryPart | kStylePart | kRunwayPart |
                                     kFrequencyPart | kUserDataPart | kPicturesPart | kMarkerPart |
                                     kSlotPart | kTasksPart | kCupOptionsPart;
// A first line "OziExplorer Waypoint File Version ...", in any case.
bool RecogniseOzi(std::string_view head);

// CompeGPS waypoint files (.wpt): a line a record, its kind first. G names the datum, U the form
// of the coordinates (1 degrees, 0 UTM), each W is a waypoint: its name, the UTM zone ("A" for
// degrees), the two coordinates (degrees with a degree sign and the hemisphere's letter, or
// easting and northing), a date and time, the altitude in metres and the description to the end
// of the line; w lines, how a waypoint is shown, are passed over. Read as UTF-8 when they are,
// else as Windows-1252, in which they are written, with CR LF, in degrees. A datum other than
// WGS 84 is refused; a name holds no blank, and its "_" stands for one.
void ReadCompeGpsInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink);
std::unique_ptr<FormatWriter> MakeCompeGpsWriter(std::string& out, Diagnostics& diagnostics);
inline constexpr unsigned kCompeGpsLost = kCodePart | kCountryPart | kStylePart | kRunwayPart |
                                          kFrequencyPart | kUserDataPart | kPicturesPart |
                                          kMarkerPart | kSlotPart | kTasksPart | kCupOptionsPart;
// A G line, first or after a B line, then a U line.
bool RecogniseCompeGps(std::string_view head);

}  // namespace koordin_cli
