#pragma once

#include "tools/koordin/io/safe_output.h"

#include <cstdio>
#include <iosfwd>
#include <memory>
#include <string>

namespace koordin_cli {

// What a conversion writes, as it is made: into the target's temporary file (SafeOutput), or for
// standard output ("-") into a temporary file of its own, copied out when all went well, so that a
// run that fails or is refused under --strict leaves nothing behind, as one that writes at once.
class StreamedOutput {
 public:
  // Throws FileError naming the target when it cannot be written.
  StreamedOutput(const std::string& path, std::ostream& out);

  // Writes what `bytes` holds and empties it. Throws FileError naming the target.
  void Write(std::string& bytes);

  // Puts the file in place. False when standard output did not take it, which its caller reports.
  bool Commit();

 private:
  std::ostream& out_;
  std::unique_ptr<SafeOutput> file_;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> held_{nullptr, &std::fclose};
};

}  // namespace koordin_cli
