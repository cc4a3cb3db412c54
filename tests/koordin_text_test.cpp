#include "tools/koordin/text_format.h"

#include <gtest/gtest.h>

namespace koordin_cli {
namespace {

TEST(FormatDms, WholeSecondsWithCarriesAndHemispheres) {
  struct Case {
    double degrees;
    bool latitude;
    const char* expected;
  };
  const Case cases[] = {
      {50.5, true, "50°30'00\"N"},
      {-50.5, true, "50°30'00\"S"},
      {-7.25, false, "007°15'00\"W"},
      {8.5333333, false, "008°32'00\"E"},
      {179.9999999, false, "180°00'00\"E"},
      {47.0 + 59.6 / 3600, true, "47°01'00\"N"},              // seconds round up into the minute
      {47.0 + 59.0 / 60 + 59.7 / 3600, true, "48°00'00\"N"},  // and on into the degree
      {0.0, true, "00°00'00\"N"},
      {-0.0001, false, "000°00'00\"W"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatDms(c.degrees, c.latitude), c.expected) << c.degrees;
  }
}

TEST(TextTable, AlignsByCharactersNotBytes) {
  TextTable table({"n", "name", "alt"}, {true, false, true});
  table.AddRow({"1", "Säntis", "2502"});
  table.AddRow({"12", "Hahnweide", "353"});
  table.AddRow({"3", "", ""});
  EXPECT_EQ(table.Render(),
            " n  name        alt\n"
            " 1  Säntis     2502\n"
            "12  Hahnweide   353\n"
            " 3\n");
}

TEST(CsvField, QuotesOnlyWhatNeedsIt) {
  EXPECT_EQ(CsvField("Hahnweide"), "Hahnweide");
  EXPECT_EQ(CsvField("Feld, Nord"), "\"Feld, Nord\"");
  EXPECT_EQ(CsvField("50°30'00\"N"), "\"50°30'00\"\"N\"");
  EXPECT_EQ(CsvField("a\nb"), "\"a\nb\"");
}

}  // namespace
}  // namespace koordin_cli
