#include "tools/koordin/safe_output.h"

#include "tests/koordin_testing.h"

#include <gtest/gtest.h>

namespace koordin_cli {
namespace {

using koordin_testing::ReadFile;
using koordin_testing::TempDir;

TEST(SafeOutput, TheTargetChangesOnlyOnCommitAndNoTemporaryRemains) {
  for (const bool commit : {true, false}) {
    TempDir dir;
    const std::string target = dir.Write("out.lst", "old");
    {
      SafeOutput output(target);
      output.WriteAll("new");
      EXPECT_EQ(dir.Files().size(), 2u);  // the temporary beside the untouched target
      EXPECT_EQ(ReadFile(target), "old");
      if (commit) output.Commit();
    }
    EXPECT_EQ(ReadFile(target), commit ? "new" : "old");
    EXPECT_EQ(dir.Files(), std::set<std::string>{"out.lst"});
  }
}

}  // namespace
}  // namespace koordin_cli
