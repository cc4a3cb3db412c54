#include "tools/koordin/io/safe_output.h"

#include "tests/koordin_testing.h"

#include <gtest/gtest.h>

namespace koordin_cli {
namespace {

using koordin_testing::ReadFile;
using koordin_testing::TempDir;
namespace fs = std::filesystem;

// Someone who swaps a link in at the temporary file's name, between its creation and its
// writing, gets neither the file it points to written nor the target replaced.
TEST(SafeOutput, ALinkSwappedInAtTheTemporaryNameIsNeverWrittenThrough) {
  TempDir dir;
  const std::string victim = dir.Write("victim", "precious");
  const std::string target = dir.Write("out.lst", "old");
  int refused = 0;
  for (int round = 0; round < 1000; ++round) {
    SafeOutput output(target);
    for (const std::string& name : dir.Files()) {
      if (name[0] != '.') continue;  // the temporary file
      fs::remove(dir / name);
      fs::create_symlink(victim, dir / name);
    }
    output.WriteAll("new");
    try {
      output.Commit();
    } catch (const FileError&) {
      ++refused;
    }
    for (const std::string& name : dir.Files()) {
      if (name[0] == '.') fs::remove(dir / name);  // the link, which koordin leaves alone
    }
  }
  EXPECT_EQ(refused, 1000);
  EXPECT_EQ(ReadFile(victim), "precious");
  EXPECT_EQ(ReadFile(target), "old");
}

}  // namespace
}  // namespace koordin_cli
