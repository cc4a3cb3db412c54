#pragma once

#include "tests/document_testing.h"
#include "tools/koordin/document/document.h"
#include "tools/koordin/document/streams.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// Feeds arbitrary bytes to one of koordin's format readers, then writes what it read back in the
// same format. Either may refuse the input with FormatError; any other exception, crash or
// sanitizer report is a finding.
template <typename Reader, typename Writer>
int FuzzFormat(const std::uint8_t* data, std::size_t size, Reader read, Writer write) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  koordin_cli::Diagnostics diagnostics;
  koordin_cli::Document document;
  try {
    document = read(bytes, diagnostics);
  } catch (const koordin_cli::FormatError& error) {
    if (error.line() < 0 || std::string(error.what()).empty()) {
      std::fprintf(stderr, "broken promise: a refusal names its line and its fault\n");
      std::abort();
    }
    return 0;
  }
  try {
    write(document, diagnostics);
  } catch (const koordin_cli::FormatError&) {
    // A document that a reader made can still hold what the format cannot write.
  }
  return 0;
}

// FuzzFormat, then the bytes read again a few at a time through `readInto`, which must give the
// same document and warnings, or the same refusal.
template <typename Reader, typename Writer>
int FuzzFormatInPieces(const std::uint8_t* data, std::size_t size, Reader read, Writer write,
                       koordin_cli::ReadInto readInto) {
  FuzzFormat(data, size, read, write);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (koordin_cli::ReadInPieces(readInto, bytes, static_cast<unsigned>(size)) !=
      koordin_cli::ReadAs(read, bytes)) {
    std::fprintf(stderr, "broken promise: read in pieces, the same as read whole\n");
    std::abort();
  }
  return 0;
}
