#pragma once

#include "tools/koordin/io/file_io.h"

#include <string>
#include <string_view>

namespace koordin_cli {

// A file that appears under its name only when it is complete. The content is written, through
// the descriptor that created it, to a new temporary file beside the target; Commit flushes it to
// the disk and renames it into place. Until then, and whenever Commit is not reached, the target
// stays as it was, and the destructor removes the temporary, as does SIGINT, SIGTERM or SIGHUP
// (the signal then ends the program as it would have).
//
// The temporary file's name is hidden and tells the target and the process: ".NAME.PID.RANDOM.tmp",
// NAME cut where the folder's names allow no more. One that a process killed outright left beside
// the target is removed by the next SafeOutput of that target, once its process is gone.
//
// Two writers of one target: the last one wins, and neither removes what the other made. A
// temporary file that someone replaced is never renamed; a target that another file takes at once
// after the rename is left as it is, and Commit says so.
//
// The new file keeps the target's permissions, and its owner and group where the runner may set
// them. A target that is a symbolic link is written through: the file it points to is replaced and
// the link stays.
class SafeOutput {
 public:
  // Creates the temporary file beside `target` (or beside the file it links to). Throws FileError
  // naming the target when it cannot be created (no such folder, a folder the runner may not
  // write, which it names), when the target exists and the runner may not write it, when it is a
  // link to nothing or a loop of links, and when it is no regular file (a folder, a device, a named
  // pipe), which the new file would replace.
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
  // Removes the temporary file when it is still the one written, and forgets it.
  void Discard();

  std::string target_;     // as given
  std::string shown_;      // the target in messages
  std::string replaced_;   // the file to replace: the target, or the file its link points to
  std::string temporary_;  // empty once renamed or removed
  int descriptor_ = -1;
  int pending_ = -1;  // its place among the files that a signal removes
};

// Removes the temporary files of `target`'s folder that a SafeOutput of `target` made in a process
// that has ended (or began after the file was last written) and did not remove. Only files of the
// runner's own are touched. Returns how many it removed.
int RemoveStaleTemporaries(const std::string& target);

}  // namespace koordin_cli
