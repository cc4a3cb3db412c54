// Feeds arbitrary bytes to koordin's GPX reader and writes what it read back as GPX; reads them
// again a few bytes at a time, which must give the same document and warnings, or a refusal at the
// same line (the parser may name a fault of the XML differently where its pieces break).

#include "fuzz/format_fuzzing.h"
#include "tests/document_testing.h"
#include "tools/koordin/formats/formats.h"

namespace {

std::string ReadInPieces(std::string_view bytes, bool pieces) try {
  koordin_cli::Diagnostics diagnostics;
  koordin_cli::DocumentCollector collector;
  koordin_cli::ChunkedSource piecewise(bytes, static_cast<unsigned>(bytes.size()));
  koordin_cli::StringSource whole(bytes);
  koordin_cli::ReadGpxInto(pieces ? static_cast<koordin_cli::ByteSource&>(piecewise) : whole,
                           diagnostics, collector);
  return koordin_cli::Describe(collector.document, diagnostics.warnings());
} catch (const koordin_cli::FormatError& error) {
  return "refused at line " + std::to_string(error.line());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzFormat(data, size, koordin_cli::ReadGpx, koordin_cli::WriteGpx);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (ReadInPieces(bytes, true) != ReadInPieces(bytes, false)) {
    std::fprintf(stderr, "broken promise: read in pieces, the file reads differently\n");
    std::abort();
  }
  return 0;
}
