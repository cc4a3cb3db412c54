#include "koordin/reader.h"

#include "driver/fio_api.h"
#include "driver/global_values.h"

#include "tests/temp_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const std::string kHeader = "VP6 KOORDIN Datei Peschges Variometer GmbH\nv2.0\n";
const std::string kBlankName(19, ' ');
const std::string kHyphens(19, '-');

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::vector<std::string> Turnpoint(const std::string& name = "Alpha") {
  return {name, "50:30:00", "N", "007:15:00", "W", "0120:123.450"};
}

std::string Repeat(const std::string& text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += text;
  return all;
}

const std::string kEmptyTurnpoint =
    Lines({kBlankName, "00:00:00", "N", "000:00:00", "O", "0000:0.000"});
const std::string kEmptyRoute = Lines({kBlankName}) + Repeat(kHyphens + "\n", 15);
const std::string kEmptyTurnpoints = Repeat(kEmptyTurnpoint, 255);

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char ch : text) out += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  return out;
}

class Reading : public ::testing::Test {
 protected:
  void SetUp() override { FIO_InitDriver(); }
  void TearDown() override { FIO_ExitDriver(); }

  // Opens `bytes` as the host's text file, in text mode.
  CHostTextFile& Open(const std::string& bytes) {
    file_.reset();
    temp_ = std::make_unique<TempFile>(bytes);
    file_ = std::make_unique<CHostTextFile>(temp_->path(), CFile::modeRead | CFile::typeText);
    return *file_;
  }

  int Read() { return FIO_ReadObject(file_.get(), &tp, &route); }

  // The FIO_Error that the next read raises.
  FIO_Error ReadError() {
    try {
      const int result = Read();
      ADD_FAILURE() << "read gave " << result << " instead of an error";
    } catch (const FIO_Error& error) {
      EXPECT_EQ(error.code, -2);
      EXPECT_EQ(error.info, 0);
      return error;
    }
    return FIO_Error(0, "(none)", 0, 0);
  }

  FIO_TPEntry tp;
  FIO_Route route;
  std::unique_ptr<TempFile> temp_;
  std::unique_ptr<CHostTextFile> file_;
};

TEST(FIO_IsFileOfMyType, ComparesTheTwoHeaderLinesExactly) {
  struct Case {
    std::string bytes;
    int result;
  };
  const Case cases[] = {
      {kHeader + kEmptyTurnpoint, 1},
      {WithCrLf(kHeader), 1},
      {"VP6 KOORDIN Datei Peschges Variometer GmbH\rv2.0\r", 1},
      {"VP6 KOORDIN Datei Peschges Variometer GmbH\nv2.0", 1},
      {kHeader + std::string(300, 'x') + "\n", 1},  // a third line is never read
      {"VP6 KOORDIN Datei Peschges Variometer GmbH \nv2.0\n", -1},
      {"VP6 KOORDIN Datei Peschges Variometer GmbH\nv2.0x\n", -1},
      {"VP6 KOORDIN Datei Peschges Variometer GmbH\nV2.0\n", -1},
      {"vp6 koordin datei peschges variometer gmbh\nv2.0\n", -1},
      {"\nVP6 KOORDIN Datei Peschges Variometer GmbH\nv2.0\n", -1},
      {"VP6 KOORDIN Datei Peschges Variometer GmbH\n", -1},
      {"", -1},
      {std::string(200, 'x') + "\nv2.0\n", -1},
  };
  for (const Case& c : cases) {
    TempFile temp(c.bytes);
    CHostTextFile file(temp.path(), CFile::modeRead | CFile::typeText);
    if (c.bytes.size() > 3) file.Seek(3, CFile::begin);  // it finds the beginning itself
    EXPECT_EQ(FIO_IsFileOfMyType(&file), c.result) << c.bytes;
    EXPECT_EQ(file.GetPosition(), 0U) << c.bytes;
  }
}

TEST(FIO_IsFileOfMyType, AnOverLongHeaderLineRaisesAndLeavesTheFileWhereItStopped) {
  const std::string ok(200, 'x');
  const std::string tooLong(201, 'x');
  struct Case {
    std::string bytes;
    int line;
  };
  const Case cases[] = {
      {tooLong + "\nv2.0\n", 1},
      {ok + "\n" + tooLong + "\n", 2},
      {ok + "\r\n" + tooLong + "\r\n", 2},
      {ok + "\r" + tooLong + "\r", 1},  // a lone carriage return does not count a line
  };
  for (const Case& c : cases) {
    TempFile temp(c.bytes);
    CStdioFile file(temp.path(), CFile::modeRead | CFile::typeBinary);
    try {
      FIO_IsFileOfMyType(&file);
      ADD_FAILURE() << "no error";
    } catch (const FIO_Error& error) {
      EXPECT_EQ(error.message, "");
      EXPECT_EQ(error.line, c.line);
      EXPECT_EQ(error.code, -2);
      EXPECT_EQ(error.info, 0);
    }
    EXPECT_NE(file.GetPosition(), 0U);
  }
}

TEST_F(Reading, MalformedTurnpointLinesRaiseTheirMessageAndLineNumber) {
  struct Case {
    int field;  // 1 latitude, 2 its hemisphere, 3 longitude, 4 its hemisphere, 5 altitude
    std::string text;
    const char* message;
  };
  const Case cases[] = {
      {1, "50:30", "bad latitude"},
      {1, "", "bad latitude"},
      {1, "50-30-00", "bad latitude"},
      {1, "123:00:00", "bad latitude"},
      {1, "50 :30:00", "bad latitude"},
      {1, "+:30:00", "bad latitude"},
      {1, "-50:30:00", "bad latitude"},  // the sign takes one of the two characters
      {1, "N", "bad latitude"},
      {2, "", "bad latitude"},
      {3, "007:15", "bad longtiude"},
      {3, "1234:00:00", "bad longtiude"},
      {3, "", "bad longtiude"},
      {3, "7.25", "bad longtiude"},
      {4, "", "bad longtiude"},
      {5, "", "bad altitude/frequency"},
      {5, ":0.000", "bad altitude/frequency"},
      {5, "abc", "bad altitude/frequency"},
      {5, " \t ", "bad altitude/frequency"},
      {5, "-:1", "bad altitude/frequency"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> bad = Turnpoint("Broken");
    bad[c.field] = c.text;
    for (int before = 0; before < 2; ++before) {  // as the first slot and as the second
      Open(kHeader + Repeat(Lines(Turnpoint()), before) + Lines(bad) + Lines(Turnpoint("Next")));
      for (int i = 0; i < before; ++i) ASSERT_EQ(Read(), 1);
      const FIO_Error error = ReadError();
      EXPECT_EQ(error.message, c.message) << c.field << ' ' << c.text;
      EXPECT_EQ(error.line, 3 + 6 * before + c.field) << c.field << ' ' << c.text;
      EXPECT_EQ(g_pGlobalValues->tpRead, before) << "a failed slot is not counted";
    }
  }
}

TEST_F(Reading, WhatWasStoredBeforeAFaultStaysAndTheSlotIsReadAgain) {
  Open(kHeader + Lines({"Zell\xA0", "50:30:00", "N", "007:15:00", "W", "x"}) +
       Lines(Turnpoint("Next")));
  tp.altitude = 777;
  tp.frequency = "kept";
  EXPECT_EQ(ReadError().message, "bad altitude/frequency");
  EXPECT_EQ(tp.number, 1);
  EXPECT_EQ(tp.name, "Zell");
  EXPECT_EQ(tp.flags, 0x300U);
  EXPECT_EQ(tp.latitude, 50.5F);
  EXPECT_EQ(tp.longitude, -7.25F);
  EXPECT_EQ(tp.altitude, 777);
  EXPECT_EQ(tp.frequency, "kept");
  EXPECT_EQ(Read(), 1);
  EXPECT_EQ(tp.number, 1);
  EXPECT_EQ(tp.name, "Next");
}

TEST_F(Reading, NameLinesAndTheMarker) {
  struct Case {
    std::string line;
    std::string name;
    unsigned flags;
    int result;
  };
  const Case cases[] = {
      {"Alpha" + std::string(14, ' '), "Alpha", 0x42, 1},
      {"Zell" + std::string(14, ' ') + "\xA0", "Zell", 0x300, 1},
      {std::string(18, ' ') + "\xA0", "", 0x300, 6},
      {kBlankName, "", 0x42, 6},
      {"", "", 0x42, 6},
      {"  Lead\t \x0B", "  Lead", 0x42, 1},
      {"Ab\xA0", "Ab", 0x300, 1},
      {"\xA0Name", "\xA0Name", 0x42, 1},
      {"Name\xA0\xA0", "Name\xA0", 0x300, 1},
      {"A name line longer than nineteen", "A name line longer than nineteen", 0x42, 1},
  };
  for (const Case& c : cases) {
    Open(kHeader + Lines(Turnpoint(c.line)));
    tp.flags = 0x42;
    EXPECT_EQ(Read(), c.result) << c.line;
    EXPECT_EQ(tp.name, c.name) << c.line;
    EXPECT_EQ(tp.flags, c.flags) << c.line;
  }
}

TEST_F(Reading, OnlyCapitalSAndWMakeACoordinateNegative) {
  struct Case {
    std::string latLetter;
    std::string lonLetter;
    float latitude;
    float longitude;
  };
  const Case cases[] = {
      {"N", "O", 50.5F, 7.25F},   {"S", "W", -50.5F, -7.25F},      {"s", "w", 50.5F, 7.25F},
      {"n", "o", 50.5F, 7.25F},   {"W", "S", -50.5F, -7.25F},      {"E", "E", 50.5F, 7.25F},
      {" S", " W", 50.5F, 7.25F}, {"Sud", "West", -50.5F, -7.25F}, {"x", "\xA0", 50.5F, 7.25F},
  };
  for (const Case& c : cases) {
    Open(kHeader + Lines({"P", "50:30:00", c.latLetter, "007:15:00", c.lonLetter, "0"}));
    EXPECT_EQ(Read(), 1);
    EXPECT_EQ(tp.latitude, c.latitude) << c.latLetter;
    EXPECT_EQ(tp.longitude, c.longitude) << c.lonLetter;
  }
}

TEST_F(Reading, ATurnpointFillsItsFieldsAndLeavesTheOthers) {
  const std::string longFrequency(40, '7');
  Open(kHeader + Lines({"Alpha", "-5:30:00", "N", "179:75:90", "O", "-005:" + longFrequency}));
  tp.comment = "host";
  route.name = "untouched";
  EXPECT_EQ(Read(), 1);
  EXPECT_EQ(tp.number, 1);
  EXPECT_EQ(tp.latitude, -4.5F);  // the sign belongs to the degrees alone
  EXPECT_EQ(tp.longitude, static_cast<float>(179 + (90 / 60.0 + 75) / 60));
  EXPECT_EQ(tp.altitude, -5);
  EXPECT_EQ(tp.frequency, longFrequency);
  EXPECT_EQ(tp.comment, "host");
  EXPECT_EQ(route.name, "untouched");
}

// The failing forms are in the malformed-slot table above.
TEST(ParseDmsLine, ReadsFieldsAsTheCRuntimeDoes) {
  struct Case {
    const char* line;
    bool isLongitude;
    koordin::DmsFields fields;
  };
  const Case cases[] = {
      {"50:30:00", false, {50, 30, 0}},     {"5:3:7", false, {5, 3, 7}},
      {" 50: 30:\t00", false, {50, 30, 0}}, {"-5:-3:+1", false, {-5, -3, 1}},
      {"50:30:007", false, {50, 30, 0}},    {"50:30:00 and more", false, {50, 30, 0}},
      {"123:00:00", true, {123, 0, 0}},     {"-12:00:00", true, {-12, 0, 0}},
  };
  for (const Case& c : cases) {
    koordin::DmsFields fields;
    ASSERT_TRUE(koordin::ParseDmsLine(c.line, c.isLongitude, fields)) << c.line;
    EXPECT_EQ(fields.degrees, c.fields.degrees) << c.line;
    EXPECT_EQ(fields.minutes, c.fields.minutes) << c.line;
    EXPECT_EQ(fields.seconds, c.fields.seconds) << c.line;
  }
}

// The failing forms are in the malformed-slot table above.
TEST(ParseAltitudeLine, AltitudeAndFrequencyForms) {
  const std::string longText(250, 'f');
  struct Case {
    std::string line;
    int altitude;
    std::string frequency;
  };
  const Case cases[] = {
      {"0120:0.000", 120, "0.000"},
      {"0120", 120, ""},
      {"0120:", 120, ""},
      {"0120:123.450 Tower", 120, "123.450"},
      {"0120: 118.0", 120, "118.0"},
      {"12345:118.000", 1234, ""},  // the colon is not where the format expects it
      {"-005:0.000", -5, "0.000"},
      {"-999:1", -999, "1"},
      {"+12:1", 12, "1"},
      {"12:34:56", 12, "34:56"},
      {"0000:" + longText + " x", 0, longText},  // a long frequency is taken whole
  };
  for (const Case& c : cases) {
    int altitude = 0;
    std::string frequency = "old";
    ASSERT_TRUE(koordin::ParseAltitudeLine(c.line.c_str(), altitude, frequency)) << c.line;
    EXPECT_EQ(altitude, c.altitude) << c.line;
    EXPECT_EQ(frequency, c.frequency) << c.line;
  }
}

TEST_F(Reading, RoutePointLines) {
  const std::vector<std::string> pointLines = {
      "Start" + std::string(14, ' '),
      kHyphens,
      kHyphens + " ",
      "",
      "  Mid  ",
      std::string(18, '-'),
      std::string(20, '-'),
      "Marked\xA0",
  };
  Open(kHeader + kEmptyTurnpoints + Lines({"Tour  "}) + Lines(pointLines) +
       Repeat(kHyphens + "\n", 15 - static_cast<int>(pointLines.size())) +
       Lines({"", "Only", "Points"}));
  for (int i = 0; i < 255; ++i) ASSERT_EQ(Read(), 6);
  AppendRoutePoint(route, "Old", 1.0F, 2.0F, 3);
  tp.name = "untouched";
  EXPECT_EQ(Read(), 2);
  EXPECT_EQ(route.name, "Tour");
  EXPECT_EQ(tp.name, "untouched");
  const std::vector<std::string> expected = {
      "Old",       "Start", kHyphens, "", "  Mid", std::string(18, '-'), std::string(20, '-'),
      "Marked\xA0"};
  ASSERT_EQ(route.points.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const FIO_TPEntry& point = *route.points[i];
    EXPECT_EQ(point.name, expected[i]);
    if (i == 0) continue;
    EXPECT_EQ(point.latitude, 0.0F);
    EXPECT_EQ(point.longitude, 0.0F);
    EXPECT_EQ(point.kind, 1);
    EXPECT_EQ(point.number, -1);
    EXPECT_EQ(point.flags, 1U);
  }
  // A blank route name gives an empty slot whose points still count; then the file ends, and
  // every missing line becomes a point without a name.
  route.ClearPoints();
  EXPECT_EQ(Read(), 6);
  ASSERT_EQ(route.points.size(), 15U);
  EXPECT_EQ(route.points[0]->name, "Only");
  EXPECT_EQ(route.points[1]->name, "Points");
  EXPECT_EQ(route.points[14]->name, "");
  for (int slot = 3; slot <= 32; ++slot) {
    route.ClearPoints();
    EXPECT_EQ(Read(), 6);
    EXPECT_EQ(route.points.size(), 15U);
  }
  EXPECT_EQ(Read(), -1);
}

TEST_F(Reading, AFileOfEmptySlotsReadsAsEmptySlotsThenEnds) {
  Open(kHeader + kEmptyTurnpoints + Repeat(kEmptyRoute, 32));
  for (int i = 1; i <= 255; ++i) {
    ASSERT_EQ(Read(), 6);
    ASSERT_EQ(tp.number, i);
  }
  for (int i = 1; i <= 32; ++i) ASSERT_EQ(Read(), 6);
  EXPECT_TRUE(route.points.empty());
  EXPECT_EQ(file_->lineNumber, 2044);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Read(), -1);
  EXPECT_EQ(g_pGlobalValues->tpRead, 255);
  EXPECT_EQ(g_pGlobalValues->routesRead, 32);
}

TEST_F(Reading, AFileThatEndsInsideATurnpointSlot) {
  const std::vector<std::string> slot = Turnpoint();
  struct Case {
    int linesOfSlot;
    const char* message;
    int line;
  };
  const Case cases[] = {
      {0, "bad latitude", 2},  {1, "bad latitude", 3},  {2, "bad latitude", 4},
      {3, "bad longtiude", 5}, {4, "bad longtiude", 6}, {5, "bad altitude/frequency", 7},
  };
  for (const Case& c : cases) {
    Open(kHeader + Lines(std::vector<std::string>(slot.begin(), slot.begin() + c.linesOfSlot)));
    const FIO_Error error = ReadError();
    EXPECT_EQ(error.message, c.message) << c.linesOfSlot;
    EXPECT_EQ(error.line, c.line) << c.linesOfSlot;
  }
  Open("");
  EXPECT_EQ(ReadError().line, 0);
}

TEST_F(Reading, AReadAtTheBeginningStartsANewPass) {
  Open("any first line\nand any second\n" + Lines(Turnpoint("One")) + Lines(Turnpoint("Two")) +
       Repeat(kEmptyTurnpoint, 253) + Repeat(kEmptyRoute, 32));
  EXPECT_EQ(Read(), 1);
  EXPECT_EQ(Read(), 1);
  EXPECT_EQ(tp.name, "Two");
  for (int i = 0; i < 3; ++i) {
    g_pGlobalValues->tpWritten = 9;
    g_pGlobalValues->routesWritten = 9;
    file_->Seek(0, CFile::begin);
    EXPECT_EQ(Read(), 1);
    EXPECT_EQ(tp.number, 1);
    EXPECT_EQ(tp.name, "One");
    EXPECT_EQ(file_->lineNumber, 8);
    EXPECT_EQ(g_pGlobalValues->tpWritten, 0);
    EXPECT_EQ(g_pGlobalValues->routesWritten, 0);
    while (Read() != -1) {
    }
  }
}

// Every result and every field the reader fills, for the whole of a pass.
std::string ReadPass(CHostTextFile& file) {
  std::string all;
  for (;;) {
    FIO_TPEntry tp;
    FIO_Route route;
    const int result = FIO_ReadObject(&file, &tp, &route);
    all += std::to_string(result) + ' ' + std::to_string(tp.number) + ' ' + tp.name + ' ' +
           std::to_string(tp.latitude) + ' ' + std::to_string(tp.longitude) + ' ' +
           std::to_string(tp.altitude) + ' ' + tp.frequency + ' ' + std::to_string(tp.flags) + ' ' +
           route.name;
    for (const FIO_TPEntry* point : route.points) all += '|' + point->name;
    all += '\n';
    if (result == -1) return all;
  }
}

TEST_F(Reading, LineFeedAndCarriageReturnLineFeedFilesReadAlike) {
  const std::string text =
      kHeader + Lines({"Zell  \xA0", "47:20:15", "N", "012:47:59", "O", "0757:122.500 x"}) +
      Lines({"South", "33:52:08", "S", "151:12:30", "O", "-005"}) + Repeat(kEmptyTurnpoint, 253) +
      Lines({"Tour  ", "Zell", "South  ", ""}) + Repeat(kHyphens + "\n", 12) +
      Repeat(kEmptyRoute, 31);
  CHostTextFile& lf = Open(text);
  EXPECT_EQ(FIO_IsFileOfMyType(&lf), 1);
  const std::string expected = ReadPass(lf);
  EXPECT_NE(expected.find("1 1 Zell 47.33"), std::string::npos) << expected;
  EXPECT_NE(expected.find("2 -1  0.000000 0.000000 0  1 Tour|Zell|South|\n"), std::string::npos);
  CHostTextFile& crlf = Open(WithCrLf(text));
  EXPECT_EQ(FIO_IsFileOfMyType(&crlf), 1);
  EXPECT_EQ(ReadPass(crlf), expected);
}

}  // namespace
