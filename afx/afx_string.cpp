#include "afx/afx_string.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

bool IsTrailingSpace(char ch) {
  return ch == ' ' || (ch >= '\t' && ch <= '\r');
}

unsigned char FoldCase(unsigned char ch) {
  return (ch >= 'A' && ch <= 'Z') ? static_cast<unsigned char>(ch - 'A' + 'a') : ch;
}

}  // namespace

CStringA::CStringA(const char* text) {
  if (text != nullptr) text_ = text;
}

CStringA::CStringA(const char* text, int length) : text_(text, static_cast<std::size_t>(length)) {}

int CStringA::Compare(const char* other) const {
  return std::strcmp(text_.c_str(), other);
}

int CStringA::CompareNoCase(const char* other) const {
  const auto* a = reinterpret_cast<const unsigned char*>(text_.c_str());
  const auto* b = reinterpret_cast<const unsigned char*>(other);
  for (;; ++a, ++b) {
    const int diff = FoldCase(*a) - FoldCase(*b);
    if (diff != 0 || *a == 0) return diff;
  }
}

CStringA& CStringA::operator+=(char ch) {
  text_ += ch;
  return *this;
}

CStringA& CStringA::operator+=(const char* text) {
  text_ += text;
  return *this;
}

CStringA& CStringA::operator+=(const CStringA& text) {
  text_ += text.text_;
  return *this;
}

void CStringA::Append(const char* text, int length) {
  text_.append(text, static_cast<std::size_t>(length));
}

void CStringA::Truncate(int length) {
  if (length >= 0 && static_cast<std::size_t>(length) < text_.size()) {
    text_.resize(static_cast<std::size_t>(length));
  }
}

void CStringA::Preallocate(int length) {
  if (length > 0) text_.reserve(static_cast<std::size_t>(length));
}

CStringA& CStringA::TrimRight() {
  std::size_t end = text_.size();
  while (end > 0 && IsTrailingSpace(text_[end - 1])) --end;
  text_.resize(end);
  return *this;
}

void CStringA::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list sizing;
  va_copy(sizing, args);
  const int length = std::vsnprintf(nullptr, 0, format, sizing);
  va_end(sizing);
  if (length < 0) {
    text_.clear();
  } else {
    text_.resize(static_cast<std::size_t>(length));
    std::vsnprintf(text_.data(), text_.size() + 1, format, args);
  }
  va_end(args);
}
