#pragma once

#include "tools/koordin/io/safe_output.h"

#include <cstdio>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

namespace koordin_cli {

// The descriptor that `path` names, following its links: /dev/stdout, /dev/stderr, /dev/fd/N,
// /proc/self/fd/N; none for any other path.
std::optional<int> NamedDescriptor(const std::string& path);

// True when what is written to `path` goes to standard output: "-", or a name of descriptor 1.
bool IsStandardOutput(const std::string& path);

// What a conversion writes, as it is made: into the target's temporary file (SafeOutput); or, for
// a target that is no file to replace (standard output "-", a name of an open descriptor, a
// character device or a named pipe), into a temporary file of its own, written through the
// stream when all went well, at its place, so that a descriptor opened to append is appended to
// and nothing is replaced. A run that fails or is refused under --strict so leaves nothing
// behind, as one that writes at once.
class StreamedOutput {
 public:
  // Throws FileError naming the target when it cannot be written.
  StreamedOutput(const std::string& path, std::ostream& out);
  ~StreamedOutput();

  // Writes what `bytes` holds and empties it. Throws FileError naming the target.
  void Write(std::string& bytes);

  // Puts the file in place. False when standard output did not take it, which its caller reports;
  // throws FileError naming another target that did not.
  bool Commit();

 private:
  std::string shown_;
  std::ostream& out_;
  std::unique_ptr<SafeOutput> file_;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> held_{nullptr, &std::fclose};
  int descriptor_ = -1;  // the stream to write through, when it is no "-"
  bool ownsDescriptor_ = false;
};

}  // namespace koordin_cli
