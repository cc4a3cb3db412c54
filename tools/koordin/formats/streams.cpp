#include "tools/koordin/formats/streams.h"

#include <algorithm>
#include <cstring>

namespace koordin_cli {

std::size_t StringSource::Read(char* buffer, std::size_t size) {
  const std::size_t count = std::min(size, bytes_.size() - at_);
  std::memcpy(buffer, bytes_.data() + at_, count);
  at_ += count;
  return count;
}

Document ReadWhole(ReadInto read, std::string_view bytes, Diagnostics& diagnostics) {
  StringSource source(bytes);
  DocumentCollector collector;
  read(source, diagnostics, collector);
  return std::move(collector.document);
}

std::string WriteWhole(MakeWriter make, const Document& document, Diagnostics& diagnostics) {
  std::string out;
  const std::unique_ptr<FormatWriter> writer = make(out, diagnostics);
  writer->Begin(document.tasks);
  for (const Waypoint& waypoint : document.waypoints) writer->AddWaypoint(waypoint);
  writer->End();
  return out;
}

std::string ReadAll(ByteSource& source) {
  std::string bytes;
  char buffer[1 << 16];
  while (const std::size_t count = source.Read(buffer, sizeof buffer)) bytes.append(buffer, count);
  return bytes;
}

}  // namespace koordin_cli
