#pragma once

#include "tools/koordin/io/file_io.h"

#include <string>
#include <string_view>

namespace koordin_cli {

// A file that appears under its name only when it is complete. The content is written, through
// the descriptor that created it, to a new temporary file beside the target; Commit flushes it to
// the disk and renames it into place. Until then, and whenever Commit is not reached, the target
// stays as it was, and the destructor removes the temporary.
//
// The new file keeps the target's permissions, and its owner and group where the runner may set
// them. A target that is a symbolic link is written through: the file it points to is replaced and
// the link stays.
class SafeOutput {
 public:
  // Creates the temporary file beside `target` (or beside the file it links to). Throws FileError
  // naming the target when it cannot be created (no such folder, no permission), when the target
  // exists and the runner may not write it, when it is a link to nothing, and when it is no
  // regular file (a folder, a device, a named pipe), which the new file would replace.
  explicit SafeOutput(const std::string& target);
  SafeOutput(const SafeOutput&) = delete;
  SafeOutput& operator=(const SafeOutput&) = delete;
  ~SafeOutput();

  // Appends `bytes` to the temporary file. Throws FileError naming the target.
  void WriteAll(std::string_view bytes);

  // Moves the written file into place. Throws FileError naming the target when that fails.
  void Commit();

 private:
  // True when `path` names the file being written.
  bool Names(const std::string& path) const;

  std::string target_;     // as given, for messages
  std::string replaced_;   // the file to replace: the target, or the file its link points to
  std::string temporary_;  // empty once renamed
  int descriptor_ = -1;
};

}  // namespace koordin_cli
