#pragma once

#include <string>
#include <string_view>

namespace koordin_cli {

// The character set of koordin's text, as iconv names it.
inline constexpr const char* kUtf8 = "UTF-8";

// True when `bytes` is well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Converts `bytes` from the character set `from` to `to` (iconv names, e.g. "CP1252", "UTF-8").
// A character that has no place in `to` is transliterated or becomes "?", and so does a byte that
// is no character of `from`; `exact`, when given, tells whether that never happened. Throws
// std::invalid_argument for a character set that iconv does not know.
std::string ConvertCharset(std::string_view bytes, const char* from, const char* to,
                           bool* exact = nullptr);

// Throws std::invalid_argument, saying why, unless iconv knows `encoding` and it is a single-byte
// character set that keeps ASCII as it is, as the KOORDIN file's text needs.
void CheckSingleByteCharset(const std::string& encoding);

}  // namespace koordin_cli
