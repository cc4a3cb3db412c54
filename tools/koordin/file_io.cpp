#include "tools/koordin/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include <unistd.h>

namespace koordin_cli {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kChunk = std::size_t{64} << 10;

struct FileCloser {
  void operator()(std::FILE* file) const {
    if (file != stdin) std::fclose(file);
  }
};

std::string TooLarge(const std::string& shown) {
  return shown + ": too large: koordin reads files of up to " +
         std::to_string(kMaxInputBytes >> 20) + " MiB";
}

}  // namespace

std::string DescribeFileError(const std::string& path, const std::string& what, int error) {
  if (error <= 0) return path + ": " + what;  // no error number to tell why
  return path + ": " + what + ": " + std::strerror(error);
}

std::string ShownInputName(const std::string& path) {
  return path == kStandardStream ? "(standard input)" : path;
}

std::string ShownOutputName(const std::string& path) {
  return path == kStandardStream ? "(standard output)" : path;
}

std::string ReadWholeFile(const std::string& path) {
  const std::string shown = ShownInputName(path);
  std::unique_ptr<std::FILE, FileCloser> file;
  if (path == kStandardStream) {
    file.reset(stdin);
  } else {
    std::error_code status;
    if (fs::is_directory(path, status)) {
      throw FileError(DescribeFileError(shown, "cannot read", EISDIR));
    }
    file.reset(std::fopen(path.c_str(), "rb"));
    if (!file) throw FileError(DescribeFileError(shown, "cannot read", errno));
  }
  std::string bytes;
  std::error_code status;
  const std::uintmax_t size = path == kStandardStream ? 0 : fs::file_size(path, status);
  if (!status && size > kMaxInputBytes) throw FileError(TooLarge(shown));
  // Sized to the file when it tells its size; one byte beyond the limit tells a larger one.
  bytes.reserve(!status && size > 0 ? static_cast<std::size_t>(size) + 1 : kChunk);
  while (bytes.size() <= kMaxInputBytes) {
    const std::size_t old = bytes.size();
    const std::size_t want = std::min(kChunk, kMaxInputBytes + 1 - old);
    bytes.resize(old + want);
    const std::size_t got = std::fread(bytes.data() + old, 1, want, file.get());
    bytes.resize(old + got);
    if (got < want) break;
  }
  if (std::ferror(file.get())) throw FileError(DescribeFileError(shown, "cannot read", errno));
  if (bytes.size() > kMaxInputBytes) throw FileError(TooLarge(shown));
  return bytes;
}

NamedInput::NamedInput(const std::string& path) : path_(path) {
  if (path != kStandardStream) return;
  const std::string bytes = ReadWholeFile(path);
  const char* folder = std::getenv("TMPDIR");
  std::string pattern =
      (fs::path(folder != nullptr && *folder != '\0' ? folder : "/tmp") / "koordin-stdin-XXXXXX")
          .string();
  const int descriptor = mkstemp(pattern.data());
  if (descriptor < 0) throw FileError(DescribeFileError("(standard input)", "cannot keep", errno));
  path_ = pattern;
  temporary_ = true;
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(descriptor, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      close(descriptor);
      throw FileError(DescribeFileError("(standard input)", "cannot keep", error));
    }
    written += static_cast<std::size_t>(n);
  }
  close(descriptor);
}

NamedInput::~NamedInput() {
  if (temporary_) std::remove(path_.c_str());
}

}  // namespace koordin_cli
