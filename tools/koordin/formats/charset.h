#pragma once

#include "tools/koordin/document/streams.h"

#include <string>
#include <string_view>

namespace koordin_cli {

// The character set of koordin's text, as iconv names it.
inline constexpr const char* kUtf8 = "UTF-8";
// Windows-1252, as iconv names it: the KOORDIN file's set unless --encoding says otherwise, and a
// CUP or CSV file's when it is not UTF-8.
inline constexpr const char* kWindows1252 = "CP1252";

// Makes transliteration the same on every machine: iconv transliterates, and fnmatch folds case,
// by the locale's character type, and koordin uses C.UTF-8 for it, whatever the user's locale.
// Called before the first converter is opened and before a glob is matched: loading the locale
// costs more than a conversion of ASCII text, which needs none.
void UseTransliterationLocale();

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

// The bytes of a source in the character set `from`, converted to UTF-8 a piece at a time. A byte
// that is no character of `from` becomes "?", and so does an incomplete one at the end.
class CharsetSource : public ByteSource {
 public:
  // Throws std::invalid_argument for a character set that iconv does not know.
  CharsetSource(ByteSource& source, const char* from);
  CharsetSource(const CharsetSource&) = delete;
  CharsetSource& operator=(const CharsetSource&) = delete;
  ~CharsetSource() override;

  std::size_t Read(char* buffer, std::size_t size) override;
  void Rewind() override;

  // False once a byte had to be read as "?".
  bool exact() const { return exact_; }

 private:
  ByteSource& source_;
  void* descriptor_;
  std::string in_;   // bytes read from the source and not yet converted
  std::string out_;  // converted bytes not yet given out, from `given_`
  std::size_t given_ = 0;
  bool ended_ = false;
  bool exact_ = true;
};

}  // namespace koordin_cli
