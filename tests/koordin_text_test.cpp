#include "tools/koordin/reports/text_table.h"

#include "tools/koordin/cli/nearest_name.h"
#include "tools/koordin/formats/charset.h"

#include <gtest/gtest.h>

#include <clocale>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace koordin_cli {
namespace {

TEST(TextFormat, DmsRoundsWithCarries) {
  EXPECT_EQ(FormatDms(-50.5, true), "50°30'00\"S");
  EXPECT_EQ(FormatDms(47.0 + 59.6 / 3600, true), "47°01'00\"N");              // into the minute
  EXPECT_EQ(FormatDms(47.0 + 59.0 / 60 + 59.7 / 3600, true), "48°00'00\"N");  // and the degree
  EXPECT_EQ(FormatDms(179.9999999, false), "180°00'00\"E");
}

TEST(CsvField, QuotesOnlyWhatNeedsIt) {
  const std::pair<std::string, std::string> cases[] = {
      {"C", "C"},
      {"Feld, Nord", "\"Feld, Nord\""},
      {"a\nb", "\"a\nb\""},
      {"Sa \"Gipfel\"", "\"Sa \"\"Gipfel\"\"\""},
      {" blank", "\" blank\""},
  };
  for (const auto& [text, field] : cases) EXPECT_EQ(CsvField(text), field) << text;
}

// What prints as it is and what becomes an escape: nothing that moves a line or drives a terminal.
TEST(Escaped, WritesControlCharactersAsEscapes) {
  const std::pair<std::string, std::string> cases[] = {
      {"Säntis", "Säntis"},    {"a\nb", "a\\nb"},        {"a\r\n", "a\\r\\n"},
      {"\t", "\\t"},           {"\x1b[2J", "\\x1b[2J"},  {"\x7f", "\\x7f"},
      {"\xc2\x85", "\\u0085"}, {"\xc2\xa0", "\xc2\xa0"}, {std::string(1, '\0'), "\\x00"},
  };
  for (const auto& [text, escaped] : cases) EXPECT_EQ(Escaped(text), escaped) << text;
}

TEST(NearestName, SuggestsOnlyWhatIsNearEnough) {
  const std::vector<std::string> commands = {"info", "check", "dump", "convert"};
  const std::pair<std::string, std::string> cases[] = {
      {"convrt", "convert"}, {"con", "convert"}, {"chekc", "check"}, {"dupm", "dump"},
      {"inof", "info"},      {"frobnicate", ""}, {"x", ""},          {"", ""},
  };
  for (const auto& [word, nearest] : cases) EXPECT_EQ(NearestName(word, commands), nearest) << word;
}

// Each row converts in turn, so that later rows use the converters that earlier ones opened.
TEST(ConvertCharset, ConvertsTransliteratesAndStartsEachTextAfresh) {
  std::setlocale(LC_CTYPE, "C.UTF-8");  // the transliteration koordin uses
  const struct {
    std::string text;
    const char *from, *to;
    std::string converted;
    bool exact;
  } cases[] = {
      {"Lodz", "UTF-8", "CP1252", "Lodz", true},
      {"\xC5\x81\xC3\xB3\x64\xC5\xBA", "UTF-8", "CP1252", "L\xF3\x64z", false},  // Łódź
      {"Lodz", "UTF-8", "CP1252", "Lodz", true},
      {"\xFFx", "UTF-8", "CP1252", "?x", false},
      {"Caf\xE9", "CP1252", "UTF-8", "Caf\xC3\xA9", true},
      {"Cafe", "CP1252", "UTF-8", "Cafe", true},
      {"ab", "UTF-8", "UTF-16LE", std::string("a\0b\0", 4), true},  // ASCII that changes
      {"a+b", "UTF-8", "UTF-7", "a+-b", true},
      {"\xE6\x97\xA5", "UTF-8", "ISO-2022-JP", "\x1B$BF|\x1B(B", true},  // shifts and back
      {"\xE6\x97\xA5", "UTF-8", "ISO-2022-JP", "\x1B$BF|\x1B(B", true},
  };
  for (const auto& c : cases) {
    bool exact = !c.exact;
    EXPECT_EQ(ConvertCharset(c.text, c.from, c.to, &exact), c.converted) << c.text << " " << c.to;
    EXPECT_EQ(exact, c.exact) << c.text << " " << c.to;
  }
  for (int attempt = 0; attempt < 2; ++attempt) {  // an unknown set is refused every time
    EXPECT_THROW(ConvertCharset("a", "UTF-8", "NO-SUCH-SET"), std::invalid_argument);
  }
}

// ASCII is taken eight bytes at a time: what follows a run of it, at every offset from a block's
// start to past its end, is still checked.
TEST(IsValidUtf8, ChecksWhatFollowsAsciiAtAnyOffset) {
  const std::pair<std::string, bool> tails[] = {
      // bytes after the ASCII, and whether valid
      {"", true},
      {"\xC3\xA9", true},          // é
      {"\xE2\x82\xAC", true},      // €
      {"\xF0\x9F\x98\x80", true},  // an emoji
      {"\xE9", false},             // Windows-1252 é
      {"\xC3", false},             // a lead byte without what it leads
      {"\xC0\xAF", false},         // an over-long '/'
      {"\xED\xA0\x80", false},     // a surrogate
      {"\x80", false},             // a lone continuation byte
  };
  for (std::size_t ascii = 0; ascii <= 17; ++ascii) {
    for (const auto& [tail, valid] : tails) {
      for (const std::string& after : {std::string(), std::string("abcdefghij")}) {
        const std::string text = std::string(ascii, 'a') + tail + after;
        EXPECT_EQ(IsValidUtf8(text), valid) << ascii << " ASCII bytes, then " << tail << after;
      }
    }
  }
}

}  // namespace
}  // namespace koordin_cli
