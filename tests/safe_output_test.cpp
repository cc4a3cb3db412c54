#include "tools/koordin/safe_output.h"

#include "tests/koordin_testing.h"

#include <gtest/gtest.h>

namespace koordin_cli {
namespace {

using koordin_testing::ReadFile;
using koordin_testing::TempDir;

TEST(SafeOutput, CommitReplacesTheTargetAndLeavesNothingElse) {
  TempDir dir;
  const std::string target = dir.Write("out.lst", "old");
  {
    SafeOutput output(target);
    EXPECT_EQ(ReadFile(target), "old");  // untouched while the new content is written
    output.WriteAll("new");
    EXPECT_EQ(ReadFile(target), "old");
    output.Commit();
  }
  EXPECT_EQ(ReadFile(target), "new");
  EXPECT_EQ(dir.Files(), std::vector<std::string>{"out.lst"});
}

TEST(SafeOutput, WithoutCommitTheTargetStaysAndTheTemporaryGoes) {
  TempDir dir;
  const std::string target = dir.Write("out.lst", "old");
  {
    SafeOutput output(target);
    output.WriteAll("half");
    EXPECT_EQ(dir.Files().size(), 2u);  // the target and the temporary beside it
  }
  EXPECT_EQ(ReadFile(target), "old");
  EXPECT_EQ(dir.Files(), std::vector<std::string>{"out.lst"});
}

TEST(SafeOutput, ANewTargetAppearsOnlyOnCommit) {
  TempDir dir;
  const std::string target = dir / "new.cup";
  { SafeOutput output(target); }
  EXPECT_TRUE(dir.Files().empty());
}

TEST(SafeOutput, RefusesATargetItCannotWriteNamingIt) {
  TempDir dir;
  const std::string inMissingFolder = dir / "no/such/out.lst";
  try {
    SafeOutput output(inMissingFolder);
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(std::string(error.what()),
              inMissingFolder + ": cannot write: No such file or directory");
  }
  EXPECT_THROW(SafeOutput(dir / ""), FileError);  // a folder
  EXPECT_TRUE(dir.Files().empty());
}

TEST(ReadWholeFile, ReadsBytesAndNamesAFileItCannotRead) {
  TempDir dir;
  const std::string path = dir.Write("in.cup", std::string("a\0b\r\n", 5));
  EXPECT_EQ(ReadWholeFile(path), std::string("a\0b\r\n", 5));
  try {
    ReadWholeFile(dir / "missing.cup");
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(std::string(error.what()),
              dir / "missing.cup" + ": cannot read: No such file or directory");
  }
}

}  // namespace
}  // namespace koordin_cli
