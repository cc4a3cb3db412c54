#include "koordin/writer.h"

#include "driver/fio_api.h"
#include "driver/global_values.h"
#include "tests/temp_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace {

// Expected bytes drawn so that each one is visible: '_' stands for a blank and '#' for the marker
// byte 0xA0. The raw string's first line break is dropped and a line feed ends the last line.
std::string Picture(const char* picture) {
  std::string bytes(*picture == '\n' ? picture + 1 : picture);
  for (char& ch : bytes) {
    if (ch == '_') ch = ' ';
    if (ch == '#') ch = '\xA0';
  }
  return bytes + '\n';
}

std::string Repeat(const std::string& text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += text;
  return all;
}

// Runs `write` on a new file with a fresh driver state and returns what it wrote.
std::string WrittenBy(const std::function<void(CHostTextFile&)>& write) {
  TempFile temp;
  {
    CHostTextFile file;
    EXPECT_TRUE(file.Open(temp.path(), CFile::modeCreate | CFile::modeWrite));
    FIO_InitDriver();
    write(file);
    FIO_ExitDriver();
  }
  return temp.Contents();
}

FIO_TPEntry Turnpoint(const char* name, std::uint32_t flags, float latitude, float longitude,
                      std::int32_t altitude, const char* frequency) {
  FIO_TPEntry tp;
  tp.name = name;
  tp.flags = flags;
  tp.latitude = latitude;
  tp.longitude = longitude;
  tp.altitude = altitude;
  tp.frequency = frequency;
  return tp;
}

// A route of the points P1 to Pn; the points numbered in `omittable` are of kind 3.
void AddPoints(FIO_Route& route, int n, const std::vector<int>& omittable = {}) {
  for (int i = 1; i <= n; ++i) {
    const bool left = std::find(omittable.begin(), omittable.end(), i) != omittable.end();
    AppendRoutePoint(route, ("P" + std::to_string(i)).c_str(), 1.0F, 2.0F, left ? 3 : 1);
  }
}

constexpr const char* kHeader = "VP6 KOORDIN Datei Peschges Variometer GmbH\nv2.0\n";

const std::string& EmptyTurnpointSlot() {
  static const std::string slot = Picture(R"(
___________________
00:00:00
N
000:00:00
O
0000:0.000)");
  return slot;
}

const std::string& EmptyRouteSlot() {
  static const std::string slot =
      std::string(19, ' ') + "\n" + Repeat(std::string(19, '-') + "\n", 15);
  return slot;
}

TEST(FormatNameField, CutsFillsAndMarksByFlags) {
  const struct {
    const char* name;
    std::uint32_t flags;
    bool withMarker;
    const char* picture;
  } cases[] = {
      {"Alpha", 1, true, "Alpha______________"},
      {"Alpha", 0x300, true, "Alpha_____________#"},
      {"Alpha", 0x100, true, "Alpha_____________#"},
      {"Alpha", 0x8000, true, "Alpha_____________#"},
      {"Alpha", 0xFF, true, "Alpha______________"},
      {"Alpha", 0x10000, true, "Alpha______________"},
      {"Alpha", 0xFFFF00FF, true, "Alpha______________"},
      {"Alpha", 0x300, false, "Alpha______________"},
      {"", 0x300, true, "__________________#"},
      {"", 1, true, "___________________"},
      {"ABCDEFGHIJKLMNOPQR", 1, true, "ABCDEFGHIJKLMNOPQR_"},
      {"ABCDEFGHIJKLMNOPQRS", 0x300, true, "ABCDEFGHIJKLMNOPQR#"},
      {"Zugspitze Gipfelstation", 0x300, false, "Zugspitze Gipfelst_"},
      {"  Lead", 1, true, "__Lead_____________"},
  };
  for (const auto& c : cases) {
    FIO_TPEntry tp;
    tp.name = c.name;
    tp.flags = c.flags;
    const CStringA field = koordin::FormatNameField(tp, c.withMarker);
    EXPECT_EQ(std::string(field.GetString(), field.GetLength()) + '\n', Picture(c.picture))
        << c.name << " " << c.flags;
  }
  FIO_TPEntry withZero;
  withZero.name = std::string("ab\0cd", 5);  // the text ends at its first zero byte
  EXPECT_EQ(koordin::FormatNameField(withZero, true), CStringA("ab                 "));
}

TEST(FIO_WriteTP, WritesTheSixLinesOfASlot) {
  const float kNaN = std::nanf("");
  const struct {
    FIO_TPEntry tp;
    const char* picture;
  } cases[] = {
      {Turnpoint("Alpha", 1, 50.5F, -7.25F, 120, ""), R"(
Alpha______________
50:30:00
N
007:15:00
W
0120:0.000)"},
      {Turnpoint("Alpha", 0x300, -33.8688F, 151.2093F, -5, "122.500"), R"(
Alpha_____________#
33:52:08
S
151:12:33
O
-005:122.500)"},
      {Turnpoint("Zugspitze Gipfelstation", 0x100, 47.4211F, 8.5333333F, 12345, "123.5 MHz"), R"(
Zugspitze Gipfelst#
47:25:16
N
008:32:00
O
12345:123.5 MHz)"},
      {Turnpoint("", 0x10000, kNaN, kNaN, -12345, ""), R"(
___________________
00:00:00
N
000:00:00
O
-12345:0.000)"},
      {Turnpoint("Folded", 1, 100.0F, 190.0F, 0, ""), R"(
Folded_____________
80:00:00
N
170:00:00
W
0000:0.000)"},
      {Turnpoint("Edge", 1, -90.0F, 179.99999F, 9999, ""), R"(
Edge_______________
90:00:00
S
180:00:00
O
9999:0.000)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WrittenBy([&](CHostTextFile& file) { EXPECT_EQ(FIO_WriteTP(&file, &c.tp), 1); }),
              Picture(c.picture));
  }
}

TEST(FIO_WriteRoute, WritesNameAndInnerPointsAndFillsTheSlot) {
  const char* const kNoInnerPoints = R"(
R__________________
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------)";
  const struct {
    const char* name;
    std::function<void(FIO_Route&)> fill;
    const char* picture;
  } cases[] = {
      {"R", [](FIO_Route&) {}, kNoInnerPoints},
      {"R", [](FIO_Route& r) { AddPoints(r, 1); }, kNoInnerPoints},
      {"R", [](FIO_Route& r) { AddPoints(r, 2); }, kNoInnerPoints},
      // Short: the inner point of kind 3 stays, and a point's line never carries the marker.
      {"Alpenrundflug Sommer 2026",
       [](FIO_Route& r) {
         AddPoints(r, 2);
         AppendRoutePoint(r, "Zugspitze Gipfelstation", 0, 0, 3);
         r.points.back()->flags = 0x300;
         AppendRoutePoint(r, "P4", 0, 0, 1);
         AppendRoutePoint(r, "P5", 0, 0, 3);
       },
       R"(
Alpenrundflug Somme
P2_________________
Zugspitze Gipfelst_
P4_________________
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------)"},
      // Fifteen points are not yet long: the inner point of kind 3 is written.
      {"Fifteen",
       [](FIO_Route& r) {
         AddPoints(r, 15, {1, 9, 15});
       },
       R"(
Fifteen____________
P2_________________
P3_________________
P4_________________
P5_________________
P6_________________
P7_________________
P8_________________
P9_________________
P10________________
P11________________
P12________________
P13________________
P14________________
-------------------
-------------------)"},
      // Sixteen are long: it is left out.
      {"Sixteen", [](FIO_Route& r) { AddPoints(r, 16, {9}); }, R"(
Sixteen____________
P2_________________
P3_________________
P4_________________
P5_________________
P6_________________
P7_________________
P8_________________
P10________________
P11________________
P12________________
P13________________
P14________________
P15________________
-------------------
-------------------)"},
      // More inner points than lines, even after the ones of kind 3: P19 to P21 do not fit.
      {"TwentyTwo",
       [](FIO_Route& r) {
         AddPoints(r, 22, {4, 9});
       },
       R"(
TwentyTwo__________
P2_________________
P3_________________
P5_________________
P6_________________
P7_________________
P8_________________
P10________________
P11________________
P12________________
P13________________
P14________________
P15________________
P16________________
P17________________
P18________________)"},
  };
  for (const auto& c : cases) {
    FIO_Route route;
    route.name = c.name;
    c.fill(route);
    EXPECT_EQ(WrittenBy([&](CHostTextFile& file) { EXPECT_EQ(FIO_WriteRoute(&file, &route), 1); }),
              Picture(c.picture))
        << c.name << " with " << route.points.size() << " points";
  }
}

TEST(FIO_WriteHeader, AnEmptyPassGivesTheWholeEmptyFile) {
  // Built line by line from the file's description, not from the writer's constants.
  std::string expected = "VP6 KOORDIN Datei Peschges Variometer GmbH\nv2.0\n";
  for (int slot = 0; slot < 255; ++slot) {
    expected += "                   \n00:00:00\nN\n000:00:00\nO\n0000:0.000\n";
  }
  for (int slot = 0; slot < 32; ++slot) {
    expected += "                   \n";
    for (int line = 0; line < 15; ++line) expected += "-------------------\n";
  }
  const std::string written = WrittenBy([](CHostTextFile& file) {
    for (std::int32_t stage : {3, 2, 4}) {
      const FIO_HeaderRequest request{0, stage};
      EXPECT_EQ(FIO_WriteHeader(&file, &request), 1);
    }
    EXPECT_EQ(g_pGlobalValues->tpWritten, 0);
    EXPECT_EQ(g_pGlobalValues->routesWritten, 0);
  });
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 2044);
  EXPECT_EQ(written, expected);
}

TEST(FIO_WriteHeader, StageThreeStartsAPassAndOtherStagesLeaveTheCounters) {
  const struct {
    std::int32_t stage;
    std::string written;
    std::int32_t counters[4];  // tpRead, tpWritten, routesRead, routesWritten afterwards
  } cases[] = {
      {3, kHeader, {0, 0, 0, 0}},
      {2, Repeat(EmptyTurnpointSlot(), 255 - 10), {5, 10, 3, 7}},
      {4, Repeat(EmptyRouteSlot(), 32 - 7), {5, 10, 3, 7}},
      {0, "", {5, 10, 3, 7}},
      {1, "", {5, 10, 3, 7}},
      {5, "", {5, 10, 3, 7}},
      {-3, "", {5, 10, 3, 7}},
  };
  for (const auto& c : cases) {
    std::int32_t after[4] = {};
    const std::string written = WrittenBy([&](CHostTextFile& file) {
      g_pGlobalValues->tpRead = 5;
      g_pGlobalValues->tpWritten = 10;
      g_pGlobalValues->routesRead = 3;
      g_pGlobalValues->routesWritten = 7;
      const FIO_HeaderRequest request{0, c.stage};
      EXPECT_EQ(FIO_WriteHeader(&file, &request), 1);
      after[0] = g_pGlobalValues->tpRead;
      after[1] = g_pGlobalValues->tpWritten;
      after[2] = g_pGlobalValues->routesRead;
      after[3] = g_pGlobalValues->routesWritten;
    });
    EXPECT_EQ(written, c.written) << "stage " << c.stage;
    EXPECT_TRUE(std::equal(after, after + 4, c.counters)) << "stage " << c.stage;
  }
}

TEST(FIO_WriteHeader, FullTablesGetNoEmptySlots) {
  const std::string written = WrittenBy([](CHostTextFile& file) {
    g_pGlobalValues->tpWritten = 255;
    g_pGlobalValues->routesWritten = 32;
    const FIO_HeaderRequest turnpointsDone{0, 2};
    const FIO_HeaderRequest routesDone{0, 4};
    FIO_WriteHeader(&file, &turnpointsDone);
    FIO_WriteHeader(&file, &routesDone);
  });
  EXPECT_EQ(written, "");
}

TEST(FIO_WriteTP, DropsTheTurnpointsBeyondTheTable) {
  const std::string written = WrittenBy([](CHostTextFile& file) {
    const FIO_TPEntry tp = Turnpoint("T", 1, 1.0F, 1.0F, 1, "");
    for (int i = 0; i < 255; ++i) FIO_WriteTP(&file, &tp);
    EXPECT_EQ(g_pGlobalValues->tpWritten, 255);
    const ULONGLONG end = file.GetPosition();
    EXPECT_EQ(FIO_WriteTP(&file, &tp), 1);
    EXPECT_EQ(file.GetPosition(), end);
    EXPECT_EQ(g_pGlobalValues->tpWritten, 255);
  });
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 255 * 6);
}

TEST(FIO_WriteRoute, DropsTheRoutesBeyondTheTable) {
  const std::string written = WrittenBy([](CHostTextFile& file) {
    FIO_Route route;
    route.name = "R";
    AddPoints(route, 3);
    for (int i = 0; i < 32; ++i) FIO_WriteRoute(&file, &route);
    EXPECT_EQ(g_pGlobalValues->routesWritten, 32);
    const ULONGLONG end = file.GetPosition();
    EXPECT_EQ(FIO_WriteRoute(&file, &route), 1);
    EXPECT_EQ(file.GetPosition(), end);
    EXPECT_EQ(g_pGlobalValues->routesWritten, 32);
  });
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 32 * 16);
}

TEST(FIO_WriteHeader, AFullPassPutsEverySlotInItsPlace) {
  const std::string written = WrittenBy([](CHostTextFile& file) {
    const FIO_HeaderRequest start{0, 3}, turnpointsDone{0, 2}, routesDone{0, 4};
    FIO_WriteHeader(&file, &start);
    const FIO_TPEntry tp = Turnpoint("Alpha", 1, 50.5F, -7.25F, 120, "");
    for (int i = 0; i < 10; ++i) FIO_WriteTP(&file, &tp);
    FIO_WriteHeader(&file, &turnpointsDone);
    FIO_Route route;
    route.name = "R";
    AddPoints(route, 3);
    for (int i = 0; i < 3; ++i) FIO_WriteRoute(&file, &route);
    FIO_WriteHeader(&file, &routesDone);
  });
  const std::string routeSlot = Picture(R"(
R__________________
P2_________________
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------
-------------------)");
  const std::string alpha = Picture(R"(
Alpha______________
50:30:00
N
007:15:00
W
0120:0.000)");
  EXPECT_EQ(written, kHeader + Repeat(alpha, 10) + Repeat(EmptyTurnpointSlot(), 245) +
                         Repeat(routeSlot, 3) + Repeat(EmptyRouteSlot(), 29));
}

// Each entry point's writing, with the counter its slot advances (none for the header stages).
struct Writing {
  const char* what;
  std::function<void(CHostTextFile&)> write;
};

std::vector<Writing> EveryWriting() {
  return {
      {"header",
       [](CHostTextFile& file) {
         const FIO_HeaderRequest request{0, 3};
         FIO_WriteHeader(&file, &request);
       }},
      {"empty turnpoints",
       [](CHostTextFile& file) {
         const FIO_HeaderRequest request{0, 2};
         FIO_WriteHeader(&file, &request);
       }},
      {"empty routes",
       [](CHostTextFile& file) {
         const FIO_HeaderRequest request{0, 4};
         FIO_WriteHeader(&file, &request);
       }},
      {"turnpoint",
       [](CHostTextFile& file) {
         const FIO_TPEntry tp = Turnpoint("Alpha", 0x300, 50.5F, -7.25F, 120, "122.500");
         FIO_WriteTP(&file, &tp);
       }},
      {"route",
       [](CHostTextFile& file) {
         FIO_Route route;
         route.name = "R";
         AddPoints(route, 5);
         FIO_WriteRoute(&file, &route);
       }},
  };
}

void SetCounters(std::int32_t value) {
  g_pGlobalValues->tpRead = g_pGlobalValues->tpWritten = value;
  g_pGlobalValues->routesRead = g_pGlobalValues->routesWritten = value;
}

void ExpectCounters(std::int32_t value) {
  EXPECT_EQ(g_pGlobalValues->tpRead, value);
  EXPECT_EQ(g_pGlobalValues->tpWritten, value);
  EXPECT_EQ(g_pGlobalValues->routesRead, value);
  EXPECT_EQ(g_pGlobalValues->routesWritten, value);
}

TEST(WriteLine, AFullDeviceRaisesTheFileExceptionAndCountsNothing) {
  for (const Writing& writing : EveryWriting()) {
    SCOPED_TRACE(writing.what);
    CHostTextFile file;
    ASSERT_TRUE(file.Open("/dev/full", CFile::modeWrite));
    ASSERT_EQ(std::setvbuf(file.m_pStream, nullptr, _IONBF, 0), 0);
    FIO_InitDriver();
    SetCounters(4);
    CFileException* caught = nullptr;
    try {
      writing.write(file);
    } catch (CFileException* e) {
      caught = e;
    }
    ASSERT_NE(caught, nullptr);
    EXPECT_EQ(caught->m_cause, CFileException::genericException);
    EXPECT_EQ(caught->m_lOsError, ENOSPC);
    EXPECT_EQ(caught->m_strFileName, "/dev/full");
    caught->Delete();
    EXPECT_EQ(std::ferror(file.m_pStream), 0);
    ExpectCounters(4);
    FIO_ExitDriver();
  }
}

// A stream that takes `room` bytes and then fails as a full disk does.
struct LimitedSink {
  std::string taken;
  std::size_t room;
};

ssize_t WriteToSink(void* cookie, const char* bytes, std::size_t size) {
  auto* sink = static_cast<LimitedSink*>(cookie);
  const std::size_t n = std::min(size, sink->room - sink->taken.size());
  sink->taken.append(bytes, n);
  if (n == size) return static_cast<ssize_t>(n);
  errno = ENOSPC;
  return n == 0 ? -1 : static_cast<ssize_t>(n);
}

TEST(WriteLine, AWriteFailingAnywhereInASlotKeepsWhatWasWrittenAndTheCounter) {
  for (const Writing& writing : EveryWriting()) {
    SCOPED_TRACE(writing.what);
    const std::string whole = WrittenBy([&](CHostTextFile& file) {
      SetCounters(7);
      writing.write(file);
    });
    // Every length within the first lines, then ever larger steps, and the whole.
    std::vector<std::size_t> rooms;
    for (std::size_t room = 0; room < whole.size(); room += std::max<std::size_t>(1, room / 8)) {
      rooms.push_back(room);
    }
    rooms.push_back(whole.size());
    for (const std::size_t room : rooms) {
      LimitedSink sink{"", room};
      FILE* stream = fopencookie(&sink, "w", {nullptr, WriteToSink, nullptr, nullptr});
      ASSERT_NE(stream, nullptr);
      std::setvbuf(stream, nullptr, _IONBF, 0);
      {
        CHostTextFile file(stream);
        FIO_InitDriver();
        SetCounters(7);
        bool failed = false;
        try {
          writing.write(file);
        } catch (CFileException* e) {
          failed = true;
          EXPECT_EQ(e->m_lOsError, ENOSPC);
          e->Delete();
        }
        EXPECT_EQ(failed, room < whole.size()) << room;
        // A slot is counted once all of it is written; a header once, by starting the counts.
        if (failed) ExpectCounters(7);
        EXPECT_EQ(whole.compare(0, sink.taken.size(), sink.taken), 0) << room;
        FIO_ExitDriver();
      }
      std::fclose(stream);
    }
  }
}

}  // namespace
