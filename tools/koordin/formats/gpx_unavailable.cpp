// GPX in a build without an XML parser (WebAssembly, where the browser page parses GPX itself).

#include "tools/koordin/formats/formats.h"

namespace koordin_cli {

namespace {

constexpr const char* kNoGpx = "GPX is not available in this build of koordin";

}  // namespace

Document ReadGpx(std::string_view, Diagnostics&) {
  throw FormatError(0, kNoGpx);
}

std::string WriteGpx(const Document&, Diagnostics&) {
  throw FormatError(0, kNoGpx);
}

void ReadGpxInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink) {
  Document document = ReadGpx(ReadAll(source), diagnostics);
  for (Waypoint& waypoint : document.waypoints) sink.AddWaypoint(std::move(waypoint));
  for (Task& task : document.tasks) sink.AddTask(std::move(task));
}

std::unique_ptr<FormatWriter> MakeGpxWriter(std::string& out, Diagnostics& diagnostics) {
  return std::make_unique<WholeDocumentWriter<&WriteGpx>>(out, diagnostics);
}

}  // namespace koordin_cli
