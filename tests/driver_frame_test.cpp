#include "driver/fio_api.h"
#include "driver/global_values.h"

#include <gtest/gtest.h>

#include <cstring>
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
