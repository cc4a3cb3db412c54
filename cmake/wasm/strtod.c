/* strtod with a fast path, for the WebAssembly build, linked with --wrap=strtod. The C library's
   computes in 128-bit long double, in software there, and took a third of the time of the page's
   plan of a national file. A decimal whose significant digits make an integer of at most 2^53
   and whose power of ten lies within 10^-22..10^22 is two exact doubles, and one division or
   multiplication rounds their quotient or product correctly (Clinger); anything else goes to the
   C library's strtod. */

#include <stdint.h>
#include <stdlib.h>

double __real_strtod(const char* text, char** end);

static const double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
enum { kLargestExactPower = 22, kDigitsOfUint64 = 19, kLongestExponent = 5 };
static const uint64_t kLargestExactInteger = (uint64_t)1 << 53;

static int IsDigit(char c) {
  return c >= '0' && c <= '9';
}

static int IsSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

double __wrap_strtod(const char* text, char** end) {
  const char* p = text;
  while (IsSpace(*p)) ++p;
  const int negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) return __real_strtod(text, end);
  uint64_t digits = 0;
  int significant = 0;
  int exponent = 0;
  int any = 0;
  for (int fraction = 0;; ++p) {
    if (*p == '.' && !fraction) {
      fraction = 1;
      continue;
    }
    if (!IsDigit(*p)) break;
    any = 1;
    if (digits != 0 || *p != '0') {
      if (++significant > kDigitsOfUint64) return __real_strtod(text, end);
      digits = digits * 10 + (uint64_t)(*p - '0');
    }
    exponent -= fraction;
  }
  if (!any) return __real_strtod(text, end); /* no digits: "inf", "nan", "." or none at all */
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    const int below = *q == '-';
    if (*q == '+' || *q == '-') ++q;
    if (IsDigit(*q)) {
      int written = 0;
      for (int length = 0; IsDigit(*q); ++q, ++length) {
        if (length == kLongestExponent) return __real_strtod(text, end);
        written = written * 10 + (*q - '0');
      }
      exponent += below ? -written : written;
      p = q;
    }
  }
  double value;
  if (digits == 0) {
    value = 0.0;
  } else if (digits <= kLargestExactInteger && exponent >= -kLargestExactPower &&
             exponent <= kLargestExactPower) {
    value = exponent < 0 ? (double)digits / kPowersOfTen[-exponent]
                         : (double)digits * kPowersOfTen[exponent];
  } else {
    return __real_strtod(text, end);
  }
  if (end) *end = (char*)p;
  return negative ? -value : value;
}
