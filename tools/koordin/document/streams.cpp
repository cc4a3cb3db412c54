#include "tools/koordin/document/streams.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace koordin_cli {

std::string TextRunInWords() {
  return std::to_string(kMaxTextRun >> 20) + " MiB";
}

std::size_t StringSource::Read(char* buffer, std::size_t size) {
  const std::size_t count = std::min(size, bytes_.size() - at_);
  std::memcpy(buffer, bytes_.data() + at_, count);
  at_ += count;
  return count;
}

void Replay(Document document, DocumentSink& sink) {
  if (sink.WantsWaypoints()) {
    for (Waypoint& waypoint : document.waypoints) sink.AddWaypoint(std::move(waypoint));
  }
  for (Task& task : document.tasks) sink.AddTask(std::move(task));
}

}  // namespace koordin_cli
