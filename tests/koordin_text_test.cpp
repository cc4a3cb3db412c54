#include "tools/koordin/text_format.h"

#include "tools/koordin/suggest.h"

#include <gtest/gtest.h>

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

TEST(TextTable, AlignsByCharactersNotBytes) {
  TextTable table({"n", "name", "alt"}, {true, false, true});
  table.AddRow({"1", "Säntis", "2502"});
  table.AddRow({"12", "Hahnweide", "353"});
  table.AddRow({"3", "", ""});
  EXPECT_EQ(table.Render(), " n  name        alt\n 1  Säntis     2502\n12  Hahnweide   353\n 3\n");
}

}  // namespace
}  // namespace koordin_cli
