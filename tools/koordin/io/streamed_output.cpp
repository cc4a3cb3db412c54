#include "tools/koordin/io/streamed_output.h"

#include "tools/koordin/document/streams.h"
#include "tools/koordin/io/file_io.h"

#include <cerrno>
#include <climits>
#include <ostream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace koordin_cli {

namespace {

constexpr int kMostLinks = 40;  // as the kernel follows

// N when `path` is a descriptor's own name: /dev/fd/N, /proc/self/fd/N, /proc/PID/fd/N of this
// process.
std::optional<int> DescriptorOfName(const std::string& path) {
  const std::string prefixes[] = {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/",
                                  "/proc/" + std::to_string(getpid()) + "/fd/"};
  for (const std::string& prefix : prefixes) {
    if (path.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string number = path.substr(prefix.size());
    if (number.empty() || number.size() > 9 ||
        number.find_first_not_of("0123456789") != std::string::npos) {
      return std::nullopt;
    }
    return std::stoi(number);
  }
  return std::nullopt;
}

// Writes all of `bytes` to `descriptor`; false, with errno set, when it cannot.
bool WriteAllTo(int descriptor, const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(descriptor, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

std::optional<int> NamedDescriptor(const std::string& path) {
  std::string at = path;
  for (int link = 0; link <= kMostLinks; ++link) {
    if (const std::optional<int> descriptor = DescriptorOfName(at)) return descriptor;
    char target[PATH_MAX];
    const ssize_t length = readlink(at.c_str(), target, sizeof target - 1);
    if (length < 0) return std::nullopt;
    target[length] = '\0';
    const std::string::size_type slash = at.rfind('/');
    at = target[0] == '/' || slash == std::string::npos ? std::string(target)
                                                        : at.substr(0, slash + 1) + target;
  }
  return std::nullopt;
}

bool IsStandardOutput(const std::string& path) {
  return path == kStandardStream || NamedDescriptor(path) == STDOUT_FILENO;
}

StreamedOutput::StreamedOutput(const std::string& path, std::ostream& out)
    : shown_(ShownOutputName(path)), out_(out) {
  if (path != kStandardStream) {
    struct stat status {};
    if (const std::optional<int> named = NamedDescriptor(path)) {
      if (fcntl(*named, F_GETFL) < 0) {
        throw FileError(DescribeFileError(shown_, "cannot write", errno));
      }
      descriptor_ = *named;
    } else if (stat(path.c_str(), &status) == 0 &&
               (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode))) {
      descriptor_ = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
      if (descriptor_ < 0) throw FileError(DescribeFileError(shown_, "cannot write", errno));
      ownsDescriptor_ = true;
    } else {
      file_ = std::make_unique<SafeOutput>(path);
      return;
    }
  }
  held_.reset(std::tmpfile());
  if (!held_) throw FileError(DescribeFileError(shown_, "cannot keep", errno));
}

StreamedOutput::~StreamedOutput() {
  if (ownsDescriptor_) close(descriptor_);
}

void StreamedOutput::Write(std::string& bytes) {
  if (file_) {
    file_->WriteAll(bytes);
  } else if (std::fwrite(bytes.data(), 1, bytes.size(), held_.get()) != bytes.size()) {
    throw FileError(DescribeFileError(shown_, "cannot keep", errno));
  }
  bytes.clear();
}

bool StreamedOutput::Commit() {
  if (file_) {
    file_->Commit();
    return true;
  }
  std::rewind(held_.get());
  if (descriptor_ >= 0) out_.flush();  // what went before it on the same stream comes first
  std::string piece(kPieceBytes, '\0');
  while (const std::size_t got = std::fread(piece.data(), 1, piece.size(), held_.get())) {
    if (descriptor_ < 0) {
      if (!out_.write(piece.data(), static_cast<std::streamsize>(got))) return false;
    } else if (!WriteAllTo(descriptor_, piece.data(), got)) {
      throw FileError(DescribeFileError(shown_, "cannot write", errno));
    }
  }
  if (descriptor_ < 0) return static_cast<bool>(out_.flush());
  return true;
}

}  // namespace koordin_cli
