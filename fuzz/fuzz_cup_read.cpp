// Feeds arbitrary bytes to koordin's CUP reader and writes what it read back as CUP.

#include "fuzz/format_fuzzing.h"
#include "tools/koordin/formats/formats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return FuzzFormat(data, size, koordin_cli::ReadCup, koordin_cli::WriteCup);
}
