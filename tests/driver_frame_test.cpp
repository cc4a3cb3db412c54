#include "driver/fio_api.h"
#include "driver/global_values.h"

#include "tests/temp_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <utility>

namespace {

TEST(FIO_DriverInfo, WritesEveryOneOfThe144Bytes) {
  std::string expected(144, '\0');
  expected.replace(0, 12, "Version 1.03");
  expected.replace(20, 15, "VP6 (Version 2)");
  expected.replace(50, 16, "Tarnwickelmarden");
  const std::pair<std::size_t, std::uint32_t> numbers[] = {
      {80, 1},    {88, 0x249}, {92, 255}, {96, 32},  {100, 15},
      {104, ~0U}, {128, 1},    {132, 18}, {136, 19}, {140, 0x0101},
  };
  for (const auto& [offset, value] : numbers) {  // little-endian
    for (int i = 0; i < 4; ++i) expected[offset + i] = static_cast<char>(value >> (8 * i));
  }
  FIO_DriverInfoRecord record;
  std::memset(&record, 0xFF, sizeof record);
  EXPECT_EQ(FIO_DriverInfo(&record), 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&record), sizeof record), expected);
}

// A null source asks FIO_GetExtensions for `kind`; any other is translated. A guard byte follows.
TEST(FIO_GetExtensionsAndTranslateFilename, FillTheBufferByItsRules) {
  const std::tuple<std::int32_t, const char*, std::int32_t, std::int32_t, std::string> cases[] = {
      {1, nullptr, 8, 1, std::string("lst\0\0\0\0\0", 8)},
      {64, nullptr, 3, 1, std::string("ls\0", 3)},
      {512, nullptr, 1, 1, std::string("\0", 1)},
      {2, nullptr, 8, -1, std::string(8, '\0')},
      {513, nullptr, 8, -1, std::string(8, '\0')},
      {0, nullptr, 8, -1, std::string(8, '\0')},
      {0, "x", 1, 1, std::string(1, '\0')},
      {0, "a.lst", 8, 1, std::string("a.lst\0\0\0", 8)},
      {0, "route.lst", 6, 1, std::string("route\0", 6)},
      {0, "C:\\Fl\xFCge", 3, 1, std::string("C:\0", 3)},
  };
  for (const auto& [kind, source, size, result, bytes] : cases) {
    std::string buffer(static_cast<std::size_t>(size) + 1, '\x7F');
    EXPECT_EQ(source ? FIO_TranslateFilename(source, buffer.data(), size)
                     : FIO_GetExtensions(kind, buffer.data(), size),
              result);
    EXPECT_EQ(buffer, bytes + '\x7F') << kind << " " << (source ? source : "");
  }
}

// The source lies in the destination's own buffer: at the same place, after it or before it.
TEST(FIO_TranslateFilename, KeepsTheNameWhenSourceAndDestinationShareTheBuffer) {
  using namespace std::string_literals;
  const std::tuple<std::string, std::size_t, std::size_t, std::int32_t, std::string> cases[] = {
      // buffer, source at, destination at, size, buffer after
      {"a.lst\0xxxxxxxxxx"s, 0, 0, 16, "a.lst"s + std::string(11, '\0')},
      {"0123456789abcdef"s, 0, 0, 16, "0123456789abcde\0"s},
      {"..a.lst\0xxxxxxxx"s, 2, 0, 16, "a.lst"s + std::string(11, '\0')},
      {"a.lst\0xxxxxxxxxx"s, 0, 2, 14, "a.a.lst"s + std::string(9, '\0')},
      {"0123456789abcdef"s, 0, 4, 12, "01230123456789a\0"s},
  };
  for (const auto& [bytes, from, to, size, after] : cases) {
    std::string buffer = bytes;
    EXPECT_EQ(FIO_TranslateFilename(buffer.data() + from, buffer.data() + to, size), kFIOSuccess);
    EXPECT_EQ(buffer, after) << from << " to " << to;
  }
}

// Each entry point with one of its pointers null; none may touch the file or make a state.
TEST(EntryPoints, ANullPointerAnswersNotHandledAndDoesNothing) {
  TempFile temp;
  CHostTextFile file(temp.path(), CFile::modeCreate | CFile::modeWrite);
  FIO_TPEntry tp;
  FIO_Route route;
  const FIO_HeaderRequest request{0, kFIOStageFileStart};
  char buffer[8];
  const std::pair<const char*, std::function<std::int32_t()>> calls[] = {
      {"FIO_DriverInfo", [] { return FIO_DriverInfo(nullptr); }},
      {"FIO_GetExtensions", [] { return FIO_GetExtensions(1, nullptr, 8); }},
      {"FIO_TranslateFilename source", [&] { return FIO_TranslateFilename(nullptr, buffer, 8); }},
      {"FIO_TranslateFilename destination", [] { return FIO_TranslateFilename("a", nullptr, 8); }},
      {"FIO_IsFileOfMyType", [] { return FIO_IsFileOfMyType(nullptr); }},
      {"FIO_ReadObject file", [&] { return FIO_ReadObject(nullptr, &tp, &route); }},
      {"FIO_ReadObject turnpoint", [&] { return FIO_ReadObject(&file, nullptr, &route); }},
      {"FIO_ReadObject route", [&] { return FIO_ReadObject(&file, &tp, nullptr); }},
      {"FIO_WriteHeader file", [&] { return FIO_WriteHeader(nullptr, &request); }},
      {"FIO_WriteHeader request", [&] { return FIO_WriteHeader(&file, nullptr); }},
      {"FIO_WriteTP file", [&] { return FIO_WriteTP(nullptr, &tp); }},
      {"FIO_WriteTP turnpoint", [&] { return FIO_WriteTP(&file, nullptr); }},
      {"FIO_WriteRoute file", [&] { return FIO_WriteRoute(nullptr, &route); }},
      {"FIO_WriteRoute route", [&] { return FIO_WriteRoute(&file, nullptr); }},
  };
  FIO_ExitDriver();
  for (const auto& [name, call] : calls) {
    EXPECT_EQ(call(), kFIONotHandled) << name;
    EXPECT_EQ(g_pGlobalValues, nullptr) << name;
  }
  file.Close();
  EXPECT_EQ(temp.Contents(), "");
}

// A host that never called FIO_InitDriver, or called FIO_ExitDriver, reads and writes as one
// that called FIO_InitDriver.
TEST(EntryPoints, WithoutInitDriverTheStateIsMadeAsInitDriverMakesIt) {
  std::string written[2];
  std::int32_t read[2] = {};
  for (const bool init : {false, true}) {
    FIO_ExitDriver();
    if (init) FIO_InitDriver();
    TempFile temp;
    FIO_TPEntry tp;
    tp.name = "Alpha";
    FIO_Route route;
    route.name = "Tour";
    {
      CHostTextFile out(temp.path(), CFile::modeCreate | CFile::modeWrite);
      EXPECT_EQ(FIO_WriteTP(&out, &tp), kFIOSuccess);
      EXPECT_EQ(FIO_WriteRoute(&out, &route), kFIOSuccess);
    }
    written[init] = temp.Contents();
    EXPECT_EQ(g_pGlobalValues->tpWritten + g_pGlobalValues->routesWritten, 2) << init;
    FIO_ExitDriver();
    if (init) FIO_InitDriver();
    TempFile header("VP6 KOORDIN Datei Peschges Variometer GmbH\nv2.0\n" + written[init]);
    CHostTextFile in(header.path(), CFile::modeRead | CFile::typeText);
    read[init] = FIO_ReadObject(&in, &tp, &route);
    EXPECT_EQ(g_pGlobalValues->tpRead, 1) << init;
  }
  EXPECT_EQ(written[false], written[true]);
  EXPECT_EQ(read[false], kFIOReadTurnpoint);
  FIO_ExitDriver();
}

TEST(DriverState, InitCreatesOnceAndResetsExitDestroys) {
  FIO_InitDriver();
  global_values* first = g_pGlobalValues;
  ASSERT_NE(first, nullptr);
  first->tpRead = first->tpWritten = first->routesRead = first->routesWritten = 7;
  FIO_InitDriver();
  EXPECT_EQ(g_pGlobalValues, first) << "a second init keeps the one state";
  EXPECT_EQ(first->tpRead + first->tpWritten + first->routesRead + first->routesWritten, 0);
  FIO_ExitDriver();
  EXPECT_EQ(g_pGlobalValues, nullptr);
  FIO_ExitDriver();  // harmless without a state
}

}  // namespace
