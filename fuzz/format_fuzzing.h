#pragma once

#include "tools/koordin/formats/document.h"

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
