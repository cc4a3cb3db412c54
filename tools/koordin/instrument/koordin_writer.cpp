#include "tools/koordin/instrument/koordin_writer.h"

#include "koordin/layout.h"
#include "tools/koordin/io/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace koordin_cli {

namespace {

// `bytes` with every line ended in CR LF, as the driver's text stream writes them on Windows,
// whatever the system.
std::string EndLinesWithCrLf(const std::string& bytes) {
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 8);
  std::size_t from = 0;
  for (std::size_t end; (end = bytes.find('\n', from)) != std::string::npos; from = end + 1) {
    text.append(bytes, from, end - from);
    if (end == 0 || bytes[end - 1] != '\r') text += '\r';
    text += '\n';
  }
  text.append(bytes, from, std::string::npos);
  return text;
}

// A stream whose bytes stay in memory: the driver's output, read back whole when it is complete.
class HeldStream {
 public:
  HeldStream() : stream_(open_memstream(&data_, &size_)) {}
  HeldStream(const HeldStream&) = delete;
  HeldStream& operator=(const HeldStream&) = delete;
  ~HeldStream() {
    if (stream_ != nullptr) std::fclose(stream_);
    std::free(data_);
  }

  std::FILE* get() const { return stream_; }

  // Puts every byte written into `bytes`. False, with errno set, when they cannot all be had.
  bool Take(std::string& bytes) {
    if (std::fflush(stream_) != 0) return false;
    bytes.assign(data_, size_);
    return true;
  }

 private:
  char* data_ = nullptr;  // open_memstream's buffer, valid after each flush
  std::size_t size_ = 0;
  std::FILE* stream_;
};

}  // namespace

std::string WriteKoordin(const LoadedDriver& driver, const KoordinPlan& plan,
                         const std::string& displayPath) {
  const auto fail = [&](int error) {
    return FileError(DescribeFileError(displayPath, "cannot write", error));
  };
  // The driver writes to a stream, which holds its bytes in memory until they are checked.
  HeldStream stream;
  if (!stream.get()) throw fail(errno);
  CHostTextFile file(stream.get());
  try {
    DriverSession session(driver);
    FIO_HeaderRequest request;
    request.stage = kFIOStageFileStart;
    driver.WriteHeader(&file, &request);
    for (const PlannedTurnpoint& planned : plan.turnpoints) {
      FIO_TPEntry turnpoint;
      turnpoint.name = planned.name;
      turnpoint.latitude = static_cast<float>(planned.latitude);
      turnpoint.longitude = static_cast<float>(planned.longitude);
      turnpoint.altitude = planned.altitude;
      turnpoint.frequency = planned.frequency;
      if (planned.marked) turnpoint.flags = koordin::kMarkedFlags;
      driver.WriteTP(&file, &turnpoint);
    }
    request.stage = kFIOStageTurnpointsDone;
    driver.WriteHeader(&file, &request);
    for (const PlannedRoute& planned : plan.routes) {
      FIO_Route route;
      route.name = planned.name;
      for (const PlannedPoint& point : planned.points) {
        AppendRoutePoint(route, point.name.c_str(), 0.0F, 0.0F, point.kind);
      }
      driver.WriteRoute(&file, &route);
    }
    request.stage = kFIOStageRoutesDone;
    driver.WriteHeader(&file, &request);
  } catch (CFileException* error) {
    const LONG osError = error->m_lOsError;
    error->Delete();
    throw fail(osError);
  }
  std::string bytes;
  if (!stream.Take(bytes)) throw fail(errno);
  // A line end inside a text field would shift every line after it: the instrument would misread
  // the file. What koordin passes the driver holds none; this makes sure.
  // Lines ended by LF, CR LF or a lone CR, as a reader takes them.
  auto lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
  for (std::size_t cr = bytes.find('\r'); cr != std::string::npos; cr = bytes.find('\r', cr + 1)) {
    if (cr + 1 == bytes.size() || bytes[cr + 1] != '\n') ++lines;
  }
  const bool ended = !bytes.empty() && bytes.back() == '\n';
  if (lines != static_cast<std::size_t>(koordin::kFileLines) || !ended) {
    throw FileError(displayPath + ": not written: the driver wrote " + std::to_string(lines) +
                    " lines, not " + std::to_string(koordin::kFileLines));
  }
  return EndLinesWithCrLf(bytes);
}

}  // namespace koordin_cli