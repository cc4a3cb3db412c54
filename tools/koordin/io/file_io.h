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

// The name of `path` in messages: "(standard input)" or "(standard output)" for "-".
std::string ShownInputName(const std::string& path);
std::string ShownOutputName(const std::string& path);

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

// A file to read by name: `path` itself, or a temporary copy, removed when the object goes, of
// standard input for "-", and of a stream that has been read from already: a copy of what `read`
// gives from its start, when it is given and `path` is "-" or no regular file.
class NamedInput {
 public:
  // Throws FileError when the input cannot be read or copied.
  explicit NamedInput(const std::string& path, ByteSource* read = nullptr);
  NamedInput(const NamedInput&) = delete;
  NamedInput& operator=(const NamedInput&) = delete;
  ~NamedInput();

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool temporary_ = false;
};

}  // namespace koordin_cli
