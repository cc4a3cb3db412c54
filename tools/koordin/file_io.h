#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

// Reading koordin's inputs: whole files of bounded size, and standard input as a file.
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

// The largest file koordin reads whole (the formats other than KOORDIN, and KOORDIN files from
// standard input), about 9,000 CUP waypoints: converting it takes well under 64 MB, however the
// file is made.
inline constexpr std::size_t kMaxInputBytes = std::size_t{1} << 20;

// Reads a whole file of up to kMaxInputBytes; "-" reads standard input. Throws FileError naming
// the file when it cannot be read or is larger; a larger file, or one without end (/dev/zero), is
// not read beyond the limit.
std::string ReadWholeFile(const std::string& path);

// A file to read by name: `path` itself, or for "-" a temporary copy of standard input, removed
// when the object goes.
class NamedInput {
 public:
  // Throws FileError when standard input cannot be read or copied.
  explicit NamedInput(const std::string& path);
  NamedInput(const NamedInput&) = delete;
  NamedInput& operator=(const NamedInput&) = delete;
  ~NamedInput();

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool temporary_ = false;
};

}  // namespace koordin_cli
