#pragma once

// The writer's own operations, shared by FIO_WriteHeader, FIO_WriteTP and FIO_WriteRoute
// (declared in driver/fio_api.h).

#include "afx/afx_string.h"
#include "records/host_text_file.h"
#include "records/tp_entry.h"

namespace koordin {

// Formats the arguments by the printf-style `format` onto the file's open stream. When the stream
// reports an error, clears its error and end-of-file indicators and throws CFileException*
// (cause genericException, the C runtime's last operating-system error, the file's path).
void WriteLine(CHostTextFile& file, const char* format, ...);

// The 19-character name field of a name line: the turnpoint's name cut or filled with blanks to
// 18 characters, then the marker byte 0xA0 when `withMarker` is asked and any of bits 8 to 15 of
// its flags are set, otherwise a blank.
CStringA FormatNameField(const FIO_TPEntry& tp, bool withMarker);

}  // namespace koordin
