#include "tools/koordin/io/safe_output.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace koordin_cli {

namespace {

namespace fs = std::filesystem;

constexpr int kNameAttempts = 100;
constexpr mode_t kNewFileMode = 0666;  // less the umask, as any new file
constexpr mode_t kPermissionBits = 07777;
constexpr long kDefaultNameMax = 255;
constexpr std::size_t kRandomLetters = 6;
constexpr const char* kTemporaryEnd = ".tmp";

// --- the temporary files that a signal removes

enum PendingState : int {
  kFree = 0,
  kWritten = 1,   // the file written: removed while the name still holds it
  kReplaced = 2,  // the old target, moved to the temporary name by the exchange: removed
};

// Files that a signal removes before the program ends. The handler reads only these, and only what
// was stored before the state that it reads.
struct PendingFile {
  volatile std::sig_atomic_t state = kFree;
  dev_t device = 0;
  ino_t inode = 0;
  char path[PATH_MAX] = {};
};

constexpr int kPendingFiles = 4;
PendingFile gPending[kPendingFiles];

extern "C" void RemovePendingFiles(int signal) {
  for (PendingFile& pending : gPending) {
    const int state = pending.state;
    std::atomic_signal_fence(std::memory_order_acquire);
    struct stat named {};
    if (state == kReplaced || (state == kWritten && lstat(pending.path, &named) == 0 &&
                               named.st_dev == pending.device && named.st_ino == pending.inode)) {
      unlink(pending.path);
    }
  }
  // The handler was reset on entry: the signal, blocked until the handler returns, then ends the
  // program as it would have.
  raise(signal);
}

void InstallSignalHandlers() {
#if defined(__EMSCRIPTEN__)
  (void)&RemovePendingFiles;  // the browser's page is never signalled
#else
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old {};
    if (sigaction(signal, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;  // nohup
    struct sigaction action {};
    action.sa_handler = &RemovePendingFiles;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(signal, &action, nullptr);
  }
#endif
}

// Takes a place for the file `path`, open as `descriptor`; -1 when there is none.
int AddPending(const std::string& path, int descriptor) {
  struct stat status {};
  if (path.size() >= PATH_MAX || fstat(descriptor, &status) != 0) return -1;
  for (int i = 0; i < kPendingFiles; ++i) {
    PendingFile& pending = gPending[i];
    if (pending.state != kFree) continue;
    std::memcpy(pending.path, path.c_str(), path.size() + 1);
    pending.device = status.st_dev;
    pending.inode = status.st_ino;
    std::atomic_signal_fence(std::memory_order_release);
    pending.state = kWritten;
    InstallSignalHandlers();
    return i;
  }
  return -1;
}

void SetPending(int index, PendingState state) {
  if (index < 0) return;
  std::atomic_signal_fence(std::memory_order_release);
  gPending[index].state = state;
}

// --- the temporary file's name

// The folder of `file`, "." for a file named without one.
fs::path FolderOf(const fs::path& file) {
  return file.parent_path().empty() ? fs::path(".") : file.parent_path();
}

// The longest name the folder takes.
std::size_t NameMax(const fs::path& folder) {
  errno = 0;
  const long most = pathconf(folder.c_str(), _PC_NAME_MAX);
  return static_cast<std::size_t>(most > 0 ? most : kDefaultNameMax);
}

// The part of the temporary name that follows the target's name: ".PID.RANDOM.tmp".
std::string NameEnd(long pid, const std::string& random) {
  return "." + std::to_string(pid) + "." + random + kTemporaryEnd;
}

// The target's name as the temporary's begins: cut, where the folder would not take the whole
// temporary name, at the start of a UTF-8 character.
std::string NameStart(const std::string& target, std::size_t endLength, std::size_t nameMax) {
  const std::size_t room = nameMax > endLength + 1 ? nameMax - endLength - 1 : 0;
  if (target.size() <= room) return target;
  std::size_t cut = room;
  while (cut > 0 && (static_cast<unsigned char>(target[cut]) & 0xC0) == 0x80) --cut;
  return target.substr(0, cut);
}

std::string RandomLetters(std::mt19937& random) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  std::string letters;
  for (std::size_t i = 0; i < kRandomLetters; ++i) letters += kLetters[pick(random)];
  return letters;
}

#if !defined(__EMSCRIPTEN__)  // the browser's page runs no other process, nor leaves files
// The process whose temporary file of `target` is named `name` in a folder of names of up to
// `nameMax` bytes; none when `name` is no such file's.
std::optional<long> OwnerOf(const std::string& name, const std::string& target,
                            std::size_t nameMax) {
  const std::size_t endLength = std::strlen(kTemporaryEnd);
  if (name.size() < 1 + endLength || name[0] != '.' ||
      name.compare(name.size() - endLength, endLength, kTemporaryEnd) != 0) {
    return std::nullopt;
  }
  const std::string inner = name.substr(1, name.size() - 1 - endLength);  // NAME.PID.RANDOM
  const std::size_t randomDot = inner.rfind('.');
  if (randomDot == std::string::npos || inner.size() - randomDot - 1 != kRandomLetters) {
    return std::nullopt;
  }
  const std::size_t pidDot = inner.rfind('.', randomDot - 1);
  if (pidDot == std::string::npos || pidDot + 1 == randomDot) return std::nullopt;
  const std::string pid = inner.substr(pidDot + 1, randomDot - pidDot - 1);
  if (pid.size() > 9 || pid.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const std::string start = inner.substr(0, pidDot);
  const std::string random = inner.substr(randomDot + 1);
  if (start != NameStart(target, NameEnd(std::stol(pid), random).size(), nameMax)) {
    return std::nullopt;
  }
  return std::stol(pid);
}

// When the process `pid` began, in seconds since the epoch; none where the system does not say.
std::optional<std::time_t> ProcessStart(long pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return std::nullopt;
  const std::size_t name = line.rfind(')');  // the command's name may hold blanks
  if (name == std::string::npos) return std::nullopt;
  std::istringstream fields(line.substr(name + 1));
  std::string field;
  unsigned long long ticks = 0;
  // the state is field 3, the start in clock ticks after the boot field 22
  for (int number = 3; number <= 22 && fields >> field; ++number) {
    if (number == 22) ticks = std::stoull(field);
  }
  std::ifstream system("/proc/stat");
  for (std::string key; system >> key;) {
    if (key != "btime") continue;
    long long boot = 0;
    const long perSecond = sysconf(_SC_CLK_TCK);
    if (!(system >> boot) || perSecond <= 0 || ticks == 0) return std::nullopt;
    return static_cast<std::time_t>(boot + static_cast<long long>(ticks) / perSecond);
  }
  return std::nullopt;
}

// Whether a file last changed at `changed` may be written still by the process `pid`: it runs,
// and began before then. A process of the same number that began later is another.
bool MayStillWrite(long pid, std::time_t changed) {
  if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return false;
  const std::optional<std::time_t> start = ProcessStart(pid);
  constexpr std::time_t kClockSlack = 2;  // the boot time and the ticks are whole seconds
  return !start || *start <= changed + kClockSlack;
}
#endif

// --- replacing

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
  const int descriptor = open(FolderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor < 0) return;
  fsync(descriptor);
  close(descriptor);
}

// Why a file cannot be made in the folder of `file`: the folder named when it is the reason.
std::string CannotCreate(const std::string& shown, const fs::path& file, int error) {
  if (error != EACCES && error != EPERM && error != EROFS) {
    return DescribeFileError(shown, "cannot write", error);
  }
  return shown + ": cannot write: its folder " + ShownName(FolderOf(file).string()) +
         " takes no new file (" + std::strerror(error) +
         "), and koordin writes the new file beside the old one";
}

}  // namespace

int RemoveStaleTemporaries(const std::string& target) {
#if defined(__EMSCRIPTEN__)
  (void)target;
  return 0;
#else
  const fs::path path(target);
  const fs::path folder = FolderOf(path);
  const std::string name = path.filename().string();
  const std::size_t nameMax = NameMax(folder);
  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr) return 0;
  int removed = 0;
  while (const dirent* entry = readdir(listing)) {
    const std::optional<long> owner = OwnerOf(entry->d_name, name, nameMax);
    if (!owner || *owner == getpid()) continue;
    const std::string stale = (folder / entry->d_name).string();
    struct stat status {};
    if (lstat(stale.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_uid != geteuid()) {
      continue;
    }
    if (MayStillWrite(*owner, status.st_mtime)) continue;
    if (unlink(stale.c_str()) == 0) ++removed;
  }
  closedir(listing);
  return removed;
#endif
}

SafeOutput::SafeOutput(const std::string& target)
    : target_(target), shown_(ShownName(target)), replaced_(target) {
  struct stat link {};
  if (lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    std::error_code error;
    const fs::path linked = fs::canonical(target, error);
    if (error.value() == ELOOP) {
      throw FileError(shown_ + ": cannot write: a loop of links (" + shown_ + " links to " +
                      ShownName(fs::read_symlink(target, error).string()) + ")");
    }
    struct stat end {};
    if (error && stat(target.c_str(), &end) == 0) {  // a pipe or socket, as /dev/stdout may be
      throw FileError(shown_ + ": cannot write: not a regular file");
    }
    if (error) {
      throw FileError(shown_ + ": cannot write: a link to " +
                      ShownName(fs::read_symlink(target, error).string()) +
                      ", which does not exist");
    }
    replaced_ = linked.string();
  }
  struct stat existing {};
  const bool exists = stat(replaced_.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) {
    throw FileError(DescribeFileError(shown_, "cannot write", EISDIR));
  }
  // The new file is renamed into place: over a device or a named pipe it would take its place.
  if (exists && !S_ISREG(existing.st_mode)) {
    throw FileError(shown_ + ": cannot write: not a regular file");
  }
  // A file the runner may not write is not replaced, although its folder would allow it.
  if (exists && access(replaced_.c_str(), W_OK) != 0) {
    throw FileError(DescribeFileError(shown_, "cannot write", errno));
  }
  RemoveStaleTemporaries(replaced_);
  const fs::path replaced(replaced_);
  const fs::path folder = FolderOf(replaced);
  const std::size_t nameMax = NameMax(folder);
  std::mt19937 random(std::random_device{}());
  for (int attempt = 0; attempt < kNameAttempts && descriptor_ < 0; ++attempt) {
    const std::string end = NameEnd(static_cast<long>(getpid()), RandomLetters(random));
    const std::string name = "." + NameStart(replaced.filename().string(), end.size(), nameMax);
    const std::string candidate = (replaced.parent_path() / (name + end)).string();
    // Created here, never an existing file, nor a link that someone placed at the name.
    descriptor_ =
        open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kNewFileMode);
    if (descriptor_ >= 0) {
      temporary_ = candidate;
    } else if (errno != EEXIST) {
      throw FileError(CannotCreate(shown_, replaced, errno));
    }
  }
  if (descriptor_ < 0) throw FileError(DescribeFileError(shown_, "cannot write", EEXIST));
  pending_ = AddPending(temporary_, descriptor_);
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
  Discard();
  if (descriptor_ >= 0) close(descriptor_);
}

void SafeOutput::Discard() {
  if (!temporary_.empty() && Names(temporary_)) std::remove(temporary_.c_str());
  temporary_.clear();
  SetPending(pending_, kFree);
  pending_ = -1;
}

void SafeOutput::WriteAll(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = write(descriptor_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) throw FileError(DescribeFileError(shown_, "cannot write", errno));
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
  if (fsync(descriptor_) != 0) throw FileError(DescribeFileError(shown_, "cannot write", errno));
  PauseForTest("written");
  // What someone put at the temporary name is never moved over the target, nor removed.
  if (!Names(temporary_)) {
    const std::string name = ShownName(temporary_);
    temporary_.clear();
    throw FileError(shown_ + ": not written: its temporary file " + name +
                    " was replaced while koordin wrote it; what is there now is left as it is");
  }
  // Another file at the target right after the move: a writer that came later, or one that put
  // its file at the temporary name in the moment before. It is left as it is.
  const FileError taken(shown_ + ": not written: another file took its place at once, and is " +
                        "left as it is");
  const char* from = temporary_.c_str();
  const char* to = replaced_.c_str();
  for (int attempt = 0;; ++attempt) {
    if (Exchange(from, to) == 0) {
      // The old target, now under the temporary name, goes as a rename would take it.
      SetPending(pending_, kReplaced);
      PauseForTest("moved");
      const bool ours = Names(replaced_);
      std::remove(from);
      temporary_.clear();
      SetPending(pending_, kFree);
      if (!ours) throw taken;
      break;
    }
    if (errno == ENOENT && MoveNoReplace(from, to) == 0) {
      temporary_.clear();
      PauseForTest("moved");
      if (!Names(replaced_)) throw taken;
      break;
    }
    // A target made after the exchange found none: exchanged with it instead.
    if (errno == EEXIST && attempt < kNameAttempts) continue;
    if (errno != EINVAL && errno != ENOSYS) {  // else a file system that cannot (FAT on a card)
      throw FileError(DescribeFileError(shown_, "cannot write", errno));
    }
    if (std::rename(from, to) != 0) {
      throw FileError(DescribeFileError(shown_, "cannot write", errno));
    }
    temporary_.clear();
    PauseForTest("moved");
    if (!Names(replaced_)) throw taken;
    break;
  }
  SetPending(pending_, kFree);
  pending_ = -1;
  const int closed = close(descriptor_);
  descriptor_ = -1;
  if (closed != 0) throw FileError(DescribeFileError(shown_, "cannot write", errno));
  SyncFolder(fs::path(replaced_));
}

}  // namespace koordin_cli
