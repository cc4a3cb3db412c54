// Feeds arbitrary bytes to the driver as a host would: recognition, then a whole read pass until
// the driver answers -1 or reports a malformed line. Any crash, sanitizer report or broken promise
// of the read pass is a finding.

#include "driver/fio_api.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace {

// A read pass has a call for each turnpoint and route slot, and one more that ends it.
constexpr int kMostCallsOfAPass = kFIOTurnpointCapacity + kFIORouteCapacity + 1;

// Aborts with `what`, so that libFuzzer keeps the input that broke the promise.
void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
  }
}

// The file the host opens: one for the whole run, rewritten for each input, so that the driver
// reads it through a text-mode stream exactly as a host's file. Removed when the run ends.
class InputFile {
 public:
  InputFile() {
    const char* folder = std::getenv("TMPDIR");
    path_ = std::string(folder != nullptr ? folder : "/tmp") + "/fuzz-read-XXXXXX";
    const int fd = mkstemp(path_.data());
    Require(fd >= 0, "a temporary file can be made");
    close(fd);
  }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile() { std::remove(path_.c_str()); }

  const char* Write(const std::uint8_t* data, std::size_t size) const {
    FILE* out = std::fopen(path_.c_str(), "wb");
    Require(out != nullptr, "the temporary file can be written");
    Require(std::fwrite(data, 1, size, out) == size, "the whole input is written");
    std::fclose(out);
    return path_.c_str();
  }

 private:
  std::string path_;
};

void Recognise(CHostTextFile& file) {
  try {
    const std::int32_t answer = FIO_IsFileOfMyType(&file);
    Require(answer == kFIOSuccess || answer == kFIONotHandled, "recognition answers yes or no");
    Require(file.GetPosition() == 0, "recognition leaves the file at its beginning");
  } catch (const FIO_Error& error) {
    Require(error.code == kFIOErrorCode && error.info == kFIOErrorInfo,
            "the fault's code and info");
    Require(error.message.IsEmpty(), "an over-long header line has no message");
    Require(error.line == 1 || error.line == 2, "an over-long header line is line 1 or 2");
  }
}

void ReadPass(CHostTextFile& file) {
  file.Seek(0, CFile::begin);
  FIO_TPEntry tp;
  FIO_Route route;  // deletes the route points the driver appends
  try {
    for (int call = 1;; ++call) {
      Require(call <= kMostCallsOfAPass,
              "a read pass ends after a call for each slot and one more");
      const std::int32_t result = FIO_ReadObject(&file, &tp, &route);
      if (result == kFIOReadEnd) break;
      Require(result == kFIOReadTurnpoint || result == kFIOReadRoute || result == kFIOReadEmptySlot,
              "a slot's result is a turnpoint, a route or an empty slot");
    }
  } catch (const FIO_Error& error) {
    Require(error.code == kFIOErrorCode && error.info == kFIOErrorInfo,
            "the fault's code and info");
    Require(!error.message.IsEmpty(), "a malformed slot names its field");
    // The host counts the lines it read: a file that ends before the slot gives 0.
    Require(error.line >= 0, "a malformed slot has a line number");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const InputFile input;
  const char* path = input.Write(data, size);
  FIO_InitDriver();
  {
    CHostTextFile file(path, CFile::modeRead | CFile::typeText);
    Recognise(file);
    ReadPass(file);
  }
  FIO_ExitDriver();
  return 0;
}
