#include "koordin/reader.h"

#include "driver/fio_api.h"
#include "driver/global_values.h"

#include "tests/temp_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <list>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

const std::string kHeader = "VP6 KOORDIN Datei Peschges Variometer GmbH\nv2.0\n";
const std::vector<std::string> kSlot = {"Alpha", "50:30:00", "N", "007:15:00", "W", "0120:123.450"};

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

std::string Repeat(const std::string& text, int times) {
  std::string all;
  while (times-- > 0) all += text;
  return all;
}

// Results as Outcome shows them.
const std::string kMine = std::to_string(kFIOSuccess), kNotMine = std::to_string(kFIONotHandled),
                  kTurnpoint = std::to_string(kFIOReadTurnpoint),
                  kEnd = std::to_string(kFIOReadEnd), kRoute = std::to_string(kFIOReadRoute),
                  kEmpty = std::to_string(kFIOReadEmptySlot);

// Every test runs twice: on its file with line feeds, and with carriage returns and line feeds.
class Reading : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { FIO_InitDriver(); }
  void TearDown() override { FIO_ExitDriver(); }

  // Opens `text` as the host's file in text mode, with the line ends of the run.
  CHostTextFile& Open(std::string text) {
    if (GetParam()) text = std::regex_replace(text, std::regex("\n"), "\r\n");
    tmp_.emplace_back(text);
    file_ = std::make_unique<CHostTextFile>(tmp_.back().path(), CFile::modeRead | CFile::typeText);
    return *file_;
  }

  // What `call` gives: its result, or the FIO_Error it raises as "message@line".
  template <typename Call>
  static std::string Outcome(const Call& call) {
    try {
      return std::to_string(call());
    } catch (const FIO_Error& error) {
      EXPECT_EQ(error.code, kFIOErrorCode);
      EXPECT_EQ(error.info, kFIOErrorInfo);
      return error.message.GetString() + ("@" + std::to_string(error.line));
    }
  }

  std::string Read() {
    return Outcome([this] { return FIO_ReadObject(file_.get(), &tp, &route); });
  }

  FIO_TPEntry tp;
  FIO_Route route;
  std::list<TempFile> tmp_;
  std::unique_ptr<CHostTextFile> file_;
};

INSTANTIATE_TEST_SUITE_P(LineEnds, Reading, ::testing::Values(false, true));

// Over-long lines raise, and leave the file where the reading stopped; otherwise it is at 0.
TEST_P(Reading, RecognitionComparesTheTwoHeaderLinesExactly) {
  const std::string line1 = "VP6 KOORDIN Datei Peschges Variometer GmbH", ok(200, 'x');
  const auto check = [this](const std::string& bytes, const std::string& result) {
    Open(bytes).Seek(bytes.size() > 3 ? 3 : 0, CFile::begin);  // it finds the beginning itself
    EXPECT_EQ(Outcome([this] { return FIO_IsFileOfMyType(file_.get()); }), result) << bytes;
    EXPECT_EQ(file_->GetPosition() == 0, result[0] != '@') << bytes;
  };
  // The last: a third line is never read.
  for (const std::string& bytes :
       {kHeader + Lines(kSlot), line1 + "\nv2.0", line1 + "\rv2.0\r", kHeader + ok + "y\n"})
    check(bytes, kMine);
  for (const std::string& bytes : {line1 + " \nv2.0\n", line1 + "\nv2.0x\n", line1 + "\nV2.0\n",
                                   "\n" + kHeader, line1 + "\n", std::string(), ok + "\nv2.0\n"})
    check(bytes, kNotMine);
  check(ok + "y\nv2.0\n", "@1");
  check(ok + "\n" + ok + "y\n", "@2");
}

// Slot 1 or 2 has one line replaced, or the file ends before it (no text).
TEST_P(Reading, MalformedOrMissingLinesRaiseTheirMessageAndLineNumber) {
  const char *lat = "bad latitude", *lon = "bad longtiude", *alt = "bad altitude/frequency";
  const std::tuple<int, const char*, const char*> cases[] = {
      {1, "50:30", lat},  {1, "", lat},       {1, "123:00:00", lat},  {1, "-50:30:00", lat},
      {2, "", lat},       {3, "007:15", lon}, {3, "1234:00:00", lon}, {5, "", alt},
      {5, ":0.000", alt}, {5, "abc", alt},    {0, nullptr, lat},      {1, nullptr, lat},
      {2, nullptr, lat},  {3, nullptr, lon},  {4, nullptr, lon},      {5, nullptr, alt},
  };
  for (const auto& [field, text, message] : cases) {
    for (int before = 0; before < 2; ++before) {
      std::vector<std::string> bad = {"Broken\xA0", "50:30:00", "N", "007:15:00", "W", "0"};
      text != nullptr ? void(bad[field] = text) : bad.resize(field);
      Open(kHeader + Repeat(Lines(kSlot), before) + Lines(bad) + (text ? Lines(kSlot) : ""));
      for (int i = 0; i < before; ++i) ASSERT_EQ(Read(), kTurnpoint);
      const int line = 3 + 6 * before + field - (text == nullptr ? 1 : 0);
      EXPECT_EQ(Read(), message + ("@" + std::to_string(line))) << field << (text ? text : "");
      EXPECT_EQ(g_pGlobalValues->tpRead, before) << "a failed slot is not counted";
      if (field > 0) {  // the lines before the fault are kept
        EXPECT_EQ(tp.name, "Broken");
        EXPECT_EQ(tp.flags, 0x300U);
      }
      if (field != 5 || text == nullptr) continue;  // the slot's last line failed
      EXPECT_EQ(Read(), kTurnpoint) << "the next lines read as the same slot";
      EXPECT_EQ(tp.name + std::to_string(tp.number), "Alpha" + std::to_string(before + 1));
    }
  }
  Open("");
  EXPECT_EQ(Read(), "bad latitude@0");
}

// Slot 1 with one line replaced gives "result|name|flags|latitude|longitude|altitude|frequency".
TEST_P(Reading, EachLineOfATurnpointSlot) {
  const std::string b14(14, ' '), longText(40, 'f');
  const std::tuple<int, std::string, std::string> cases[] = {
      {0, "Zell" + b14 + "\xA0", "1|Zell|300|50.5|-7.25|120|123.450"},
      {0, b14 + "    \xA0", "6||300|50.5|-7.25|120|123.450"},
      {0, "  Lead\t \x0B", "1|  Lead|42|50.5|-7.25|120|123.450"},
      {0, "\xA0Name", "1|\xA0Name|42|50.5|-7.25|120|123.450"},
      {0, "Name\xA0\xA0", "1|Name\xA0|300|50.5|-7.25|120|123.450"},
      {0, "Longer than nineteen chars", "1|Longer than nineteen chars|42|50.5|-7.25|120|123.450"},
      {1, "5:3:7", "1|Alpha|42|5.05194|-7.25|120|123.450"},
      {1, "-5:30:00", "1|Alpha|42|-4.5|-7.25|120|123.450"},  // the sign is the degrees' alone
      {3, "179:75:90 and more", "1|Alpha|42|50.5|-180.275|120|123.450"},
      {2, "S", "1|Alpha|42|-50.5|-7.25|120|123.450"},
      {2, " S", "1|Alpha|42|50.5|-7.25|120|123.450"},
      {4, "w", "1|Alpha|42|50.5|7.25|120|123.450"},
      {4, "S", "1|Alpha|42|50.5|-7.25|120|123.450"},
      {4, "West", "1|Alpha|42|50.5|-7.25|120|123.450"},
      {5, "0120", "1|Alpha|42|50.5|-7.25|120|"},
      {5, "12345:118.000", "1|Alpha|42|50.5|-7.25|1234|"},
      {5, "-005: 118.0 Tower", "1|Alpha|42|50.5|-7.25|-5|118.0"},
      {5, "12:34:56", "1|Alpha|42|50.5|-7.25|12|34:56"},
      {5, "0000:" + longText + " x", "1|Alpha|42|50.5|-7.25|0|" + longText},
  };
  for (const auto& [field, text, expected] : cases) {
    std::vector<std::string> slot = kSlot;
    slot[field] = text;
    Open(kHeader + Lines(slot));
    tp.flags = 0x42, tp.frequency = "old";
    std::ostringstream read;  // left to right, the read first
    read << Read() << '|' << tp.name << '|' << std::hex << tp.flags << std::dec << '|'
         << tp.latitude << '|' << tp.longitude << '|' << tp.altitude << '|' << tp.frequency;
    EXPECT_EQ(read.str(), expected);
  }
}

// Every slot in turn: the route slot's point lines, the end, and a new pass after a seek to 0.
TEST_P(Reading, APassReadsEverySlotAndASeekToTheBeginningStartsAnother) {
  const std::string h18(18, '-'), h19(19, '-'), h20(20, '-');
  const std::vector<std::string> points = {"Start   ", h19, h19 + " ", "",
                                           "  Mid  ",  h18, h20,       "Marked\xA0"};
  Open("any first line\nand any second\n" + Lines(kSlot) +
       Repeat(Lines({std::string(kFIONameLineWidth, ' '), "00:00:00", "N", "000:00:00", "O",
                     "0000:0.000"}),
              kFIOTurnpointCapacity - 1) +
       Lines({"Tour  "}) + Lines(points) + Repeat(h19 + "\n", 7) +
       Repeat(Lines({""}) + Repeat(h19 + "\n", kFIOPointsPerRoute), kFIORouteCapacity - 2) +
       Lines({"", "Only", "Points"}));
  for (int pass = 0; pass < 2; ++pass) {
    g_pGlobalValues->tpWritten = g_pGlobalValues->routesWritten = 9;
    file_->Seek(0, CFile::begin);
    EXPECT_EQ(Read(), kTurnpoint);
    EXPECT_EQ(file_->lineNumber, 8);
    EXPECT_EQ(g_pGlobalValues->tpWritten + g_pGlobalValues->routesWritten, 0);
    for (int n = 2; n <= kFIOTurnpointCapacity; ++n) {
      ASSERT_EQ(Read(), kEmpty);
      ASSERT_EQ(tp.number, n);
    }
    route.ClearPoints();
    AppendRoutePoint(route, "Old", 1.0F, 2.0F, kFIOPointKindOmittable);  // kept: reading appends
    tp.name = "untouched";
    route.hostId = 0x11111111, route.hostFlags = 0x22222222;
    EXPECT_EQ(Read(), kRoute);
    EXPECT_EQ(tp.name, "untouched");
    EXPECT_EQ(route.name, "Tour");
    EXPECT_EQ(route.hostId, 0x11111111U) << "the host's values are untouched";
    EXPECT_EQ(route.hostFlags, 0x22222222U) << "the host's values are untouched";
    std::string names;
    for (const FIO_TPEntry* point : route.points) names += point->name + "|";
    EXPECT_EQ(names, "Old|Start|" + h19 + "||  Mid|" + h18 + "|" + h20 + "|Marked\xA0|");
    const FIO_TPEntry& p = *route.points.back();  // a new point, with the initial values
    EXPECT_EQ(std::tuple(p.latitude, p.kind, p.number, p.flags),
              std::tuple(0.0F, kFIOPointKindPlain, -1, 1U));
    for (int n = 2; n < kFIORouteCapacity; ++n) ASSERT_EQ(Read(), kEmpty);
    route.ClearPoints();
    EXPECT_EQ(Read(), kEmpty);  // a blank name; the file ends, and each missing line is a point
    ASSERT_EQ(route.points.size(), std::size_t{kFIOPointsPerRoute});
    EXPECT_EQ(route.points[0]->name + route.points[1]->name + route.points[14]->name, "OnlyPoints");
    EXPECT_EQ(Read(), kEnd);
    EXPECT_EQ(Read(), kEnd) << "and again";
    EXPECT_EQ(g_pGlobalValues->tpRead + g_pGlobalValues->routesRead,
              kFIOTurnpointCapacity + kFIORouteCapacity);
  }
}

// The parsers take the forms of a written file apart themselves and leave the rest to the C
// runtime; either way they must read what the C runtime's formatted input reads.
TEST(LineParsers, ReadWhatTheFormattedInputReads) {
  // The lines, separated by "|".
  const std::string all =
      "50:30:00|007:15:00|50:30:00x|007:15:00 more|5:30:00|50:3:00|50:30:0|"
      "050:30:00|50:30|50-30-00| 50:30:00|-5:30:00|+50:30:00|50:30:-0|"
      "99:99:99|999:99:99|0120:0.000|0120|0120:|0120:123.450|0120:123 450|"
      "0120:130.125\tTower \xA0|0120:130.125\v|0120: |0120:\t118|0120:\xA0|"
      "0120:a\x7F|12345:118.000|-005:0.000|012|0120x|0120::||N| |\x01|"
      "0120:~!\"#$%&'()|1234:1234:1234";
  std::vector<std::string> lines(1);
  for (const char ch : all) ch == '|' ? void(lines.emplace_back()) : void(lines.back() += ch);
  for (const std::string& line : lines) {
    for (const bool isLongitude : {false, true}) {
      koordin::DmsFields fields;
      int d = 0, m = 0, sec = 0;
      const int read = std::sscanf(line.c_str(), isLongitude ? "%03d:%02d:%02d" : "%02d:%02d:%02d",
                                   &d, &m, &sec);
      ASSERT_EQ(koordin::ParseDmsLine(line.c_str(), isLongitude, fields), read == 3) << line;
      if (read == 3) {
        EXPECT_EQ(std::tie(fields.degrees, fields.minutes, fields.seconds), std::tie(d, m, sec))
            << line;
      }
    }
    std::int32_t altitude = 0, expectedAltitude = 0;
    std::string frequency;
    std::string text(line.size() + 1, '\0');
    const int read = std::sscanf(line.c_str(), "%04d:%s", &expectedAltitude, text.data());
    ASSERT_EQ(koordin::ParseAltitudeLine(line.c_str(), altitude, frequency), read >= 1) << line;
    if (read >= 1) {
      EXPECT_EQ(altitude, expectedAltitude) << line;
      EXPECT_EQ(frequency, text.c_str()) << line;
    }
    char letter = 0, expectedLetter = 0;
    ASSERT_EQ(koordin::ParseHemisphereLine(line.c_str(), letter),
              std::sscanf(line.c_str(), "%c", &expectedLetter) == 1)
        << line;
    EXPECT_EQ(letter, expectedLetter) << line;
  }
}

// The fill of an unused point line is compared as C text: up to the first zero byte, nothing
// trimmed, every other byte counting.
TEST(LineParsers, TheEmptyPointLineIsTheFillAlone) {
  const std::string fill(19, '-'), zero(1, '\0');
  const auto empty = [](const std::string& text) {
    return koordin::IsEmptyPointLine(CStringA(text.data(), static_cast<int>(text.size())));
  };
  for (const std::string& text : {fill, fill + zero + "Name"}) EXPECT_TRUE(empty(text)) << text;
  for (const std::string& text : {fill.substr(1), fill + "-", fill + " ", " " + fill,
                                  fill.substr(1) + "_", fill.substr(1) + zero + "-", std::string()})
    EXPECT_FALSE(empty(text)) << text.size() << " bytes: " << text;
}

}  // namespace
