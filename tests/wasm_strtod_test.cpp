// The WebAssembly build's strtod (cmake/wasm/strtod.c) held to the C library's: the same double,
// bit for bit, and the same end, for the decimals koordin reads and for what the fast path leaves
// to the library.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

extern "C" double __wrap_strtod(const char* text, char** end);

// Natively the fast path falls back on the C library's strtod itself.
extern "C" double __real_strtod(const char* text, char** end) {
  return std::strtod(text, end);
}

namespace {

struct Reading {
  std::uint64_t bits;
  std::ptrdiff_t length;  // of what was read
};

Reading ReadWith(double (*read)(const char*, char**), const std::string& text) {
  char* end = nullptr;
  const double value = read(text.c_str(), &end);
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return {bits, end - text.c_str()};
}

void ExpectAsTheLibrary(const std::string& text) {
  const Reading fast = ReadWith(__wrap_strtod, text);
  const Reading library = ReadWith(__real_strtod, text);
  EXPECT_EQ(fast.bits, library.bits) << '"' << text << '"';
  EXPECT_EQ(fast.length, library.length) << '"' << text << '"';
}

TEST(WasmStrtod, ReadsEachFormAsTheLibrary) {
  const char* const kTexts[] = {
      // as koordin's readers hand them over
      "4837.833", "00925.817", "353.0", "2865", "-0.0", "0", "48.630556", "-16.57", "122.475",
      // signs, blanks, points and exponents
      "+1.5e3x", " \t\n12", "-.25", "5.", "1e", "1e+", "1e-2", "1E5", "123.456e-5", "1.2.3",
      // the edges of the fast path: 2^53, 10^22, 19 digits
      "9007199254740992", "9007199254740993", "1e22", "1e23", "1e-22", "1e-23", "0.1", "0.3",
      "1234567890123456789", "12345678901234567890", "0.000000000000000000000000001",
      "1.50000000000000000000", "0e99999", "1e99999", "1e-99999", "2.2250738585072014e-308",
      "4.9e-324", "1.7976931348623157e308",
      // what only the library reads
      "0x1p3", "0X10", "inf", "-Infinity", "nan", "", "-", ".", "e5", "x1"};
  for (const char* text : kTexts) ExpectAsTheLibrary(text);
}

TEST(WasmStrtod, ReadsRandomDecimalsAsTheLibrary) {
  std::mt19937_64 random(20240607);
  std::uniform_int_distribution<int> integerDigits(0, 12);
  std::uniform_int_distribution<int> fractionDigits(0, 12);
  std::uniform_int_distribution<int> digit(0, 9);
  std::uniform_int_distribution<int> exponent(-30, 30);
  std::uniform_int_distribution<int> form(0, 3);
  for (int i = 0; i < 200000; ++i) {
    std::string text = form(random) == 0 ? "-" : "";
    for (int n = integerDigits(random); n > 0; --n) text += static_cast<char>('0' + digit(random));
    text += '.';
    for (int n = fractionDigits(random); n > 0; --n) text += static_cast<char>('0' + digit(random));
    if (form(random) == 1) text += "e" + std::to_string(exponent(random));
    ExpectAsTheLibrary(text);
    if (HasFailure()) return;
  }
}

}  // namespace
