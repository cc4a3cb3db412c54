// Feeds arbitrary bytes to koordin's CUP reader and writes what it read back as CUP; reads them
// again a few bytes at a time, which must give the same.

#include "fuzz/format_fuzzing.h"
#include "tools/koordin/formats/formats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return FuzzFormatInPieces(data, size, koordin_cli::ReadCup, koordin_cli::WriteCup,
                            koordin_cli::ReadCupInto);
}
