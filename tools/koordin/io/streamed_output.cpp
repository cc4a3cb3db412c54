#include "tools/koordin/io/streamed_output.h"

#include "tools/koordin/document/streams.h"
#include "tools/koordin/io/file_io.h"

#include <cerrno>
#include <ostream>

namespace koordin_cli {

StreamedOutput::StreamedOutput(const std::string& path, std::ostream& out) : out_(out) {
  if (path != kStandardStream) {
    file_ = std::make_unique<SafeOutput>(path);
    return;
  }
  held_.reset(std::tmpfile());
  if (!held_) throw FileError(DescribeFileError(ShownOutputName(path), "cannot keep", errno));
}

void StreamedOutput::Write(std::string& bytes) {
  if (file_) {
    file_->WriteAll(bytes);
  } else if (std::fwrite(bytes.data(), 1, bytes.size(), held_.get()) != bytes.size()) {
    throw FileError(DescribeFileError(ShownOutputName(kStandardStream), "cannot keep", errno));
  }
  bytes.clear();
}

bool StreamedOutput::Commit() {
  if (file_) {
    file_->Commit();
    return true;
  }
  std::rewind(held_.get());
  std::string piece(kPieceBytes, '\0');
  while (const std::size_t got = std::fread(piece.data(), 1, piece.size(), held_.get())) {
    if (!out_.write(piece.data(), static_cast<std::streamsize>(got))) return false;
  }
  return static_cast<bool>(out_.flush());
}

}  // namespace koordin_cli
