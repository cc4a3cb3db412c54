#include "text/fio_token.h"

#include "afx/afx_file.h"
#include "records/fio_error.h"

#include "tests/temp_file.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

// A file that hands out its bytes at most `chunk` at a time, as pipes and devices may.
struct ChunkedFile : CFile {
  ChunkedFile(std::string bytes, UINT chunk) : bytes(std::move(bytes)), chunk(chunk) {}
  UINT Read(void* buffer, UINT count) override {
    EXPECT_EQ(count, 128U) << "a block";
    const std::size_t n = bytes.copy(static_cast<char*>(buffer), count < chunk ? count : chunk);
    bytes.erase(0, n);
    return static_cast<UINT>(n);
  }
  std::string bytes;
  UINT chunk;
};

// Each line as "text@lineNo|", read into a fresh "~" an empty line keeps; "!line|" if too long.
std::string ReadAll(CFile& file, int limit = 200, bool skip = false) {
  CFIOToken in(&file);
  std::string all;
  for (CStringA out("~");; out = "~") {
    try {
      if (!in.ReadLine(out, limit, skip)) return all;
      all += std::string(out.GetString(), out.GetLength()) + "@" + std::to_string(in.lineNo) + "|";
    } catch (const FIO_Error& error) {
      EXPECT_TRUE(error.message.IsEmpty());
      EXPECT_EQ(error.code, kFIOErrorCode);
      EXPECT_EQ(error.info, kFIOErrorInfo);
      all += "!" + std::to_string(error.line) + "|";
    } catch (CFileException* error) {
      error->Delete();
      return all + "file fault";
    }
  }
}

void Expect(const std::string& bytes, const std::string& read, int limit = 200, bool skip = false) {
  for (const UINT chunk : {1U, 7U, 128U}) {
    ChunkedFile file(bytes, chunk);
    EXPECT_EQ(ReadAll(file, limit, skip), read) << bytes << " by " << chunk;
  }
  TempFile temp(bytes);
  CStdioFile file(temp.path(), CFile::modeRead | CFile::typeBinary);
  EXPECT_EQ(ReadAll(file, limit, skip), read) << bytes;
}

TEST(CFIOToken, ReadLineTakesEveryLineEndTheLimitAndFaults) {
  const std::string x127(127, 'x'), o200(200, 'o'), y(203, 'y');
  const std::pair<std::string, std::string> cases[] = {
      {"abc\r\ndef", "abc@1|def@2|"},               // no final line end
      {"a\n\rb\n\nc", "a@1|~@2|b@2|~@3|c@4|"},      // LF CR is two line ends
      {"\r\n\r\r\nabc\n\r", "~@1|~@2|~@2|abc@3|"},  // nor is a CR at the very end a line
      {x127 + "\r\ndef", x127 + "@1|def@2|"},       // the line end across two blocks
      {x127 + "\rdef", x127 + "@1|def@1|"},
      {std::string("\xA0z\0\t \n", 6), std::string("\xA0z\0\t @1|", 8)},
      {o200 + "\n" + o200 + "\r\n" + y, o200 + "@1|" + o200 + "@2|!3|yy@3|"},
      {"a\rb\r" + y + "\n", "a@1|b@1|!1|yy@1|"},  // lone CRs count no lines
  };
  for (const auto& [bytes, lines] : cases) Expect(bytes, lines);
  Expect("\r\n\r\r\nabc\n\n", "abc@3|", 200, true);            // skipEmpty
  Expect(x127 + x127 + x127, x127 + x127 + x127 + "@1|", -1);  // no limit

  CFile unopened;  // its Read throws, and the fault passes through
  EXPECT_EQ(ReadAll(unopened), "file fault");
}

TEST(CFIOToken, APushedBackLineFeedTakesItsLineCountBack) {
  ChunkedFile file("a\nb", 128);
  CFIOToken in(&file);
  char ch = 0;
  ASSERT_TRUE(in.GetNextChar(ch));
  ASSERT_TRUE(in.GetNextChar(ch));
  in.UngetChar(ch);
  ASSERT_TRUE(in.GetNextChar(ch));
  ASSERT_TRUE(in.GetNextChar(ch));
  EXPECT_EQ(ch, 'b');
  EXPECT_EQ(in.lineNo, 2);
}

}  // namespace
