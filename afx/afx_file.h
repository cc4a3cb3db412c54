#pragma once

#include "afx_export.h"
#include "afx_string.h"
#include "afx_types.h"

#include <cstddef>
#include <cstdio>

// The root of the runtime's exceptions. They are thrown as pointers allocated with new; the
// catcher owns the object and releases it with Delete().
class AFX_API CException {
 public:
  virtual ~CException();
  // Releases the exception object.
  void Delete();
};

// A failed file operation: what went wrong, the operating system's error code and the file.
class AFX_API CFileException : public CException {
 public:
  enum {
    none = 0,
    genericException = 1,
    fileNotFound = 2,
    badPath = 3,
    tooManyOpenFiles = 4,
    accessDenied = 5,
    invalidFile = 6,
    removeCurrentDir = 7,
    directoryFull = 8,
    badSeek = 9,
    hardIO = 10,
    sharingViolation = 11,
    lockViolation = 12,
    diskFull = 13,
    endOfFile = 14,
  };

  explicit CFileException(int cause = none, LONG osError = -1, const char* fileName = nullptr);

  int m_cause;
  LONG m_lOsError;
  CStringA m_strFileName;
};

// Throws a new CFileException carrying the cause, the operating system's error code and the file
// name. Never returns.
[[noreturn]] AFX_API void AfxThrowFileException(int cause, LONG osError = -1,
                                                const char* fileName = nullptr);

// The C runtime's last operating-system error code: what the Windows runtime keeps in _doserrno,
// and errno elsewhere. Read it right after the failed call, before anything else can change it.
AFX_API LONG AfxGetLastOsError();

// Writes `count` bytes onto `stream` with the C runtime's fwrite (on Windows the system runtime's,
// to which the host's streams belong). Returns false when a write failed during the call: fewer
// bytes written, or the stream's error indicator newly set, as some runtimes only mark the stream.
AFX_API bool AfxWriteBytes(FILE* stream, const void* bytes, std::size_t count);

// A file. This base class has no open file of its own: its operations throw CFileException with
// the cause invalidFile. The classes derived from it supply the file.
class AFX_API CFile {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
  };
  enum SeekPosition : UINT { begin = 0x0, current = 0x1, end = 0x2 };

  CFile() = default;
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;
  virtual ~CFile();

  // Moves the file position to `offset` from `from` (begin, current or end) and returns the new
  // position. Throws CFileException with the cause badSeek when the move fails.
  virtual ULONGLONG Seek(LONGLONG offset, UINT from);
  // Reads up to `count` bytes into `buffer`; returns the number read, 0 at the end of the file.
  // Throws CFileException when the read fails.
  virtual UINT Read(void* buffer, UINT count);
  // The current position, counted in bytes from the beginning.
  virtual ULONGLONG GetPosition() const;
  // Closes the file; closing a closed file does nothing.
  virtual void Close();

  // The path the file was opened with, and its last component.
  const CStringA& GetFilePath() const { return m_strFilePath; }
  CStringA GetFileName() const;

 protected:
  CStringA m_strFilePath;
};

// A file on a C runtime stream (`m_pStream`). Opened in text mode, a line ending in a carriage
// return and a line feed reads back without either, as on the Windows C runtime.
class AFX_API CStdioFile : public CFile {
 public:
  CStdioFile() = default;
  // Wraps a stream that is already open; the object does not close it on destruction.
  explicit CStdioFile(FILE* stream);
  // Opens `path`; throws CFileException on failure.
  CStdioFile(const char* path, UINT flags);
  ~CStdioFile() override;

  // Opens `path` with the CFile flags. On failure returns false and, when `error` is given, fills
  // it with the cause, the operating system's error code and the file name.
  virtual BOOL Open(const char* path, UINT flags, CFileException* error = nullptr);
  // Empties `line`, then fills it with the next line without its line end. Returns false at the
  // end of the file, with `line` left empty.
  virtual BOOL ReadString(CStringA& line);
  // Reads the next line as ReadString does, but no more than `maxLength` + 1 characters of it
  // (`maxLength` >= 0): when the line is longer than `maxLength`, `line` holds its first
  // `maxLength` + 1 characters, `tooLong` is set and the rest of the line, its line end
  // included, stays unread. Not part of MFC: it lets a host bound the memory that one line of a
  // file can take.
  BOOL ReadLimitedString(CStringA& line, int maxLength, bool& tooLong);
  // Writes the text as it stands; throws CFileException when the write fails.
  virtual void WriteString(const char* text);

  ULONGLONG Seek(LONGLONG offset, UINT from) override;
  UINT Read(void* buffer, UINT count) override;
  ULONGLONG GetPosition() const override;
  // Closes the stream; throws CFileException when buffered output could not be written.
  void Close() override;

  FILE* m_pStream = nullptr;

 private:
  // ReadString and ReadLimitedString; a negative `maxLength` for no limit.
  BOOL ReadLine(CStringA& line, long long maxLength, bool* tooLong);

  bool textMode_ = false;
  bool ownsStream_ = false;
};
