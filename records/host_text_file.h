#pragma once

#include "../afx/afx_file.h"

#include <cstdint>

// The host's text file: a CStdioFile that counts the lines read through ReadString.
class CHostTextFile : public CStdioFile {
 public:
  using CStdioFile::CStdioFile;

  // Reads the next line as CStdioFile does; a line read makes `lineNumber` its number.
  BOOL ReadString(CStringA& line) override;
  // Moves as CFile::Seek does; arriving at the beginning sets `lineNumber` back to 0.
  ULONGLONG Seek(LONGLONG offset, UINT from) override;

  std::int32_t lineNumber = 0;  // the number of the line last read, 0 before the first
};
