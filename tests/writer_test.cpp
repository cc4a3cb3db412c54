#include "koordin/writer.h"

#include "driver/fio_api.h"
#include "driver/global_values.h"
#include "tests/temp_file.h"
#include "text/ko_point.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Counters = std::tuple<std::int32_t, std::int32_t, std::int32_t, std::int32_t>;

std::string Repeat(const std::string& text, std::size_t times) {
  std::string all;
  while (times-- > 0) all += text;
  return all;
}

auto StateCounters() {  // assignable as one
  global_values& g = *g_pGlobalValues;
  return std::tie(g.tpRead, g.tpWritten, g.routesRead, g.routesWritten);
}

// The header stage of a step: 'S' starts the file, 'T' ends the turnpoints, 'R' the routes; a
// digit is a stage of that number.
std::int32_t StageOf(char step) {
  return step == 'S'   ? kFIOStageFileStart
         : step == 'T' ? kFIOStageTurnpointsDone
         : step == 'R' ? kFIOStageRoutesDone
                       : step - '0';
}

// Writes each step: a header stage, or 't' writes `tp` and 'r' writes `route`.
void WriteSteps(CHostTextFile& file, const std::string& steps, const FIO_TPEntry& tp = {},
                const FIO_Route& route = {}) {
  for (const char step : steps) {
    const FIO_HeaderRequest request{0, StageOf(step)};
    EXPECT_EQ(step == 't'   ? FIO_WriteTP(&file, &tp)
              : step == 'r' ? FIO_WriteRoute(&file, &route)
                            : FIO_WriteHeader(&file, &request),
              kFIOSuccess);
  }
}

// What the steps write on a new file from the counters `before`; `after` gets those they leave.
std::string Written(const std::string& steps, const FIO_TPEntry& tp = {},
                    const FIO_Route& route = {}, const Counters& before = {0, 0, 0, 0},
                    Counters* after = nullptr) {
  TempFile temp;
  {
    CHostTextFile file;
    EXPECT_TRUE(file.Open(temp.path(), CFile::modeCreate | CFile::modeWrite));
    FIO_InitDriver();
    StateCounters() = before;
    WriteSteps(file, steps, tp, route);
    if (after != nullptr) *after = StateCounters();
    FIO_ExitDriver();
  }
  return temp.Contents();
}

// Point n is "P<n> of a long route name", marked, of kind 3 if `omittable`; `written` get lines.
TEST(FIO_WriteRoute, WritesNameAndInnerPointsAndFillsTheSlot) {
  const auto pointName = [](int n) { return "P" + std::to_string(n) + " of a long route name"; };
  const struct {
    std::string name;
    int count;
    std::vector<int> omittable, written;
  } cases[] = {
      {"Alpenrundflug Sommer 2026", 5, {3, 5}, {2, 3, 4}},                        // short
      {"Fifteen", 15, {1, 9, 15}, {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},  // not yet long
      {"Sixteen", 16, {9}, {2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15}},
      {"TwentyTwo", 22, {4, 9}, {2, 3, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15, 16, 17, 18}},
  };
  for (const auto& c : cases) {
    FIO_Route route;
    route.name = c.name;
    for (int n = 1; n <= c.count; ++n) {
      const bool omittable = std::count(c.omittable.begin(), c.omittable.end(), n) != 0;
      AppendRoutePoint(route, pointName(n).c_str(), 0.0F, 0.0F,
                       omittable ? kFIOPointKindOmittable : kFIOPointKindPlain);
      route.points.back()->flags = 0x300;  // a point's line never carries the marker
    }
    std::string expected =
        (c.name + std::string(kFIONameLineWidth, ' ')).substr(0, kFIONameLineWidth) + '\n';
    for (int n : c.written) expected += pointName(n).substr(0, kFIONameWidth) + " \n";
    expected +=
        Repeat(std::string(kFIONameLineWidth, '-') + '\n', kFIOPointsPerRoute - c.written.size());
    EXPECT_EQ(Written("r", {}, route), expected);
  }
}

// A turnpoint and a route of nothing ('t', 'r') are written exactly as the empty slots.
TEST(FIO_WriteHeader, PassesWriteTheHeaderEverySlotAndNoMore) {
  // Built from the file's description, not from the writer's constants.
  const std::string blank(19, ' ');
  const std::string tp = blank + "\n00:00:00\nN\n000:00:00\nO\n0000:0.000\n";
  const std::string route = blank + "\n" + Repeat("-------------------\n", kFIOPointsPerRoute);
  const std::string emptyFile = "VP6 KOORDIN Datei Peschges Variometer GmbH\nv2.0\n" +
                                Repeat(tp, kFIOTurnpointCapacity) +
                                Repeat(route, kFIORouteCapacity);
  const std::string overfull = "S" + std::string(kFIOTurnpointCapacity + 1, 't') + "T" +
                               std::string(kFIORouteCapacity + 1, 'r') + "R";
  const Counters some = {5, 10, 3, 7}, full = {5, kFIOTurnpointCapacity, 3, kFIORouteCapacity};
  const struct {
    std::string steps, written;
    Counters before, after;
  } cases[] = {
      {"STR", emptyFile, some, {0, 0, 0, 0}},  // the file's start starts every count again
      // the 256th turnpoint, the 33rd route dropped
      {overfull, emptyFile, some, {0, kFIOTurnpointCapacity, 0, kFIORouteCapacity}},
      {"ttT", Repeat(tp, kFIOTurnpointCapacity - 10), some, {5, 12, 3, 7}},
      {"R", Repeat(route, kFIORouteCapacity - 7), some, some},
      {"TRtr", "", full, full},
      {"0159", "", some, some},
  };
  for (const auto& c : cases) {
    Counters after;
    EXPECT_EQ(Written(c.steps, {}, {}, c.before, &after), c.written) << c.steps.substr(0, 8);
    EXPECT_EQ(after, c.after) << c.steps.substr(0, 8);
  }
}

// What the C runtime's formatted output makes of the arguments.
std::string Printf(const char* format, ...) {
  char buffer[2048];
  std::va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  return std::string(buffer, static_cast<std::size_t>(length));
}

// Random bytes of a random length up to `longest`, zero bytes and high bytes among them.
std::string RandomText(std::mt19937& random, std::size_t longest) {
  std::string text(std::uniform_int_distribution<std::size_t>(0, longest)(random), ' ');
  for (char& ch : text) {
    const auto byte = std::uniform_int_distribution<int>(0, 299)(random);
    ch = static_cast<char>(byte < 256 ? byte : 'a' + byte % 26);  // mostly letters
  }
  return text;
}

// The writer's formats: each turnpoint and route slot is written as these printf formats write it.
TEST(WriteSlots, RandomSlotsAreWrittenAsThePrintfFormatsWriteThem) {
  std::mt19937 random(2026);
  std::uniform_real_distribution<float> degrees(-400.0F, 400.0F);
  std::uniform_int_distribution<std::uint32_t> bits;
  const auto coordinate = [&] {  // mostly in range or folded once, now and then any float at all
    if (bits(random) % 8 != 0) return degrees(random);
    const std::uint32_t pattern = bits(random);
    float value;
    std::memcpy(&value, &pattern, sizeof value);
    return value;
  };
  for (int pass = 0; pass < 4; ++pass) {
    std::vector<FIO_TPEntry> turnpoints(255);
    std::vector<FIO_Route> routes(32);
    std::string expected = Printf("VP6 KOORDIN Datei Peschges Variometer GmbH\nv2.0\n");
    for (FIO_TPEntry& tp : turnpoints) {
      tp.name = RandomText(random, 24);
      tp.flags = bits(random) & 0x1FFFF;
      tp.latitude = coordinate();
      tp.longitude = coordinate();
      tp.altitude = static_cast<std::int32_t>(bits(random)) >> (bits(random) % 32);
      if (&tp == &turnpoints[pass]) tp.altitude = pass % 2 ? INT_MAX : INT_MIN;
      tp.frequency = RandomText(random, bits(random) % 16 ? 12 : 700);  // beyond any fixed buffer
      const CKoPoint lat(tp.latitude, false, 60), lon(tp.longitude, true, 60);
      const char east = lon.GetHemisphereLetter() == 'E' ? 'O' : lon.GetHemisphereLetter();
      expected +=
          Printf("%-18.18s%c\n", tp.name.c_str(), tp.flags & 0xFF00 ? 0xA0 : ' ') +
          Printf("%02d:%02d:%02d\n%c\n", lat.degrees, lat.minutes, lat.subUnits,
                 lat.GetHemisphereLetter()) +
          Printf("%03d:%02d:%02d\n%c\n", lon.degrees, lon.minutes, lon.subUnits, east) +
          Printf("%04d:%s\n", tp.altitude, tp.frequency.empty() ? "0.000" : tp.frequency.c_str());
    }
    for (FIO_Route& route : routes) {  // at most 15 inner points, so all are written
      route.name = RandomText(random, 24);
      expected += Printf("%-19.19s\n", route.name.c_str());
      const int count = static_cast<int>(bits(random) % 18);
      for (int k = 0; k < count; ++k) {
        AppendRoutePoint(route, RandomText(random, 24).c_str(), 0.0F, 0.0F, 1);
        if (k > 0 && k + 1 < count)
          expected += Printf("%-18.18s \n", route.points[k]->name.c_str());
      }
      expected += Repeat("-------------------\n", 17 - std::max(count, 2));
    }

    TempFile temp;
    FIO_InitDriver();
    {
      CHostTextFile file(temp.path(), CFile::modeCreate | CFile::modeWrite);
      WriteSteps(file, "3");
      for (const FIO_TPEntry& tp : turnpoints) FIO_WriteTP(&file, &tp);
      for (const FIO_Route& route : routes) FIO_WriteRoute(&file, &route);
    }
    FIO_ExitDriver();
    EXPECT_EQ(temp.Contents(), expected) << "pass " << pass;
  }
}

struct NamedFile : CHostTextFile {  // the host's file on a given stream, named "full.lst"
  explicit NamedFile(FILE* stream) : CHostTextFile(stream) { m_strFilePath = "full.lst"; }
};

TEST(WriteLine, AWriteFailingAnywhereInASlotRaisesAndCountsNothing) {
  const Counters before = {7, 7, 7, 7};
  for (const std::string steps : {"S", "T", "R", "t", "r"}) {
    const std::string whole = Written(steps, {}, {}, before);
    // A device with room for every length within the first lines, then ever larger steps.
    for (std::size_t room = 0; room < whole.size(); room += std::max<std::size_t>(1, room / 8)) {
      std::string device(room, '\0');
      FILE* stream = fmemopen(device.data(), room, "w");
      std::setvbuf(stream, nullptr, _IONBF, 0);  // the failure surfaces on the call causing it
      NamedFile file(stream);
      FIO_InitDriver();
      StateCounters() = before;
      try {
        WriteSteps(file, steps);
        ADD_FAILURE() << steps << ": no exception with room for " << room;
      } catch (CFileException* e) {
        EXPECT_EQ(e->m_cause, CFileException::genericException);
        EXPECT_EQ(e->m_lOsError, ENOSPC);
        EXPECT_EQ(e->m_strFileName, "full.lst");
        e->Delete();
      }
      EXPECT_EQ(std::ferror(stream), 0) << "the stream's error is cleared";
      EXPECT_EQ(Counters(StateCounters()), before) << steps << room;
      EXPECT_EQ(whole.rfind(device.c_str(), 0), 0U) << "what fit was written: " << room;
      FIO_ExitDriver();
      std::fclose(stream);
    }
  }
}

}  // namespace
