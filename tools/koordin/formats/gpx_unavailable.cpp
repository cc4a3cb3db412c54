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

void ReadGpxInto(ByteSource&, Diagnostics&, DocumentSink&) {
  throw FormatError(0, kNoGpx);
}

std::unique_ptr<FormatWriter> MakeGpxWriter(std::string&, Diagnostics&) {
  throw FormatError(0, kNoGpx);
}

}  // namespace koordin_cli
