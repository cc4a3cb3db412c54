#pragma once

#include "tools/koordin/formats/document.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Files of any size read and written in pieces: the readers hand what they read to a sink as they
// go, the writers make their bytes a waypoint at a time, so that a conversion never needs the
// whole file, or the whole document, in memory.
namespace koordin_cli {

// A file's bytes, a piece at a time, from its start as often as asked.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `size` further bytes into `buffer`; 0 at the end. Throws what reading the file
  // throws.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
  // Reads from the start again.
  virtual void Rewind() = 0;
};

// The bytes of a string in memory.
class StringSource : public ByteSource {
 public:
  explicit StringSource(std::string_view bytes) : bytes_(bytes) {}
  std::size_t Read(char* buffer, std::size_t size) override;
  void Rewind() override { at_ = 0; }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
};

// Receives what a reader reads, in the file's order.
class DocumentSink {
 public:
  virtual ~DocumentSink() = default;
  virtual void AddWaypoint(Waypoint waypoint) = 0;
  virtual void AddTask(Task task) = 0;
  // False when the sink takes no waypoints: a reader may then pass over the lines of waypoints
  // without reading them, and without their warnings.
  virtual bool WantsWaypoints() const { return true; }
};

// Keeps all that a reader reads.
class DocumentCollector : public DocumentSink {
 public:
  void AddWaypoint(Waypoint waypoint) override {
    document.waypoints.push_back(std::move(waypoint));
  }
  void AddTask(Task task) override { document.tasks.push_back(std::move(task)); }
  Document document;
};

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

// The bytes read or written at a time: a file goes through memory in pieces of this size.
inline constexpr std::size_t kPieceBytes = std::size_t{64} << 10;

// The longest line, token or text a reader takes: beyond it a file is no waypoint file, and reading
// on would only take memory.
inline constexpr std::size_t kMaxTextRun = std::size_t{1} << 20;

// kMaxTextRun in words for messages: "1 MiB".
std::string TextRunInWords();

// One line of a text, without its line end, and its 1-based number.
struct TextLine {
  int number;
  std::string_view text;
};

// The lines of a text file as UTF-8, read a piece at a time: split at LF, CR LF and a lone CR (a
// line end at the very end starts no further line), without a leading byte-order mark. The bytes
// are taken as they are when the whole file is UTF-8, which a first pass over the source tells,
// else read as Windows-1252, with a warning, and one more naming each line with a byte that is no
// Windows-1252 character (read as "?").
class TextLines {
 public:
  // Reads `source` from its start. Throws FormatError for a line longer than kMaxTextRun.
  TextLines(ByteSource& source, Diagnostics& diagnostics);
  // The next line, or false at the end; its text stays until the next call. Throws FormatError for
  // a line longer than kMaxTextRun.
  bool Next(TextLine& line);

 private:
  bool NextRaw(TextLine& line);  // the next line as the file has it
  void Start();

  ByteSource& source_;
  std::string buffer_;  // bytes read and not yet given out, from `at_`
  std::size_t at_ = 0;
  bool ended_ = false;  // the source has no more
  int number_ = 0;
  bool utf8_ = true;
  std::string converted_;  // the line given out, when it had to be converted
};

}  // namespace koordin_cli
