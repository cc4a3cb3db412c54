#include "tools/koordin/formats/charset.h"

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <iconv.h>

namespace koordin_cli {

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080;  // the top bit of each of eight bytes
constexpr std::size_t kAsciiCount = 0x80;

bool IsAscii(std::string_view bytes) {
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= kAsciiCount) return false;
  }
  return true;
}

// Whether `set` is one of koordin's own sets, UTF-8 and Windows-1252, which keep every ASCII
// character as that one byte: text of nothing else passes between them unchanged, without a
// converter (iconv loads a module for each set it opens).
bool KeepsAsciiKnownly(const char* set) {
  return std::strcmp(set, kUtf8) == 0 || std::strcmp(set, kWindows1252) == 0;
}

// One conversion descriptor, closed on every way out.
class Converter {
 public:
  Converter(const char* from, const char* to) : descriptor_(iconv_open(to, from)) {
    if (descriptor_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::invalid_argument(std::string("unknown character set conversion ") + from + " to " +
                                  to);
    }
    std::string ascii(kAsciiCount, '\0');
    for (std::size_t i = 0; i < kAsciiCount; ++i) ascii[i] = static_cast<char>(i);
    std::string converted;
    keepsAscii_ = Convert(ascii, converted) && converted == ascii;
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() { iconv_close(descriptor_); }

  // Converts all of `bytes`, starting from the initial shift state; false when a character had to
  // be replaced. Plain ASCII text passes unchanged between sets that keep every ASCII character.
  bool Run(std::string_view bytes, std::string& out) {
    if (keepsAscii_ && IsAscii(bytes)) {
      out.assign(bytes);
      return true;
    }
    return Convert(bytes, out);
  }

 private:
  bool Convert(std::string_view bytes, std::string& out) {
    out.clear();
    iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());  // iconv's interface is not const-correct
    std::size_t inLeft = bytes.size();
    char buffer[1024];
    bool exact = true;
    while (inLeft > 0) {
      char* outPtr = buffer;
      std::size_t outLeft = sizeof buffer;
      const std::size_t result = iconv(descriptor_, &in, &inLeft, &outPtr, &outLeft);
      out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
      if (result == static_cast<std::size_t>(-1)) {
        if (errno == E2BIG) continue;
        if (errno == EILSEQ) {  // a byte that is no character of the source set
          exact = false;
          out += '?';
          ++in;
          --inLeft;
          continue;
        }
        out += '?';  // an incomplete character at the end of the text
        break;
      }
      if (result > 0) exact = false;  // characters transliterated by iconv
    }
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(descriptor_, nullptr, nullptr, &outPtr, &outLeft);  // back to the initial shift state
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    return exact;
  }

  iconv_t descriptor_;
  bool keepsAscii_ = false;  // all ASCII characters together convert into themselves
};

// The one converter of each pair of character sets, opened on first use and kept for the thread's
// life: opening one costs more than converting a name.
Converter& ConverterFor(const char* from, const char* to) {
  struct Entry {
    std::string from, to;
    Converter converter;
  };
  thread_local std::vector<std::unique_ptr<Entry>> opened;
  for (const auto& entry : opened) {
    if (entry->from == from && entry->to == to) return entry->converter;
  }
#if defined(__EMSCRIPTEN__)
  // This libc's iconv knows no //TRANSLIT; it puts '*' for what the target set lacks.
  const std::string target = to;
#else
  const std::string target = std::string(to) + "//TRANSLIT";
#endif
  UseTransliterationLocale();
  opened.push_back(std::unique_ptr<Entry>(new Entry{from, to, {from, target.c_str()}}));
  return opened.back()->converter;
}

}  // namespace

void UseTransliterationLocale() {
  constexpr const char* kLocale = "C.UTF-8";
  const char* current = std::setlocale(LC_CTYPE, nullptr);
  if (current == nullptr || std::strcmp(current, kLocale) != 0) std::setlocale(LC_CTYPE, kLocale);
}

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    // ASCII, most text, eight bytes at a time.
    for (std::uint64_t eight = 0; i + sizeof eight <= bytes.size(); i += sizeof eight) {
      std::memcpy(&eight, bytes.data() + i, sizeof eight);
      if ((eight & kHighBits) != 0) break;
    }
    if (i == bytes.size()) break;
    const auto lead = static_cast<unsigned char>(bytes[i]);
    int continuation = 0;
    unsigned minimum = 0;
    unsigned codePoint = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      continuation = 1, minimum = 0x80, codePoint = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      continuation = 2, minimum = 0x800, codePoint = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      continuation = 3, minimum = 0x10000, codePoint = lead & 0x07;
    } else {
      return false;
    }
    if (i + continuation >= bytes.size()) return false;
    for (int k = 1; k <= continuation; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
      return false;
    }
    i += continuation + 1;
  }
  return true;
}

std::string ConvertCharset(std::string_view bytes, const char* from, const char* to, bool* exact) {
  std::string out;
  if (KeepsAsciiKnownly(from) && KeepsAsciiKnownly(to) && IsAscii(bytes)) {
    if (exact != nullptr) *exact = true;
    out.assign(bytes);
    return out;
  }
  Converter& converter = ConverterFor(from, to);
  const bool converted = converter.Run(bytes, out);
  if (exact != nullptr) *exact = converted;
  return out;
}

void CheckSingleByteCharset(const std::string& encoding) {
  if (encoding == kWindows1252) return;  // the default: one byte a character, ASCII as it is
  try {
    ConvertCharset("", kUtf8, encoding.c_str());
  } catch (const std::invalid_argument&) {
    throw std::invalid_argument("not a character set that iconv knows");
  }
  std::string ascii;
  for (char c = ' '; c <= '~'; ++c) ascii += c;
  if (ConvertCharset(ascii, encoding.c_str(), kUtf8) != ascii) {
    throw std::invalid_argument(encoding + " does not keep ASCII as it is");
  }
  // In a multi-byte set some byte begins a character that the next one ends; in a single-byte set
  // two bytes are two characters, or two "?".
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    const std::string pair = {static_cast<char>(lead), static_cast<char>(0xA1)};
    const std::string text = ConvertCharset(pair, encoding.c_str(), kUtf8);
    const auto characters = std::count_if(text.begin(), text.end(), [](char c) {
      return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    if (characters != 2)
      throw std::invalid_argument(encoding + " is not a single-byte character set");
  }
}

CharsetSource::CharsetSource(ByteSource& source, const char* from)
    : source_(source), descriptor_(iconv_open(kUtf8, from)) {
  if (descriptor_ == reinterpret_cast<iconv_t>(-1)) {
    throw std::invalid_argument(std::string("unknown character set conversion ") + from + " to " +
                                kUtf8);
  }
}

CharsetSource::~CharsetSource() {
  iconv_close(static_cast<iconv_t>(descriptor_));
}

void CharsetSource::Rewind() {
  source_.Rewind();
  iconv(static_cast<iconv_t>(descriptor_), nullptr, nullptr, nullptr, nullptr);
  in_.clear();
  out_.clear();
  given_ = 0;
  ended_ = false;
}

std::size_t CharsetSource::Read(char* buffer, std::size_t size) {
  constexpr std::size_t kPiece = kPieceBytes;
  while (given_ == out_.size() && !(ended_ && in_.empty())) {
    out_.clear();
    given_ = 0;
    if (!ended_) {
      const std::size_t old = in_.size();
      in_.resize(old + kPiece);
      const std::size_t got = source_.Read(in_.data() + old, kPiece);
      in_.resize(old + got);
      ended_ = got == 0;
    }
    char* in = in_.data();
    std::size_t inLeft = in_.size();
    char piece[4 * kPiece];
    while (inLeft > 0) {
      char* outPtr = piece;
      std::size_t outLeft = sizeof piece;
      const std::size_t result =
          iconv(static_cast<iconv_t>(descriptor_), &in, &inLeft, &outPtr, &outLeft);
      out_.append(piece, static_cast<std::size_t>(outPtr - piece));
      if (result != static_cast<std::size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      if (errno == EINVAL && !ended_) break;  // a character that the next piece completes
      exact_ = false;  // a byte that is no character, or an incomplete one at the end
      out_ += '?';
      ++in;
      --inLeft;
    }
    in_.erase(0, in_.size() - inLeft);
  }
  const std::size_t count = std::min(size, out_.size() - given_);
  std::copy_n(out_.data() + given_, count, buffer);
  given_ += count;
  return count;
}

}  // namespace koordin_cli
