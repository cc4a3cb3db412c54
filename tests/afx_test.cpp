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

// Each file read whole, a line ended by "|"; and read with a limit of 3, "!" ending a line that
// is too long (the read stops one character beyond the limit).
TEST(CStdioFile, ReadStringAndReadLimitedStringSplitLinesLikeTheWindowsRuntime) {
  const UINT text = CFile::modeRead | CFile::typeText, binary = CFile::modeRead | CFile::typeBinary;
  const std::tuple<std::string, UINT, std::string, std::string> cases[] = {
      {"abc\nd", text, "abc|d|", "abc|d|"},
      {"abcd\ne", text, "abcd|e|", "abcd!|e|"},  // the line end stays for the next read
      {"abcdefg\n", text, "abcdefg|", "abcd!efg|"},
      {"abc\r\nd\r\n", text, "abc|d|", "abc|d|"},  // CR LF is a line end, no character
      {"abc\r\nd", binary, "abc\r|d|", "abc\r!|d|"},
      {"abc\rd\n", text, "abc\rd|", "abc\r!d|"},  // a lone carriage return is a character
      {"x\r\r\n", text, "x\r|", "x\r|"},          // only the one before the line feed goes
      {"abcd", text, "abcd|", "abcd!"},
      {"\n\n", text, "||", "||"},
      {std::string("a\0b\0c", 5), text, std::string("a\0b\0c|", 6), std::string("a\0b\0!c|", 7)},
  };
  for (const auto& [bytes, flags, whole, limited] : cases) {
    TempFile file(bytes);
    CStdioFile stdio(file.path(), flags), again(file.path(), flags);
    std::string read;
    CStringA line("stale");
    while (stdio.ReadString(line)) read += std::string(line.GetString(), line.GetLength()) + "|";
    EXPECT_EQ(read, whole) << bytes;
    EXPECT_TRUE(line.IsEmpty()) << "ReadString leaves the string empty at the end";
    read.clear();
    bool tooLong = false;
    for (line = "stale"; again.ReadLimitedString(line, 3, tooLong); line = "stale")
      read += std::string(line.GetString(), line.GetLength()) + (tooLong ? "!" : "|");
    EXPECT_EQ(read, limited) << bytes;
    EXPECT_TRUE(line.IsEmpty()) << "ReadLimitedString leaves the string empty at the end";
    EXPECT_FALSE(tooLong) << "nor is the end of the file too long";
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
  std::string read, expected;
  CStringA line;
  while (whole.ReadString(line)) read += std::string(line.GetString(), line.GetLength()) + '|';
  for (const std::string& l : lines) expected += l + '|';
  EXPECT_EQ(read, expected);

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
  ASSERT_TRUE(AfxInitExtensionModule(module, &handleA));
  ASSERT_TRUE(AfxInitExtensionModule(other, &handleB));
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
  EXPECT_EQ(count(&handleA), 0);
  EXPECT_EQ(count(&handleB), 1) << "only the module's entries go";
  EXPECT_FALSE(module.bInitialized);
  AfxTermExtensionModule(other);
  EXPECT_EQ(count(&handleB), 0);
}

}  // namespace
