#pragma once

#include "afx_export.h"

#include <string>

// A single-byte string with MFC's CStringA interface. Bytes 0x80 to 0xFF are ordinary characters;
// nothing is converted. Indexes are zero-based and must lie inside the string.
class AFX_API CStringA {
 public:
  CStringA() = default;
  // Copies the zero-terminated text; a null pointer gives an empty string.
  CStringA(const char* text);  // NOLINT(google-explicit-constructor): MFC converts implicitly
  // Copies `length` bytes of `text`, zero bytes included.
  CStringA(const char* text, int length);

  int GetLength() const { return static_cast<int>(text_.size()); }
  bool IsEmpty() const { return text_.empty(); }
  void Empty() { text_.clear(); }
  const char* GetString() const { return text_.c_str(); }
  operator const char*() const { return text_.c_str(); }  // NOLINT(google-explicit-constructor)

  // Byte-wise comparison: negative, zero or positive, like strcmp.
  int Compare(const char* other) const;
  // Like Compare, with the ASCII letters folded to lower case.
  int CompareNoCase(const char* other) const;

  char GetAt(int index) const { return text_[static_cast<std::size_t>(index)]; }
  void SetAt(int index, char ch) { text_[static_cast<std::size_t>(index)] = ch; }
  char operator[](int index) const { return GetAt(index); }

  CStringA& operator+=(char ch);
  CStringA& operator+=(const char* text);
  CStringA& operator+=(const CStringA& text);
  // Appends `length` bytes of `text`, zero bytes included.
  void Append(const char* text, int length);
  // Keeps the first `length` characters.
  void Truncate(int length);

  // Reserves room for `length` characters without changing the content.
  void Preallocate(int length);
  // Removes trailing blanks and the control characters 0x09 to 0x0D.
  CStringA& TrimRight();
  // Replaces the content with the printf-style formatted text.
  void Format(const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 2, 3)))
#endif
      ;

  friend bool operator==(const CStringA& a, const CStringA& b) {
    return a.text_ == b.text_;
  }
  friend bool operator==(const CStringA& a, const char* b) {
    return a.Compare(b) == 0;
  }
  friend bool operator==(const char* a, const CStringA& b) {
    return b.Compare(a) == 0;
  }
  friend bool operator!=(const CStringA& a, const CStringA& b) {
    return !(a == b);
  }
  friend bool operator!=(const CStringA& a, const char* b) {
    return !(a == b);
  }
  friend bool operator!=(const char* a, const CStringA& b) {
    return !(a == b);
  }

 private:
  std::string text_;
};
