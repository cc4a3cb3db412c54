#include "text/fio_token.h"

#include "records/fio_error.h"

#include <limits>

namespace {

constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';
constexpr char kQuote = '"';
constexpr int kDefaultLineRoom = 80;  // room reserved for a line when there is no limit

}  // namespace

CFIOToken::CFIOToken(CFile* file) : file(file), quoteChar(kQuote), tokenFlag(true) {
  Reset();
}

CFIOToken::~CFIOToken() = default;

bool CFIOToken::IsNumberChar(char ch) const {
  return (ch >= '0' && ch <= '9') || ch == '.' || ch == '-' || ch == '+';
}

bool CFIOToken::IsWordChar(char) const {
  return true;
}

bool CFIOToken::IsDelimiter(char ch) const {
  return ch == '=' || ch == '{' || ch == '}';
}

void CFIOToken::Reset() {
  firstTokenNumber = 4;
  lineNo = 1;
  secondTokenNumber = 0;
  newlinePending = false;
  thirdTokenNumber = -1;
  firstTokenText.Empty();
  secondTokenText.Empty();
  bufferPos = -1;
  bufferFill = 0;
}

bool CFIOToken::GetNextChar(char& ch) {
  // The line count moves on only when the byte after a line feed is asked for, so that `lineNo`
  // is the line of the byte last handed out, a line feed belonging to the line it ends.
  if (newlinePending) {
    ++lineNo;
    newlinePending = false;
  }
  if (bufferFill == 0 || bufferPos >= bufferFill) {
    bufferFill = static_cast<std::int32_t>(file->Read(buffer, kBlockSize));
    bufferPos = 0;
    if (bufferFill <= 0) return false;
  }
  ch = buffer[bufferPos++];
  if (ch == kLineFeed) newlinePending = true;
  return true;
}

void CFIOToken::UngetChar(char) {
  if (bufferPos > 0) {
    --bufferPos;
    newlinePending = false;
  }
}

void CFIOToken::AppendWithinLimit(CStringA& out, char ch, std::int32_t limit) const {
  out += ch;
  if (out.GetLength() > limit) throw FIO_Error(kFIOErrorCode, "", lineNo, kFIOErrorInfo);
}

bool CFIOToken::ReadLine(CStringA& out, std::int32_t maxLength, bool skipEmpty) {
  out.Preallocate(maxLength > 0 ? maxLength : kDefaultLineRoom);
  const std::int32_t limit = maxLength < 0 ? std::numeric_limits<std::int32_t>::max() : maxLength;

  char ch;
  if (!GetNextChar(ch)) return false;

  // Line ends before the first character: an empty line, or with `skipEmpty` nothing.
  for (;;) {
    if (ch == kLineFeed || (ch == kCarriageReturn && skipEmpty)) {
      if (!skipEmpty) return true;
      if (!GetNextChar(ch)) return false;
    } else if (ch == kCarriageReturn) {
      if (!GetNextChar(ch)) return false;
      if (ch != kLineFeed) UngetChar(ch);
      return true;
    } else {
      break;
    }
  }

  out.Empty();
  AppendWithinLimit(out, ch, limit);
  for (;;) {
    if (!GetNextChar(ch) || ch == kLineFeed) return true;
    if (ch == kCarriageReturn) {
      if (GetNextChar(ch) && ch != kLineFeed) UngetChar(ch);
      return true;
    }
    AppendWithinLimit(out, ch, limit);
  }
}
