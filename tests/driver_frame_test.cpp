#include "driver/fio_api.h"
#include "driver/global_values.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

void PutText(std::vector<unsigned char>& bytes, std::size_t offset, const char* text) {
  std::memcpy(bytes.data() + offset, text, std::strlen(text));
}

void PutLittleEndian(std::vector<unsigned char>& bytes, std::size_t offset, std::uint32_t value,
                     int width) {
  for (int i = 0; i < width; ++i) bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

TEST(FIO_DriverInfo, WritesEveryOneOfThe144Bytes) {
  std::vector<unsigned char> expected(144, 0);
  PutText(expected, 0, "Version 1.03");
  PutText(expected, 20, "VP6 (Version 2)");
  PutText(expected, 50, "Tarnwickelmarden");
  PutLittleEndian(expected, 80, 1, 4);
  PutLittleEndian(expected, 88, 0x249, 4);
  PutLittleEndian(expected, 92, 255, 4);
  PutLittleEndian(expected, 96, 32, 4);
  PutLittleEndian(expected, 100, 15, 4);
  PutLittleEndian(expected, 104, 0xFFFFFFFF, 4);
  PutLittleEndian(expected, 128, 1, 4);
  PutLittleEndian(expected, 132, 18, 4);
  PutLittleEndian(expected, 136, 19, 4);
  PutLittleEndian(expected, 140, 0x0101, 2);

  FIO_DriverInfoRecord record;
  std::memset(&record, 0xFF, sizeof record);
  EXPECT_EQ(FIO_DriverInfo(&record), 1);
  std::vector<unsigned char> actual(144);
  std::memcpy(actual.data(), &record, sizeof record);
  for (std::size_t i = 0; i < actual.size(); ++i) {
    EXPECT_EQ(actual[i], expected[i]) << "byte " << i;
  }
}

TEST(FIO_GetExtensions, FillsTheBufferByItsRules) {
  struct Case {
    std::int32_t kind;
    std::int32_t size;
    std::int32_t result;
    std::string bytes;  // the whole buffer afterwards
  };
  const Case cases[] = {
      {1, 8, 1, std::string("lst\0\0\0\0\0", 8)},
      {8, 4, 1, std::string("lst\0", 4)},
      {64, 3, 1, std::string("ls\0", 3)},
      {512, 10, 1, std::string("lst\0\0\0\0\0\0\0", 10)},
      {512, 1, 1, std::string("\0", 1)},
      {2, 8, -1, std::string(8, '\0')},
      {0, 8, -1, std::string(8, '\0')},
      {-1, 8, -1, std::string(8, '\0')},
      {513, 8, -1, std::string(8, '\0')},
  };
  for (const Case& c : cases) {
    std::string buffer(static_cast<std::size_t>(c.size) + 1, '\x7F');  // one guard byte
    EXPECT_EQ(FIO_GetExtensions(c.kind, buffer.data(), c.size), c.result) << c.kind;
    EXPECT_EQ(buffer.substr(0, c.bytes.size()), c.bytes) << c.kind << "/" << c.size;
    EXPECT_EQ(buffer.back(), '\x7F') << "wrote past the buffer";
  }
}

TEST(FIO_TranslateFilename, CopiesBoundedAndZeroFills) {
  struct Case {
    const char* source;
    std::int32_t size;
    std::string bytes;
  };
  const Case cases[] = {
      {"a.lst", 8, std::string("a.lst\0\0\0", 8)},
      {"route.lst", 6, std::string("route\0", 6)},
      {"", 3, std::string(3, '\0')},
      {"x", 1, std::string(1, '\0')},
      {"C:\\Fl\xFCge\\a.lst", 20, std::string("C:\\Fl\xFCge\\a.lst\0\0\0\0\0\0", 20)},
  };
  for (const Case& c : cases) {
    std::string buffer(static_cast<std::size_t>(c.size) + 1, '\x7F');
    EXPECT_EQ(FIO_TranslateFilename(c.source, buffer.data(), c.size), 1);
    EXPECT_EQ(buffer.substr(0, c.bytes.size()), c.bytes) << c.source;
    EXPECT_EQ(buffer.back(), '\x7F') << "wrote past the buffer";
  }
}

TEST(DriverState, InitCreatesOnceAndResetsExitDestroys) {
  FIO_ExitDriver();  // harmless without a state
  EXPECT_EQ(g_pGlobalValues, nullptr);
  FIO_InitDriver();
  global_values* first = g_pGlobalValues;
  ASSERT_NE(first, nullptr);
  first->tpRead = 7;
  first->tpWritten = 8;
  first->routesRead = 9;
  first->routesWritten = 10;
  FIO_InitDriver();
  EXPECT_EQ(g_pGlobalValues, first) << "a second init keeps the one state";
  EXPECT_EQ(first->tpRead + first->tpWritten + first->routesRead + first->routesWritten, 0);
  FIO_ExitDriver();
  EXPECT_EQ(g_pGlobalValues, nullptr);
  FIO_ExitDriver();
  EXPECT_EQ(g_pGlobalValues, nullptr);
}

TEST(DeclinedEntryPoints, ReturnMinusOneAndTouchNoState) {
  FIO_InitDriver();
  g_pGlobalValues->tpRead = 3;
  EXPECT_EQ(FIO_ReadFDEntry(), -1);
  EXPECT_EQ(FIO_Flight2IGC(), -1);
  EXPECT_EQ(FIO_IGC2Flight(), -1);
  EXPECT_EQ(FIO_WriteDeclaration(), -1);
  EXPECT_EQ(FIO_ReadDeclaration(), -1);
  EXPECT_EQ(g_pGlobalValues->tpRead, 3);
  FIO_ExitDriver();
}

}  // namespace
