// Feeds arbitrary bytes to koordin's CSV reader and writes what it read back as CSV; reads them
// again a few bytes at a time, which must give the same.

#include "fuzz/format_fuzzing.h"
#include "tools/koordin/formats/formats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return FuzzFormatInPieces(data, size, koordin_cli::ReadCsv, koordin_cli::WriteCsv,
                            koordin_cli::ReadCsvInto);
}
