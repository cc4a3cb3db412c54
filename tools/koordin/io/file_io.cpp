#include "tools/koordin/io/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace koordin_cli {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kChunk = kPieceBytes;

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

FileSource::FileSource(const std::string& path) : shown_(ShownInputName(path)) {
  if (path == kStandardStream) {
    file_ = stdin;
  } else {
    std::error_code status;
    if (fs::is_directory(path, status)) {
      throw FileError(DescribeFileError(shown_, "cannot read", EISDIR));
    }
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) throw FileError(DescribeFileError(shown_, "cannot read", errno));
  }
  struct stat status {};
  if (fstat(fileno(file_), &status) == 0 && S_ISREG(status.st_mode)) return;
  kept_ = std::tmpfile();
  if (kept_ == nullptr) {
    const int error = errno;
    if (file_ != stdin) std::fclose(file_);
    throw FileError(DescribeFileError(shown_, "cannot keep what is read", error));
  }
}

FileSource::~FileSource() {
  if (file_ != stdin) std::fclose(file_);
  if (kept_ != nullptr) std::fclose(kept_);
}

std::size_t FileSource::Read(char* buffer, std::size_t size) {
  if (kept_ != nullptr && position_ < keptSize_) {
    const std::size_t want = std::min(size, static_cast<std::size_t>(keptSize_ - position_));
    if (std::fseek(kept_, position_, SEEK_SET) != 0 || std::fread(buffer, 1, want, kept_) != want) {
      throw FileError(DescribeFileError(shown_, "cannot read again what was kept", errno));
    }
    position_ += static_cast<long>(want);
    return want;
  }
  const std::size_t got = std::fread(buffer, 1, size, file_);
  if (got == 0 && std::ferror(file_))
    throw FileError(DescribeFileError(shown_, "cannot read", errno));
  if (kept_ != nullptr && got > 0) {
    if (std::fseek(kept_, 0, SEEK_END) != 0 || std::fwrite(buffer, 1, got, kept_) != got) {
      throw FileError(DescribeFileError(shown_, "cannot keep what is read", errno));
    }
    keptSize_ += static_cast<long>(got);
    position_ = keptSize_;
  }
  return got;
}

void FileSource::Rewind() {
  position_ = 0;
  if (kept_ == nullptr) std::rewind(file_);
}

NamedInput::NamedInput(const std::string& path, ByteSource* read) : path_(path) {
  if (path != kStandardStream) {
    std::error_code status;
    if (read == nullptr || fs::is_regular_file(path, status)) return;
  }
  const std::string shown = ShownInputName(path);
  const char* folder = std::getenv("TMPDIR");
  std::string pattern =
      (fs::path(folder != nullptr && *folder != '\0' ? folder : "/tmp") / "koordin-stdin-XXXXXX")
          .string();
  const int descriptor = mkstemp(pattern.data());
  if (descriptor < 0) throw FileError(DescribeFileError(shown, "cannot keep", errno));
  try {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> copy(fdopen(descriptor, "wb"), &std::fclose);
    if (!copy) {
      const int error = errno;
      close(descriptor);
      throw FileError(DescribeFileError(shown, "cannot keep", error));
    }
    char buffer[kChunk];
    if (read != nullptr) read->Rewind();
    while (const std::size_t got = read != nullptr ? read->Read(buffer, sizeof buffer)
                                                   : std::fread(buffer, 1, sizeof buffer, stdin)) {
      if (std::fwrite(buffer, 1, got, copy.get()) != got) {
        throw FileError(DescribeFileError(shown, "cannot keep", errno));
      }
    }
    if (read == nullptr && std::ferror(stdin)) {
      throw FileError(DescribeFileError(shown, "cannot read", errno));
    }
    if (std::fclose(copy.release()) != 0) {
      throw FileError(DescribeFileError(shown, "cannot keep", errno));
    }
  } catch (...) {  // the object is never made: nothing else removes the copy
    std::remove(pattern.c_str());
    throw;
  }
  path_ = pattern;
  temporary_ = true;
}

NamedInput::~NamedInput() {
  if (temporary_) std::remove(path_.c_str());
}

}  // namespace koordin_cli
