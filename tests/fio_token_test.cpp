#include "text/fio_token.h"

#include "afx/afx_file.h"
#include "records/fio_error.h"

#include "tests/temp_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// A file that hands out its bytes at most `chunk` at a time, as pipes and devices may.
class ChunkedFile : public CFile {
 public:
  ChunkedFile(std::string bytes, UINT chunk) : bytes(std::move(bytes)), chunk(chunk) {}
  UINT Read(void* buffer, UINT count) override {
    requests.push_back(count);
    const auto n = static_cast<UINT>(std::min<std::size_t>({count, chunk, bytes.size() - pos}));
    std::memcpy(buffer, bytes.data() + pos, n);
    pos += n;
    return n;
  }
  std::string bytes;
  UINT chunk;
  std::size_t pos = 0;
  std::vector<UINT> requests;
};

struct Line {
  std::string text;
  int lineNo;
  bool operator==(const Line& other) const { return text == other.text && lineNo == other.lineNo; }
};

std::ostream& operator<<(std::ostream& out, const Line& line) {
  return out << '"' << line.text << "\"@" << line.lineNo;
}

// Every line ReadLine delivers until it returns false, each read into a fresh string.
std::vector<Line> ReadAll(CFIOToken& reader, int maxLength, bool skipEmpty) {
  std::vector<Line> lines;
  for (;;) {
    CStringA out;
    if (!reader.ReadLine(out, maxLength, skipEmpty)) return lines;
    lines.push_back({std::string(out.GetString(), out.GetLength()), reader.lineNo});
  }
}

// The sources each case runs on: short reads of 1, 7 and 128 bytes, and a real file.
std::vector<Line> ReadAllFromEverySource(const std::string& bytes, int maxLength, bool skipEmpty) {
  std::vector<Line> first;
  for (UINT chunk : {1U, 7U, 128U}) {
    ChunkedFile file(bytes, chunk);
    CFIOToken reader(&file);
    const std::vector<Line> lines = ReadAll(reader, maxLength, skipEmpty);
    EXPECT_TRUE(std::all_of(file.requests.begin(), file.requests.end(),
                            [](UINT n) { return n == CFIOToken::kBlockSize; }));
    if (chunk == 1) first = lines;
    EXPECT_EQ(lines, first) << "chunk " << chunk;
  }
  TempFile temp(bytes);
  CStdioFile file(temp.path(), CFile::modeRead | CFile::typeBinary);
  CFIOToken reader(&file);
  EXPECT_EQ(ReadAll(reader, maxLength, skipEmpty), first) << "real file";
  return first;
}

TEST(CFIOToken, ReadLineHandlesEveryKindOfLineEnd) {
  const std::string x127(127, 'x');
  struct Case {
    std::string bytes;
    bool skipEmpty;
    std::vector<Line> lines;
  };
  const Case cases[] = {
      {"abc\r\ndef", false, {{"abc", 1}, {"def", 2}}},
      {"a\rb\rc\r", false, {{"a", 1}, {"b", 1}, {"c", 1}}},  // lone CRs do not count lines
      {"a\n\rb\n", false, {{"a", 1}, {"", 2}, {"b", 2}}},    // LF CR is two line ends
      {"\n\nabc", false, {{"", 1}, {"", 2}, {"abc", 3}}},
      {"\n\nabc", true, {{"abc", 3}}},
      {"\r\n\r\r\nabc\n\n", true, {{"abc", 3}}},
      {"\r\n\r\r\nabc\n", false, {{"", 1}, {"", 2}, {"", 2}, {"abc", 3}}},
      {"abc\n\r", false, {{"abc", 1}}},  // a lone CR at the very end is no line
      {"\r", false, {}},
      {"", false, {}},
      {"\n", true, {}},
      {x127 + "\r\ndef", false, {{x127, 1}, {"def", 2}}},  // CR ends a block, LF starts the next
      {x127 + "\n\rdef", false, {{x127, 1}, {"", 2}, {"def", 2}}},
      {std::string("\xA0z\0\t \n", 6), false, {{std::string("\xA0z\0\t ", 5), 1}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadAllFromEverySource(c.bytes, -1, c.skipEmpty), c.lines) << c.bytes;
  }
}

TEST(CFIOToken, AnEmptyLineLeavesTheOutputAsItWas) {
  ChunkedFile file("\r\n\nabc\n", 7);
  CFIOToken reader(&file);
  CStringA out("kept");
  EXPECT_TRUE(reader.ReadLine(out, 200, false));
  EXPECT_TRUE(reader.ReadLine(out, 200, false));
  EXPECT_EQ(out, "kept");
  EXPECT_TRUE(reader.ReadLine(out, 200, false));
  EXPECT_EQ(out, "abc");
  EXPECT_FALSE(reader.ReadLine(out, 200, false));
  EXPECT_EQ(out, "abc");
}

TEST(CFIOToken, ALineBeyondTheLimitRaisesWithItsLineNumber) {
  const std::string ok(200, 'o');
  struct Case {
    std::string bytes;
    int goodLines;
    int lineNo;
  };
  const Case cases[] = {
      {ok + "\n" + ok + "\r\n" + std::string(203, 'y'), 2, 3},
      {"a\rb\r" + std::string(203, 'y') + "\n", 2, 1},
      {std::string(203, 'y'), 0, 1},
  };
  for (const Case& c : cases) {
    for (UINT chunk : {1U, 7U, 128U}) {
      ChunkedFile file(c.bytes, chunk);
      CFIOToken reader(&file);
      CStringA out;
      for (int i = 0; i < c.goodLines; ++i) ASSERT_TRUE(reader.ReadLine(out, 200, false));
      try {
        reader.ReadLine(out, 200, false);
        ADD_FAILURE() << "no error for " << c.bytes;
      } catch (const FIO_Error& error) {
        EXPECT_EQ(error.message, "");
        EXPECT_EQ(error.line, c.lineNo) << c.bytes;
        EXPECT_EQ(error.code, -2);
        EXPECT_EQ(error.info, 0);
        EXPECT_EQ(out, std::string(201, 'y').c_str());
      }
      // The reader stays usable, inside the over-long line.
      ASSERT_TRUE(reader.ReadLine(out, 200, false));
      EXPECT_EQ(out, "yy");
    }
  }
  EXPECT_EQ(ReadAllFromEverySource(ok + "\n" + ok, 200, false),
            (std::vector<Line>{{ok, 1}, {ok, 2}}));
  const std::string huge(5000, 'h');
  EXPECT_EQ(ReadAllFromEverySource(huge, -1, false), (std::vector<Line>{{huge, 1}}));
}

TEST(CFIOToken, UngetCharGivesBackTheBufferedByteAndItsLineCount) {
  ChunkedFile file("ab\ncd", 3);  // the second block starts with "c"
  CFIOToken reader(&file);
  char ch = 0;
  reader.UngetChar('z');  // nothing handed out yet: no effect
  ASSERT_TRUE(reader.GetNextChar(ch) && reader.GetNextChar(ch) && reader.GetNextChar(ch));
  EXPECT_EQ(ch, '\n');
  reader.UngetChar('z');
  ASSERT_TRUE(reader.GetNextChar(ch));
  EXPECT_EQ(ch, '\n');
  EXPECT_EQ(reader.lineNo, 1);
  ASSERT_TRUE(reader.GetNextChar(ch));
  EXPECT_EQ(ch, 'c');
  EXPECT_EQ(reader.lineNo, 2);
  reader.UngetChar('z');  // the first byte of a fresh block
  ASSERT_TRUE(reader.GetNextChar(ch));
  EXPECT_EQ(ch, 'c');
  EXPECT_EQ(file.requests.size(), 2U);
}

TEST(CFIOToken, TheEndOfTheInputIsTriedAgainOnEveryCall) {
  ChunkedFile file("a", 128);
  CFIOToken reader(&file);
  char ch = 0;
  ASSERT_TRUE(reader.GetNextChar(ch));
  EXPECT_FALSE(reader.GetNextChar(ch));
  file.bytes += "b";
  ASSERT_TRUE(reader.GetNextChar(ch));
  EXPECT_EQ(ch, 'b');
}

TEST(CFIOToken, TheFilesOwnFaultPassesThrough) {
  CFile unopened;  // its Read throws
  CFIOToken reader(&unopened);
  CStringA out;
  try {
    reader.ReadLine(out, 200, false);
    ADD_FAILURE() << "no exception";
  } catch (CFileException* error) {
    EXPECT_EQ(error->m_cause, CFileException::invalidFile);
    error->Delete();
  }
}

TEST(CFIOToken, CharacterClasses) {
  ChunkedFile file("", 1);
  const CFIOToken reader(&file);
  const std::string numberChars = "0123456789.-+";
  const std::string delimiters = "={}";
  for (int i = 0; i < 256; ++i) {
    const char ch = static_cast<char>(i);
    EXPECT_EQ(reader.IsNumberChar(ch), numberChars.find(ch) != std::string::npos) << i;
    EXPECT_EQ(reader.IsDelimiter(ch), delimiters.find(ch) != std::string::npos) << i;
    EXPECT_TRUE(reader.IsWordChar(ch)) << i;
  }
}

}  // namespace
