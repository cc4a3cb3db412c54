#include "afx/afx.h"

#include "tests/temp_file.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

TEST(CStringA, TrimRightRemovesBlanksAndControlCharacters9To13Only) {
  const std::pair<std::string, std::string> cases[] = {
      {"abc \t\n\v\f\r", "abc"}, {"  lead", "  lead"},
      {"a b  ", "a b"},          {"x\x08", "x\x08"},
      {"x\x0E", "x\x0E"},        {"Zell\xA0", "Zell\xA0"},
      {"\xFC\xE4 ", "\xFC\xE4"}, {std::string("a\0 ", 3), std::string("a\0", 2)},
  };
  for (const auto& [in, out] : cases) {
    CStringA s(in.data(), static_cast<int>(in.size()));
    s.TrimRight();
    EXPECT_EQ(std::string(s.GetString(), s.GetLength()), out) << in;
  }
}

TEST(CStdioFile, ReadStringSplitsLinesLikeTheWindowsRuntime) {
  const UINT text = CFile::modeRead | CFile::typeText, binary = CFile::modeRead | CFile::typeBinary;
  const std::tuple<std::string, UINT, std::vector<std::string>> cases[] = {
      {"a\nb\n", text, {"a", "b"}},
      {"a\r\nb", text, {"a", "b"}},
      {"a\r\nb\r\n", binary, {"a\r", "b\r"}},
      {"\n\n", text, {"", ""}},
      {"a\rb\n", text, {"a\rb"}},  // a lone carriage return ends no line
      {"x\r\r\n", text, {"x\r"}},  // only the one before the line feed goes
      {std::string("a\0b\nc", 5), text, {std::string("a\0b", 3), "c"}},
      {std::string(1000, 'z') + "\n", text, {std::string(1000, 'z')}},
  };
  for (const auto& [bytes, flags, lines] : cases) {
    TempFile file(bytes);
    CStdioFile stdio(file.path(), flags);
    std::vector<std::string> read;
    CStringA line("stale");
    while (stdio.ReadString(line)) read.emplace_back(line.GetString(), line.GetLength());
    EXPECT_EQ(read, lines) << bytes;
    EXPECT_TRUE(line.IsEmpty()) << "the string is left empty at the end";
  }
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

// Lines of every length around the stream's buffer, so that lines and line ends straddle its
// refills: each reads back whole, and a limited read stops at its limit wherever that falls.
TEST(CStdioFile, LinesStraddlingTheStreamBufferReadWhole) {
  std::vector<std::string> lines;
  std::string bytes;
  for (std::size_t length = 0; bytes.size() < 3 * BUFSIZ; length = length * 3 + 1) {
    lines.push_back(std::string(length % 5000, static_cast<char>('a' + lines.size() % 26)));
    bytes += lines.back() + (lines.size() % 2 ? "\r\n" : "\n");
  }
  TempFile file(bytes);
  CStdioFile whole(file.path(), CFile::modeRead | CFile::typeText);
  std::vector<std::string> read;
  CStringA line;
  while (whole.ReadString(line)) read.emplace_back(line.GetString(), line.GetLength());
  EXPECT_EQ(read, lines);

  for (const int limit : {1, 100, 4095, 4096, 4097}) {
    CStdioFile limited(file.path(), CFile::modeRead | CFile::typeText);
    std::string joined;
    bool tooLong = false;
    while (limited.ReadLimitedString(line, limit, tooLong)) {
      EXPECT_LE(line.GetLength(), limit + 1);
      EXPECT_EQ(tooLong, line.GetLength() > limit) << limit;
      joined.append(line.GetString(), line.GetLength());
      if (!tooLong) joined += '|';
    }
    std::string expected;
    for (const std::string& l : lines) expected += l + '|';
    EXPECT_EQ(joined, expected) << "nothing lost or doubled with the limit " << limit;
  }
}

TEST(CStdioFile, FailedOpenReportsCauseErrorAndName) {
  CStdioFile stdio;
  CFileException error;
  EXPECT_FALSE(stdio.Open("/nonexistent/dir/file.lst", CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
  EXPECT_NE(error.m_lOsError, 0);
  EXPECT_EQ(error.m_strFileName, "/nonexistent/dir/file.lst");
  EXPECT_EQ(stdio.GetFileName(), "file.lst");
}

TEST(CStdioFile, CreateTruncatesUnlessAskedToKeep) {
  TempFile file("old\n");
  CStdioFile(file.path(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite)
      .WriteString("more\n");
  EXPECT_EQ(file.Contents(), "old\nmore\n");
  CStdioFile(file.path(), CFile::modeCreate | CFile::modeWrite).WriteString("new\n");
  EXPECT_EQ(file.Contents(), "new\n");
}

TEST(ExtensionModule, RegistrationAddsAndTerminationRemovesTheEntries) {
  AFX_EXTENSION_MODULE module, other;
  int handleA = 0, handleB = 0;
  ASSERT_TRUE(AfxInitExtensionModule(module, &handleA) && AfxInitExtensionModule(other, &handleB));
  new CDynLinkLibrary(module);
  new CDynLinkLibrary(other);
  new CDynLinkLibrary(module);
  const auto count = [](HMODULE handle) {
    int n = 0;
    for (auto* e = AfxGetFirstDynLinkLibrary(); e; e = e->m_pNextDLL) n += e->m_hModule == handle;
    return n;
  };
  EXPECT_EQ(count(&handleA), 2);
  AfxTermExtensionModule(module);
  EXPECT_EQ(count(&handleA) * 10 + count(&handleB), 1) << "only the module's entries go";
  EXPECT_FALSE(module.bInitialized);
  AfxTermExtensionModule(other);
  EXPECT_EQ(count(&handleB), 0);
}

}  // namespace
