#include "afx/afx_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

int CauseFromErrno(int error) {
  switch (error) {
    case ENOENT:
      return CFileException::fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
      return CFileException::badPath;
    case EMFILE:
    case ENFILE:
      return CFileException::tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return CFileException::accessDenied;
    case ENOSPC:
      return CFileException::diskFull;
    default:
      return CFileException::genericException;
  }
}

// The fopen mode for CFile flags: MFC's choice of r, w or a, a plus when reading and writing, and
// the t or b of the Windows C runtime (on other systems "t" is not a mode and is left out).
std::string StreamMode(UINT flags) {
  std::string mode;
  if (flags & CFile::modeCreate) {
    mode = (flags & CFile::modeNoTruncate) ? "a" : "w";
  } else if (flags & CFile::modeWrite) {
    mode = "a";
  } else {
    mode = "r";
  }
  const bool readWrite = (flags & CFile::modeReadWrite) != 0;
  const bool writeOnly = (flags & CFile::modeWrite) != 0;
  if ((mode == "r" && readWrite) || (mode != "r" && !writeOnly)) mode += '+';
#if defined(_WIN32)
  mode += (flags & CFile::typeBinary) ? "b" : "t";
#else
  if (flags & CFile::typeBinary) mode += 'b';
#endif
  return mode;
}

// One byte of the stream; the stream belongs to one thread at a time, so it is not locked per byte.
int GetByte(FILE* stream) {
#if defined(_WIN32)
  return std::getc(stream);
#else
  return getc_unlocked(stream);
#endif
}

// The bytes that the stream has read ahead and not yet handed out, where the C runtime shows them:
// the GNU C library keeps them between the two pointers that its getc_unlocked reads from. Other
// runtimes show none, and a line is then read byte by byte.
std::string_view ReadAhead(FILE* stream) {
#if defined(__GLIBC__)
  return {stream->_IO_read_ptr,
          static_cast<std::size_t>(stream->_IO_read_end - stream->_IO_read_ptr)};
#else
  static_cast<void>(stream);
  return {};
#endif
}

// Hands out `count` bytes of those ReadAhead shows, as as many getc calls would.
void PassReadAhead(FILE* stream, std::size_t count) {
#if defined(__GLIBC__)
  stream->_IO_read_ptr += count;
#else
  static_cast<void>(stream);
  static_cast<void>(count);
#endif
}

}  // namespace

CException::~CException() = default;

void CException::Delete() {
  delete this;
}

CFileException::CFileException(int cause, LONG osError, const char* fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {}

void AfxThrowFileException(int cause, LONG osError, const char* fileName) {
  throw new CFileException(cause, osError, fileName);
}

LONG AfxGetLastOsError() {
#if defined(_WIN32)
  return static_cast<LONG>(_doserrno);
#else
  return static_cast<LONG>(errno);
#endif
}

bool AfxWriteBytes(FILE* stream, const void* bytes, std::size_t count) {
  const bool failedBefore = std::ferror(stream) != 0;
  const std::size_t written = std::fwrite(bytes, 1, count, stream);
  return written == count && (failedBefore || std::ferror(stream) == 0);
}

CFile::~CFile() = default;

ULONGLONG CFile::Seek(LONGLONG, UINT) {
  AfxThrowFileException(CFileException::invalidFile, -1, m_strFilePath);
}

UINT CFile::Read(void*, UINT) {
  AfxThrowFileException(CFileException::invalidFile, -1, m_strFilePath);
}

ULONGLONG CFile::GetPosition() const {
  AfxThrowFileException(CFileException::invalidFile, -1, m_strFilePath);
}

void CFile::Close() {}

CStringA CFile::GetFileName() const {
  const char* path = m_strFilePath.GetString();
  const char* name = path;
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\') name = p + 1;
  }
  return CStringA(name);
}

CStdioFile::CStdioFile(FILE* stream) : m_pStream(stream) {}

CStdioFile::CStdioFile(const char* path, UINT flags) {
  CFileException error;
  if (!Open(path, flags, &error)) {
    AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
  }
}

CStdioFile::~CStdioFile() {
  if (ownsStream_ && m_pStream != nullptr) std::fclose(m_pStream);
}

BOOL CStdioFile::Open(const char* path, UINT flags, CFileException* error) {
  if (ownsStream_ && m_pStream != nullptr) std::fclose(m_pStream);
  m_pStream = std::fopen(path, StreamMode(flags).c_str());
  ownsStream_ = m_pStream != nullptr;
  textMode_ = (flags & typeBinary) == 0;
  m_strFilePath = path;
  if (m_pStream == nullptr) {
    const int osError = errno;
    if (error != nullptr) {
      error->m_cause = CauseFromErrno(osError);
      error->m_lOsError = osError;
      error->m_strFileName = path;
    }
    return FALSE;
  }
  return TRUE;
}

BOOL CStdioFile::ReadString(CStringA& line) {
  return ReadLine(line, -1, nullptr);
}

BOOL CStdioFile::ReadLimitedString(CStringA& line, int maxLength, bool& tooLong) {
  return ReadLine(line, maxLength, &tooLong);
}

BOOL CStdioFile::ReadLine(CStringA& line, long long maxLength, bool* tooLong) {
  line.Empty();
  if (tooLong != nullptr) *tooLong = false;
  // The bytes of a line kept before its line feed: one more than the limit, which either shows the
  // line too long or is the carriage return of a CR LF line end in text mode.
  const long long room = maxLength < 0 ? LLONG_MAX : maxLength + 1;
  long long taken = 0;
  bool readAny = false;
  bool complete = false;
  bool cut = false;
  for (;;) {
    if (taken == room) {  // a line end may still follow; one byte more than that stays unread
      const int ch = GetByte(m_pStream);
      if (ch == EOF) break;
      readAny = true;
      complete = ch == '\n';
      if (!complete) {
        std::ungetc(ch, m_pStream);
        cut = true;
      }
      break;
    }
    const std::string_view ahead = ReadAhead(m_pStream);
    if (ahead.empty()) {  // nothing read ahead: one byte, which fills the stream's buffer again
      const int ch = GetByte(m_pStream);
      if (ch == EOF) break;
      readAny = true;
      if (ch == '\n') {
        complete = true;
        break;
      }
      line += static_cast<char>(ch);
      ++taken;
      continue;
    }
    const std::size_t span = static_cast<std::size_t>(
        std::min<long long>(static_cast<long long>(ahead.size()), room - taken));
    const void* end = std::memchr(ahead.data(), '\n', span);
    const std::size_t length =
        end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - ahead.data())
                       : span;
    line.Append(ahead.data(), static_cast<int>(length));
    taken += static_cast<long long>(length);
    readAny = true;
    complete = end != nullptr;
    PassReadAhead(m_pStream, complete ? length + 1 : length);
    if (complete) break;
  }
  if (complete && textMode_ && !line.IsEmpty() && line[line.GetLength() - 1] == '\r') {
    line.Truncate(line.GetLength() - 1);
  }
  if (maxLength >= 0 && !cut && line.GetLength() > maxLength) {
    // One character too many, then the line end: the rest of the line, its end, stays unread.
    if (complete) std::ungetc('\n', m_pStream);
    cut = true;
  }
  if (tooLong != nullptr) *tooLong = cut;
  if (!complete && !cut && std::ferror(m_pStream)) {
    const int osError = errno;
    std::clearerr(m_pStream);
    AfxThrowFileException(CauseFromErrno(osError), osError, m_strFilePath);
  }
  return readAny ? TRUE : FALSE;
}

void CStdioFile::WriteString(const char* text) {
  if (std::fputs(text, m_pStream) < 0) {
    const int osError = errno;
    std::clearerr(m_pStream);
    AfxThrowFileException(CauseFromErrno(osError), osError, m_strFilePath);
  }
}

ULONGLONG CStdioFile::Seek(LONGLONG offset, UINT from) {
  const int whence = from == current ? SEEK_CUR : (from == end ? SEEK_END : SEEK_SET);
  if (std::fseek(m_pStream, static_cast<long>(offset), whence) != 0) {
    AfxThrowFileException(CFileException::badSeek, errno, m_strFilePath);
  }
  return GetPosition();
}

UINT CStdioFile::Read(void* buffer, UINT count) {
  const std::size_t got = std::fread(buffer, 1, count, m_pStream);
  if (got < count && std::ferror(m_pStream)) {
    const int osError = errno;
    std::clearerr(m_pStream);
    AfxThrowFileException(CauseFromErrno(osError), osError, m_strFilePath);
  }
  return static_cast<UINT>(got);
}

ULONGLONG CStdioFile::GetPosition() const {
  const long position = std::ftell(m_pStream);
  if (position < 0) AfxThrowFileException(CFileException::invalidFile, errno, m_strFilePath);
  return static_cast<ULONGLONG>(position);
}

void CStdioFile::Close() {
  FILE* stream = m_pStream;
  const bool owned = ownsStream_;
  m_pStream = nullptr;
  ownsStream_ = false;
  if (stream != nullptr && owned && std::fclose(stream) != 0) {
    AfxThrowFileException(CauseFromErrno(errno), errno, m_strFilePath);
  }
}
