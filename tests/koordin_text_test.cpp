#include "tools/koordin/text_format.h"

#include <gtest/gtest.h>

namespace koordin_cli {
namespace {

TEST(TextFormat, DmsRoundsWithCarriesAndCsvQuotesOnlyWhatNeedsIt) {
  EXPECT_EQ(FormatDms(-50.5, true), "50°30'00\"S");
  EXPECT_EQ(FormatDms(47.0 + 59.6 / 3600, true), "47°01'00\"N");              // into the minute
  EXPECT_EQ(FormatDms(47.0 + 59.0 / 60 + 59.7 / 3600, true), "48°00'00\"N");  // and the degree
  EXPECT_EQ(FormatDms(179.9999999, false), "180°00'00\"E");
  EXPECT_EQ(CsvField("Feld, Nord") + CsvField("a\nb") + CsvField("C"), "\"Feld, Nord\"\"a\nb\"C");
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
