#include "records/host_text_file.h"

BOOL CHostTextFile::ReadString(CStringA& line) {
  const BOOL read = CStdioFile::ReadString(line);
  if (read) ++lineNumber;
  return read;
}

ULONGLONG CHostTextFile::Seek(LONGLONG offset, UINT from) {
  const ULONGLONG position = CStdioFile::Seek(offset, from);
  if (position == 0) lineNumber = 0;
  return position;
}
