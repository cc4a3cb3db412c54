#pragma once

#include "tools/koordin/document/streams.h"

#include <cstddef>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

// Reading koordin's inputs, of any size, a piece at a time; standard input as a file.
namespace koordin_cli {

// A file could not be read or written, or what it holds cannot be used; the message names the file
// and what went wrong.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "PATH: WHAT: REASON" for the error number `error` of a failed file operation.
std::string DescribeFileError(const std::string& path, const std::string& what, int error);

// The name by which the command line means standard input or standard output.
inline constexpr const char* kStandardStream = "-";

// A file's name as every message prints it: its control characters escaped ("\n", "\x1b"), as
// are bytes that are no UTF-8, so that a name can neither begin a line of its own nor drive a
// terminal.
std::string ShownName(const std::string& path);

// The name of `path` in messages: ShownName, or "(standard input)" or "(standard output)" for "-".
std::string ShownInputName(const std::string& path);
std::string ShownOutputName(const std::string& path);

// For tests, which make a run wait at a known point: when the environment's KOORDIN_PAUSE is
// "STAGE:PATH" and `stage` is STAGE, opens the named pipe PATH and waits until its writer closes
// it. Stages: "written" (a target's temporary file complete, not yet moved), "moved" (moved into
// place, not yet checked there).
void PauseForTest(const char* stage);

// A file read a piece at a time, as often as asked; "-" is standard input. What comes from a
// stream that cannot be read again (standard input, a pipe, a device) is kept in an unnamed
// temporary file as it is read, so that reading it again costs disk, not memory.
class FileSource : public ByteSource {
 public:
  // Throws FileError naming the file when it cannot be opened or is a folder.
  explicit FileSource(const std::string& path);
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  ~FileSource() override;

  // Throws FileError naming the file when reading fails.
  std::size_t Read(char* buffer, std::size_t size) override;
  void Rewind() override;

 private:
  std::string shown_;          // the file's name in messages
  std::FILE* file_ = nullptr;  // the file, or the stream
  std::FILE* kept_ = nullptr;  // what came from the stream so far; null for a file read again
  long position_ = 0;          // where the next Read begins, in what was kept
  long keptSize_ = 0;
};

// A file opened once, to be read once through: `path`, or standard input for "-"; a named pipe
// too.
class OpenedInput {
 public:
  // Throws FileError naming the file when it cannot be opened or is a folder.
  explicit OpenedInput(const std::string& path);
  // `path` read through `source` from its start: a stream whose first bytes were read already
  // goes on as it comes.
  OpenedInput(const std::string& path, std::unique_ptr<ByteSource> source);
  OpenedInput(const OpenedInput&) = delete;
  OpenedInput& operator=(const OpenedInput&) = delete;
  ~OpenedInput();

  std::FILE* stream() const { return stream_; }

 private:
  std::unique_ptr<ByteSource> source_;  // what stream_ reads, when made from a source
  std::FILE* stream_ = nullptr;
};

}  // namespace koordin_cli
