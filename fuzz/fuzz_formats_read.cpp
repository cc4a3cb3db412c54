// Feeds arbitrary bytes to the reader of every format of the table but KOORDIN (fuzz_driver_read
// reads that) and writes what each read back in its format, where koordin writes it; reads them
// again a few bytes at a time, which must give the same document and warnings, or a refusal at the
// same line (an XML parser may name a fault differently where its pieces break). A refusal is a
// FormatError naming its line and its fault; anything else thrown, a crash or a sanitizer report is
// a finding. The first bytes go to every row's recogniser too.

#include "tests/document_testing.h"
#include "tools/koordin/formats/formats.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace {

using koordin_cli::FileFormat;

[[noreturn]] void Broken(const FileFormat& format, const char* promise) {
  std::fprintf(stderr, "broken promise of %s: %s\n", format.name, promise);
  std::abort();
}

// What a reader made of a source: the document, and in words the document with its warnings or
// the line of the refusal.
struct Reading {
  std::optional<koordin_cli::Document> document;
  std::string told;
};

Reading Read(const FileFormat& format, koordin_cli::ByteSource& source) {
  koordin_cli::Diagnostics diagnostics;
  koordin_cli::DocumentCollector collector;
  try {
    format.read(source, diagnostics, collector);
  } catch (const koordin_cli::FormatError& error) {
    if (error.line() < 0 || std::string(error.what()).empty()) {
      Broken(format, "a refusal names its line and its fault");
    }
    return {std::nullopt, "refused at line " + std::to_string(error.line())};
  }
  const std::string told = koordin_cli::Describe(collector.document, diagnostics.warnings());
  return {std::move(collector.document), told};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const FileFormat& format : koordin_cli::FileFormats()) {
    if (format.recognise != nullptr) format.recognise(bytes.substr(0, koordin_cli::kHeadBytes));
    if (format.IsKoordin()) continue;
    koordin_cli::StringSource whole(bytes);
    const Reading read = Read(format, whole);
    if (read.document && format.writer != nullptr) {
      koordin_cli::Diagnostics diagnostics;
      try {
        koordin_cli::WriteDocument(format, *read.document, diagnostics);
      } catch (const koordin_cli::FormatError&) {
        // A document that a reader made can still hold what the format cannot write.
      }
    }
    koordin_cli::ChunkedSource pieces(bytes, static_cast<unsigned>(size));
    if (Read(format, pieces).told != read.told) {
      Broken(format, "read in pieces, the same as read whole");
    }
  }
  return 0;
}
