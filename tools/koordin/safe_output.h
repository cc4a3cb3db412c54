#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace koordin_cli {

// A file could not be read or written, or what it holds cannot be used; the message names the file
// and what went wrong.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file that appears under its name only when it is complete. The content is written to a new
// temporary file beside the target; Commit renames it into place. Until then, and whenever
// Commit is not reached, the target stays as it was, and the destructor removes the temporary.
class SafeOutput {
 public:
  // Creates the temporary file beside `target`. Throws FileError naming the target when it
  // cannot be created (no such folder, no permission), or when the target exists and is no
  // regular file (a folder, a device, a named pipe), which the new file would replace.
  explicit SafeOutput(const std::string& target);
  SafeOutput(const SafeOutput&) = delete;
  SafeOutput& operator=(const SafeOutput&) = delete;
  ~SafeOutput();

  // The temporary file, to be written by name and closed before Commit.
  const std::string& temporaryPath() const { return temporary_; }
  const std::string& target() const { return target_; }

  // Writes `bytes` as the whole content of the temporary file. Throws FileError naming the target.
  void WriteAll(std::string_view bytes);

  // Moves the written file into place. Throws FileError naming the target when that fails.
  void Commit();

 private:
  std::string target_;
  std::string temporary_;
  bool committed_ = false;
};

// The largest file koordin reads whole (the formats other than KOORDIN), about 9,000 CUP
// waypoints: converting it takes well under 64 MB, however the file is made.
inline constexpr std::size_t kMaxInputBytes = std::size_t{1} << 20;

// Reads a whole file of up to kMaxInputBytes. Throws FileError naming the file when it cannot be
// read or is larger; a larger file, or one without end (/dev/zero), is not read beyond the limit.
std::string ReadWholeFile(const std::string& path);

// "PATH: WHAT: REASON" for the error number `error` of a failed file operation.
std::string DescribeFileError(const std::string& path, const std::string& what, int error);

}  // namespace koordin_cli
