#pragma once

#include "tools/koordin/document/document.h"

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
  // Says that a waypoint begins on `line` of the source: what the reader warns about until the
  // next call concerns it, and it is the next waypoint added, if the reader adds it.
  virtual void BeginWaypoint(int /*line*/) {}
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

// Gives a document read whole to a sink, as a reader would.
void Replay(Document document, DocumentSink& sink);

// The bytes read or written at a time: a file goes through memory in pieces of this size.
inline constexpr std::size_t kPieceBytes = std::size_t{64} << 10;

// The longest line, token or text a reader takes: beyond it a file is no waypoint file, and reading
// on would only take memory.
inline constexpr std::size_t kMaxTextRun = std::size_t{1} << 20;

// kMaxTextRun in words for messages: "1 MiB".
std::string TextRunInWords();

}  // namespace koordin_cli
