#include "afx/afx.h"

#include "tests/temp_file.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace {

TEST(CStringA, TrimRightRemovesBlanksAndControlCharactersOnly) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"", ""},
      {"abc", "abc"},
      {"abc \t\n\v\f\r", "abc"},
      {"  lead", "  lead"},
      {"a b  ", "a b"},
      {"x\x08", "x\x08"},         // 0x08 is below the trimmed range
      {"x\x0E", "x\x0E"},         // 0x0E is above it
      {"Zell\xA0", "Zell\xA0"},   // the marker byte is a character, not a blank
      {"\xFC\xE4 ", "\xFC\xE4"},  // high bytes pass through
      {std::string("a\0 ", 3), std::string("a\0", 2)},
  };
  for (const Case& c : cases) {
    CStringA s(c.in.data(), static_cast<int>(c.in.size()));
    s.TrimRight();
    EXPECT_EQ(std::string(s.GetString(), s.GetLength()), c.out) << c.in;
  }
}

TEST(CStringA, CompareNoCaseFoldsAsciiLettersOnly) {
  EXPECT_EQ(CStringA("ABC-xyz").CompareNoCase("abc-XYZ"), 0);
  EXPECT_NE(CStringA("\xC4").CompareNoCase("\xE4"), 0);  // no folding beyond ASCII
  EXPECT_LT(CStringA("abc").CompareNoCase("ABD"), 0);
  EXPECT_GT(CStringA("abcd").CompareNoCase("ABC"), 0);
  EXPECT_LT(CStringA("\x7F").Compare("\x80"), 0);  // bytes compare unsigned
}

TEST(CStringA, EditingAndFormatting) {
  CStringA s("ab");
  s += 'c';
  s += "de";
  s += CStringA("f");
  s.SetAt(0, 'A');
  EXPECT_EQ(s, "Abcdef");
  EXPECT_EQ(s[5], 'f');
  EXPECT_EQ(s.GetAt(1), 'b');
  s.Truncate(2);
  EXPECT_EQ(s, "Ab");
  s.Preallocate(500);
  EXPECT_EQ(s, "Ab");
  s.Format("%-6.3s|%04d|%c", "Alphabet", -5, 0xA0);
  EXPECT_EQ(s, "Alp   |-005|\xA0");
  s.Empty();
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_EQ(CStringA(nullptr), "");
}

// Reads every line of `bytes` through ReadString with the given flags.
std::vector<std::string> ReadAllLines(const std::string& bytes, UINT flags) {
  TempFile file(bytes);
  CStdioFile stdio;
  EXPECT_TRUE(stdio.Open(file.path(), flags));
  std::vector<std::string> lines;
  CStringA line("stale");
  while (stdio.ReadString(line)) lines.emplace_back(line.GetString(), line.GetLength());
  EXPECT_TRUE(line.IsEmpty()) << "the string is left empty at the end";
  return lines;
}

TEST(CStdioFile, ReadStringSplitsLinesLikeTheWindowsRuntime) {
  using Lines = std::vector<std::string>;
  const UINT text = CFile::modeRead | CFile::typeText;
  const UINT binary = CFile::modeRead | CFile::typeBinary;
  struct Case {
    std::string bytes;
    UINT flags;
    Lines lines;
  };
  const Case cases[] = {
      {"", text, {}},
      {"a\nb\n", text, {"a", "b"}},
      {"a\r\nb\r\n", text, {"a", "b"}},
      {"a\r\nb", text, {"a", "b"}},
      {"a\r\nb\r\n", binary, {"a\r", "b\r"}},
      {"\n\n", text, {"", ""}},
      {"a\rb\n", text, {"a\rb"}},  // a lone carriage return does not end a line
      {"x\r\r\n", text, {"x\r"}},  // only the one before the line feed goes
      {std::string("a\0b\nc", 5), text, {std::string("a\0b", 3), "c"}},
      {std::string(1000, 'z') + "\n", text, {std::string(1000, 'z')}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadAllLines(c.bytes, c.flags), c.lines) << c.bytes;
}

// Each read with a limit of 3: the line (or its first 4 characters), and whether it was too long.
TEST(CStdioFile, ReadLimitedStringStopsAfterOneCharacterBeyondTheLimit) {
  struct Read {
    std::string line;
    bool tooLong;
  };
  const UINT text = CFile::modeRead | CFile::typeText;
  const UINT binary = CFile::modeRead | CFile::typeBinary;
  const struct {
    std::string bytes;
    UINT flags;
    std::vector<Read> reads;
  } cases[] = {
      {"abc\nd", text, {{"abc", false}, {"d", false}}},
      {"abcd\ne", text, {{"abcd", true}, {"", false}, {"e", false}}},  // the line end stays
      {"abcdefg\n", text, {{"abcd", true}, {"efg", false}}},
      {"abc\r\nd", text, {{"abc", false}, {"d", false}}},  // CR LF is a line end, no character
      {"abc\r\nd", binary, {{"abc\r", true}, {"", false}, {"d", false}}},
      {"abc\rd\n", text, {{"abc\r", true}, {"d", false}}},  // a lone CR is a character
      {"abcd", text, {{"abcd", true}}},
      {std::string("a\0b\0c", 5), text, {{std::string("a\0b\0", 4), true}, {"c", false}}},
  };
  for (const auto& c : cases) {
    TempFile file(c.bytes);
    CStdioFile stdio(file.path(), c.flags);
    for (const Read& expected : c.reads) {
      CStringA line = "old";
      bool tooLong = !expected.tooLong;
      ASSERT_TRUE(stdio.ReadLimitedString(line, 3, tooLong)) << c.bytes;
      EXPECT_EQ(std::string(line.GetString(), static_cast<std::size_t>(line.GetLength())),
                expected.line)
          << c.bytes;
      EXPECT_EQ(tooLong, expected.tooLong) << c.bytes;
    }
    CStringA line;
    bool tooLong = true;
    EXPECT_FALSE(stdio.ReadLimitedString(line, 3, tooLong)) << c.bytes;
    EXPECT_TRUE(line.IsEmpty());
    EXPECT_FALSE(tooLong);
  }
}

TEST(CStdioFile, SeekReadAndPosition) {
  TempFile file("0123456789");
  CStdioFile stdio(file.path(), CFile::modeRead | CFile::typeBinary);
  char buffer[4] = {};
  EXPECT_EQ(stdio.Read(buffer, 3), 3U);
  EXPECT_EQ(std::string(buffer, 3), "012");
  EXPECT_EQ(stdio.GetPosition(), 3U);
  EXPECT_EQ(stdio.Seek(-2, CFile::end), 8U);
  EXPECT_EQ(stdio.Read(buffer, 4), 2U);
  EXPECT_EQ(stdio.Seek(0, CFile::begin), 0U);
  EXPECT_EQ(stdio.GetFilePath(), file.path());
  stdio.Close();
  stdio.Close();  // closing twice is harmless
}

TEST(CStdioFile, FailedOpenReportsCauseErrorAndName) {
  CStdioFile stdio;
  CFileException error;
  EXPECT_FALSE(stdio.Open("/nonexistent/dir/file.lst", CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
  EXPECT_NE(error.m_lOsError, 0);
  EXPECT_EQ(error.m_strFileName, "/nonexistent/dir/file.lst");
  EXPECT_EQ(stdio.GetFileName(), "file.lst");

  try {
    CStdioFile thrown("/nonexistent/x", CFile::modeRead);
    FAIL() << "no exception";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_cause, CFileException::fileNotFound);
    e->Delete();
  }
}

TEST(CStdioFile, CreateModesTruncateOrAppend) {
  TempFile file("old\n");
  {
    CStdioFile append(file.path(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite);
    append.WriteString("more\n");
  }
  EXPECT_EQ(file.Contents(), "old\nmore\n");
  {
    CStdioFile create(file.path(), CFile::modeCreate | CFile::modeWrite | CFile::typeText);
    create.WriteString("new\n");
  }
  EXPECT_EQ(file.Contents(), "new\n");
}

TEST(CFile, UnopenedFileThrowsInvalidFile) {
  CFile file;
  char buffer[1];
  try {
    file.Read(buffer, 1);
    FAIL() << "no exception";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_cause, CFileException::invalidFile);
    e->Delete();
  }
}

TEST(AfxThrowFileException, ThrowsANewExceptionWithItsArguments) {
  try {
    AfxThrowFileException(CFileException::genericException, 28, "out.lst");
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_cause, 1);
    EXPECT_EQ(e->m_lOsError, 28);
    EXPECT_EQ(e->m_strFileName, "out.lst");
    e->Delete();
  }
}

int PrintTo(FILE* stream, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int written = AfxVfprintf(stream, format, arguments);
  va_end(arguments);
  return written;
}

TEST(AfxVfprintf, CountsWhatItWritesAndReportsAFailedWrite) {
  TempFile file("");
  {
    CStdioFile out(file.path(), CFile::modeCreate | CFile::modeWrite);
    EXPECT_EQ(PrintTo(out.m_pStream, "%04d:%s\n", -5, "0.000"), 11);
  }
  EXPECT_EQ(file.Contents(), "-005:0.000\n");

  CStdioFile readOnly(file.path(), CFile::modeRead);
  EXPECT_LT(PrintTo(readOnly.m_pStream, "%s\n", "x"), 0);
  EXPECT_NE(std::ferror(readOnly.m_pStream), 0) << "the stream stays marked";
}

TEST(ExtensionModule, RegistrationAddsAndTerminationRemovesTheEntries) {
  AFX_EXTENSION_MODULE module;
  int handleA = 0;
  int handleB = 0;
  EXPECT_FALSE(AfxInitExtensionModule(module, nullptr));
  EXPECT_FALSE(module.bInitialized);
  ASSERT_TRUE(AfxInitExtensionModule(module, &handleA));
  AFX_EXTENSION_MODULE other;
  ASSERT_TRUE(AfxInitExtensionModule(other, &handleB));
  new CDynLinkLibrary(module);
  new CDynLinkLibrary(other);
  new CDynLinkLibrary(module);

  auto count = [](HMODULE handle) {
    int n = 0;
    for (auto* e = AfxGetFirstDynLinkLibrary(); e != nullptr; e = e->m_pNextDLL) {
      if (e->m_hModule == handle) ++n;
    }
    return n;
  };
  EXPECT_EQ(count(&handleA), 2);
  AfxTermExtensionModule(module);
  EXPECT_EQ(count(&handleA), 0);
  EXPECT_EQ(count(&handleB), 1);
  EXPECT_FALSE(module.bInitialized);
  AfxTermExtensionModule(other);
  EXPECT_EQ(count(&handleB), 0);
}

}  // namespace
