#include "tools/koordin/io/safe_output.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace koordin_cli {

namespace {

namespace fs = std::filesystem;

constexpr int kNameAttempts = 100;
constexpr mode_t kNewFileMode = 0666;  // less the umask, as any new file
constexpr mode_t kPermissionBits = 07777;

// A name for the temporary file in the target's folder: hidden, with the target's name and a
// random suffix, so that a stray one is recognisable and two runs do not meet.
std::string TemporaryName(const fs::path& target, std::mt19937& random) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix;
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  for (int i = 0; i < 6; ++i) suffix += kLetters[pick(random)];
  const fs::path name = "." + target.filename().string() + "." + suffix + ".tmp";
  return (target.parent_path() / name).string();
}

// renameat2's moves where the C library has them; elsewhere the exchange fails with EINVAL, as on a
// file system that cannot exchange two names.
#if defined(RENAME_EXCHANGE)
int Exchange(const char* from, const char* to) {
  return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_EXCHANGE);
}
int MoveNoReplace(const char* from, const char* to) {
  return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}
#else
int Exchange(const char*, const char*) {
  errno = EINVAL;
  return -1;
}
int MoveNoReplace(const char*, const char*) {
  errno = EINVAL;
  return -1;
}
#endif

// Writes the folder's entries to the disk, so that a rename in it survives a power cut. Some file
// systems cannot; the file itself is on the disk already.
void SyncFolder(const fs::path& file) {
  const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
  const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return;
  fsync(descriptor);
  close(descriptor);
}

}  // namespace

SafeOutput::SafeOutput(const std::string& target) : target_(target), replaced_(target) {
  struct stat link {};
  if (lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    std::error_code error;
    const fs::path linked = fs::canonical(target, error);
    struct stat end {};
    if (error && stat(target.c_str(), &end) == 0) {  // a pipe or socket, as /dev/stdout may be
      throw FileError(target + ": cannot write: not a regular file");
    }
    if (error) {
      throw FileError(target + ": cannot write: a link to " +
                      fs::read_symlink(target, error).string() + ", which does not exist");
    }
    replaced_ = linked.string();
  }
  struct stat existing {};
  const bool exists = stat(replaced_.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) {
    throw FileError(DescribeFileError(target, "cannot write", EISDIR));
  }
  // The new file is renamed into place: over a device or a named pipe it would take its place.
  if (exists && !S_ISREG(existing.st_mode)) {
    throw FileError(target + ": cannot write: not a regular file");
  }
  // A file the runner may not write is not replaced, although its folder would allow it.
  if (exists && access(replaced_.c_str(), W_OK) != 0) {
    throw FileError(DescribeFileError(target, "cannot write", errno));
  }
  std::mt19937 random(std::random_device{}());
  for (int attempt = 0; attempt < kNameAttempts && descriptor_ < 0; ++attempt) {
    const std::string candidate = TemporaryName(fs::path(replaced_), random);
    // Created here, never an existing file, nor a link that someone placed at the name.
    descriptor_ =
        open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kNewFileMode);
    if (descriptor_ >= 0) {
      temporary_ = candidate;
    } else if (errno != EEXIST) {
      throw FileError(DescribeFileError(target, "cannot write", errno));
    }
  }
  if (descriptor_ < 0) throw FileError(DescribeFileError(target, "cannot write", EEXIST));
  if (exists) {
    // The owner where the runner may give it (root may), else the group where it may; then the
    // permissions, which a change of owner can clear.
    if (fchown(descriptor_, existing.st_uid, existing.st_gid) != 0) {
      (void)!fchown(descriptor_, static_cast<uid_t>(-1), existing.st_gid);
    }
    fchmod(descriptor_, existing.st_mode & kPermissionBits);
  }
}

SafeOutput::~SafeOutput() {
  if (descriptor_ >= 0) close(descriptor_);
  if (!temporary_.empty()) std::remove(temporary_.c_str());
}

void SafeOutput::WriteAll(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(descriptor_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) throw FileError(DescribeFileError(target_, "cannot write", errno));
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

bool SafeOutput::Names(const std::string& path) const {
  struct stat written {};
  struct stat named {};
#if defined(__EMSCRIPTEN__)
  // The browser's in-memory files answer fstat by the name the file was opened under, which the
  // move into place takes away; nothing but this page writes them, so the name need only be there.
  (void)written;
  return lstat(path.c_str(), &named) == 0 && S_ISREG(named.st_mode);
#else
  return fstat(descriptor_, &written) == 0 && lstat(path.c_str(), &named) == 0 &&
         written.st_dev == named.st_dev && written.st_ino == named.st_ino;
#endif
}

void SafeOutput::Commit() {
  if (fsync(descriptor_) != 0) throw FileError(DescribeFileError(target_, "cannot write", errno));
  const FileError swapped(target_ + ": not written: its temporary file " + temporary_ +
                          " was replaced while koordin wrote it");
  // What someone put at the temporary name is never moved over the target: the name must still be
  // the file written, before the move and, where the file system can exchange two names
  // atomically, at the target after it, else the exchange is undone.
  if (!Names(temporary_)) throw swapped;
  const char* from = temporary_.c_str();
  const char* to = replaced_.c_str();
  if (Exchange(from, to) == 0) {
    if (!Names(replaced_)) {
      Exchange(from, to);
      throw swapped;
    }
    std::remove(from);  // the old target, now under the temporary name
  } else if (errno == ENOENT && MoveNoReplace(from, to) == 0) {
    if (!Names(replaced_)) {
      std::remove(to);  // the target did not exist before
      throw swapped;
    }
  } else if (errno == EINVAL || errno == ENOSYS) {  // a file system that cannot (FAT on a card)
    if (std::rename(from, to) != 0) {
      throw FileError(DescribeFileError(target_, "cannot write", errno));
    }
    if (!Names(replaced_)) throw swapped;
  } else {
    throw FileError(DescribeFileError(target_, "cannot write", errno));
  }
  temporary_.clear();
  const int closed = close(descriptor_);
  descriptor_ = -1;
  if (closed != 0) throw FileError(DescribeFileError(target_, "cannot write", errno));
  SyncFolder(fs::path(replaced_));
}

}  // namespace koordin_cli
