#include "tools/koordin/safe_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

namespace koordin_cli {

namespace {

namespace fs = std::filesystem;

constexpr int kNameAttempts = 100;

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

}  // namespace

std::string DescribeFileError(const std::string& path, const std::string& what, int error) {
  if (error <= 0) return path + ": " + what;  // no error number to tell why
  return path + ": " + what + ": " + std::strerror(error);
}

SafeOutput::SafeOutput(const std::string& target) : target_(target) {
  std::error_code status;
  const fs::file_status existing = fs::status(target, status);
  if (fs::is_directory(existing)) {
    throw FileError(DescribeFileError(target, "cannot write", EISDIR));
  }
  // The new file is renamed into place: over a device or a named pipe it would take its place.
  if (fs::exists(existing) && !fs::is_regular_file(existing)) {
    throw FileError(target + ": cannot write: not a regular file");
  }
  std::mt19937 random(std::random_device{}());
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string candidate = TemporaryName(fs::path(target), random);
    // "x": created here, never an existing file.
    if (std::FILE* file = std::fopen(candidate.c_str(), "wbx")) {
      std::fclose(file);
      temporary_ = candidate;
      return;
    }
    if (errno != EEXIST) throw FileError(DescribeFileError(target, "cannot write", errno));
  }
  throw FileError(DescribeFileError(target, "cannot write", EEXIST));
}

SafeOutput::~SafeOutput() {
  if (!committed_ && !temporary_.empty()) std::remove(temporary_.c_str());
}

void SafeOutput::WriteAll(std::string_view bytes) {
  std::FILE* file = std::fopen(temporary_.c_str(), "wb");
  if (file == nullptr) throw FileError(DescribeFileError(target_, "cannot write", errno));
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const int writeError = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written) throw FileError(DescribeFileError(target_, "cannot write", writeError));
  if (!closed) throw FileError(DescribeFileError(target_, "cannot write", errno));
}

void SafeOutput::Commit() {
  std::error_code error;
  fs::rename(temporary_, target_, error);
  if (error) throw FileError(target_ + ": cannot write: " + error.message());
  committed_ = true;
}

std::string ReadWholeFile(const std::string& path) {
  std::error_code status;
  if (fs::is_directory(path, status))
    throw FileError(DescribeFileError(path, "cannot read", EISDIR));
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError(DescribeFileError(path, "cannot read", errno));
  // One byte beyond the limit tells a larger file.
  std::string bytes(kMaxInputBytes + 1, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) throw FileError(DescribeFileError(path, "cannot read", errno));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  if (bytes.size() > kMaxInputBytes) {
    throw FileError(path + ": too large: koordin reads files of up to " +
                    std::to_string(kMaxInputBytes >> 20) + " MiB");
  }
  return bytes;
}

}  // namespace koordin_cli
