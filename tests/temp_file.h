#pragma once

#include <cstdio>
#include <fstream>
#include <string>

#include <unistd.h>

// A file in the temporary folder with the given bytes, removed when the object goes.
class TempFile {
 public:
  explicit TempFile(const std::string& bytes = "") {
    char pattern[] = "/tmp/vp6fio-test-XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd >= 0) close(fd);
    path_ = pattern;
    std::ofstream(path_, std::ios::binary) << bytes;
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() { std::remove(path_.c_str()); }

  const char* path() const { return path_.c_str(); }
  std::string Contents() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::string path_;
};
