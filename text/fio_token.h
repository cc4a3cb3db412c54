#pragma once

#include "afx/afx_file.h"
#include "afx/afx_string.h"

#include <cstdint>

// A buffered reader on a host file: it fetches the file's bytes in blocks, hands them out one at
// a time with one step of push-back, counts lines and assembles whole lines under a length limit.
// It is the character layer of a tokenizer; the token fields below belong to the token layer,
// which this driver does not use. Bytes pass through unchanged.
//
// Line ends: a line feed; a carriage return, swallowing one line feed right after it; a lone
// carriage return. A line feed followed by a carriage return is two line ends. Only line feeds
// advance `lineNo`.
//
// The reader reads from wherever the file stands and never repositions it. Since it reads ahead,
// the file's position afterwards lies past the last byte handed out.
class CFIOToken {
 public:
  static constexpr int kBlockSize = 128;  // bytes fetched by each read of the file

  // Reads from `file`, which stays the caller's: it is neither moved, closed nor released.
  explicit CFIOToken(CFile* file);
  CFIOToken(const CFIOToken&) = delete;
  CFIOToken& operator=(const CFIOToken&) = delete;
  virtual ~CFIOToken();

  // True for the digits 0 to 9, ".", "-" and "+".
  virtual bool IsNumberChar(char ch) const;
  // True for every character.
  virtual bool IsWordChar(char ch) const;
  // True for "=", "{" and "}".
  virtual bool IsDelimiter(char ch) const;

  // Gives the counters, the buffer's state and the token fields their initial values, leaving
  // `file`, `quoteChar` and `tokenFlag` alone. Does not move the file.
  void Reset();

  // Hands out the next byte of the file in `ch`; false at the end of the input, which is tried
  // again on every call. Whatever the file's read throws passes to the caller.
  bool GetNextChar(char& ch);

  // Gives back the byte last handed out, so that the next GetNextChar hands it out again. The
  // argument is not used: the byte comes from the buffer.
  void UngetChar(char ch);

  // Reads the next line, without its line end, into `out`. `maxLength` is the most characters a
  // line may hold (0 admits only empty lines); any negative value means no limit. With `skipEmpty`
  // empty lines are passed over; without it an empty line returns true and leaves `out` as it was.
  // Returns false when the input ended before a line began. Throws FIO_Error (code -2, empty
  // message, `lineNo`, info 0) on the first character beyond the limit; `out` then holds the line's
  // first `maxLength` + 1 characters and the rest of the line is unread.
  bool ReadLine(CStringA& out, std::int32_t maxLength, bool skipEmpty);

  std::int32_t firstTokenNumber;   // token layer; not read by this driver
  CFile* file;                     // the source of the bytes, borrowed
  char quoteChar;                  // token layer; not read by this driver
  std::int32_t lineNo;             // the line of the byte last handed out, counted from 1
  std::int32_t secondTokenNumber;  // token layer; not read by this driver
  bool newlinePending;            // a line feed was handed out and `lineNo` not yet advanced for it
  bool tokenFlag;                 // token layer; not read by this driver
  std::int32_t thirdTokenNumber;  // token layer; not read by this driver
  CStringA firstTokenText;        // token layer; not read by this driver
  CStringA secondTokenText;       // token layer; not read by this driver
  char buffer[kBlockSize];        // the last block read from the file
  std::int32_t bufferPos;         // index in `buffer` of the next byte to hand out
  std::int32_t bufferFill;        // valid bytes in `buffer`: what the last read returned

 private:
  // Appends `ch` to `out` and throws FIO_Error when `out` then holds more than `limit`.
  void AppendWithinLimit(CStringA& out, char ch, std::int32_t limit) const;
};
