// Feeds arbitrary bytes to koordin's CSV reader and writes what it read back as CSV; reads them
// again a few bytes at a time, which must give the same.

#include "fuzz/format_fuzzing.h"
#include "tests/document_testing.h"
#include "tools/koordin/formats/formats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzFormat(data, size, koordin_cli::ReadCsv, koordin_cli::WriteCsv);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (koordin_cli::ReadInPieces(koordin_cli::ReadCsvInto, bytes, static_cast<unsigned>(size)) !=
      koordin_cli::ReadAs(koordin_cli::ReadCsv, bytes)) {
    std::fprintf(stderr, "broken promise: read in pieces, the same as read whole\n");
    std::abort();
  }
  return 0;
}
