#include "tools/koordin/io/file_io.h"

#include "tools/koordin/formats/format_support.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace koordin_cli {

namespace {

namespace fs = std::filesystem;

// The length of the UTF-8 character at byte `i` of `text`, or 0 when none begins there.
std::size_t Utf8Length(const std::string& text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t length = 0;
  unsigned int code = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    code = code << 6 | (next & 0x3F);
  }
  // no overlong form, no surrogate, nothing beyond U+10FFFF
  const unsigned int least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < least[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
  return length;
}

}  // namespace

std::string DescribeFileError(const std::string& path, const std::string& what, int error) {
  if (error <= 0) return path + ": " + what;  // no error number to tell why
  return path + ": " + what + ": " + std::strerror(error);
}

std::string ShownName(const std::string& path) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string shown;
  for (std::size_t i = 0; i < path.size();) {
    const std::size_t length = Utf8Length(path, i);
    if (length == 0) {  // a byte that is no UTF-8
      const auto byte = static_cast<unsigned char>(path[i++]);
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0xF];
      continue;
    }
    shown += Escaped(std::string_view(path).substr(i, length));
    i += length;
  }
  return shown;
}

std::string ShownInputName(const std::string& path) {
  return path == kStandardStream ? "(standard input)" : ShownName(path);
}

std::string ShownOutputName(const std::string& path) {
  return path == kStandardStream ? "(standard output)" : ShownName(path);
}

void PauseForTest(const char* stage) {
  static const std::string pause = [] {
    const char* setting = std::getenv("KOORDIN_PAUSE");
    return std::string(setting != nullptr ? setting : "");
  }();
  const std::size_t colon = pause.find(':');
  if (colon == std::string::npos || pause.compare(0, colon, stage) != 0) return;
  const int gate = open(pause.c_str() + colon + 1, O_RDONLY | O_CLOEXEC);
  if (gate < 0) return;
  char byte = 0;
  while (read(gate, &byte, 1) > 0 || errno == EINTR) {
    errno = 0;
  }
  close(gate);
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

OpenedInput::OpenedInput(const std::string& path) {
  if (path == kStandardStream) {
    stream_ = stdin;
    return;
  }
  stream_ = std::fopen(path.c_str(), "rb");
  if (stream_ == nullptr) {
    throw FileError(DescribeFileError(ShownInputName(path), "cannot read", errno));
  }
  struct stat status {};
  if (fstat(fileno(stream_), &status) == 0 && S_ISDIR(status.st_mode)) {
    std::fclose(stream_);
    throw FileError(DescribeFileError(ShownInputName(path), "cannot read", EISDIR));
  }
}

namespace {

// Reads for a stream made by fopencookie: a failure becomes EIO, as no exception may cross stdio.
ssize_t ReadSource(void* cookie, char* buffer, std::size_t size) {
  try {
    return static_cast<ssize_t>(static_cast<ByteSource*>(cookie)->Read(buffer, size));
  } catch (const FileError&) {
    errno = EIO;
    return -1;
  }
}

}  // namespace

OpenedInput::OpenedInput(const std::string& path, std::unique_ptr<ByteSource> source)
    : source_(std::move(source)) {
  source_->Rewind();
  stream_ = fopencookie(source_.get(), "rb",
                        cookie_io_functions_t{&ReadSource, nullptr, nullptr, nullptr});
  if (stream_ == nullptr)
    throw FileError(DescribeFileError(ShownInputName(path), "cannot read", errno));
}

OpenedInput::~OpenedInput() {
  if (stream_ != stdin) std::fclose(stream_);
}

}  // namespace koordin_cli
