// koordin's manual page and bash completion, as a user meets them: rendered by man, and asked
// for by a bash session.

#include "tests/koordin_testing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <utility>

namespace koordin_testing {
namespace {

const std::string kSource = KOORDIN_SOURCE_DIR;

// The long options that `koordin ARGUMENTS --help` lists.
std::set<std::string> HelpOptions(const TempDir& dir, const std::string& arguments) {
  const std::string help = RunKoordin(dir, arguments + " --help").out;
  std::set<std::string> options;
  for (std::size_t at = help.find("--"); at != std::string::npos; at = help.find("--", at + 2)) {
    std::size_t end = at + 2;
    while (end < help.size() &&
           (std::islower(static_cast<unsigned char>(help[end])) || help[end] == '-')) {
      ++end;
    }
    if (end > at + 2) options.insert(help.substr(at, end - at));
  }
  return options;
}

TEST(KoordinManual, RendersWithoutWarningsAndDescribesEveryCommandAndOption) {
  TempDir dir;
  const koordin_testing::Run man = RunShell(
      dir, "MANWIDTH=80 man --warnings -l '" + kSource + "/tools/koordin/cli/koordin.1' | col -b");
  EXPECT_EQ(man.status, 0);
  EXPECT_EQ(man.out.rfind("KOORDIN(1)", 0), 0u) << man.out;
  EXPECT_EQ(man.err, "");  // groff's warnings
  for (const std::string command : {"convert", "check", "dump", "info"}) {
    for (const std::string& option : HelpOptions(dir, command)) {
      EXPECT_NE(man.out.find(option), std::string::npos) << command << " " << option;
    }
  }
}

// A bash session that completes the command line `line` (shell words, the last one being typed)
// and prints what it offers, one word a line.
std::string Complete(const std::string& line) {
  return "bash -c 'source \"$1\" && eval \"COMP_WORDS=($2)\" && "
         "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) && _koordin && for w in \"${COMPREPLY[@]}\"; do "
         "echo \"$w\"; done' bash '" +
         kSource + "/tools/koordin/cli/koordin.bash' \"" + line + "\"";
}

TEST(KoordinCompletion, OffersCommandsOptionsFormatsAndFiles) {
  TempDir dir;
  RunShell(dir, "touch sites.cup sites.lst");
  const std::pair<std::string, std::string> cases[] = {
      {"koordin con", "convert"},
      {"koordin ''", "convert check dump info"},
      {"koordin --encoding CP850 d", "dump"},
      {"koordin convert sites.cup out.gpx --st", "--strict --style"},
      {"koordin convert sites.cup - --to g", "gpx"},
      {"koordin dump sites.lst --format ''", "text csv json"},
      {"koordin check sites.", "sites.cup sites.lst"},
      {"koordin info ''", ""},
  };
  for (const auto& [line, offered] : cases) {
    std::set<std::string> words;
    for (std::size_t at = 0, end; at < offered.size(); at = end + 1) {
      end = std::min(offered.find(' ', at), offered.size());
      words.insert(offered.substr(at, end - at));
    }
    std::string sorted;
    for (const std::string& word : words) sorted += word + "\n";
    EXPECT_EQ(RunShell(dir, Complete(line) + " | sort").out, sorted) << line;
  }
  // Every option of a command's help is offered.
  for (const std::string command : {"convert", "check", "dump"}) {
    const std::string offered = RunShell(dir, Complete("koordin " + command + " -")).out;
    for (const std::string& option : HelpOptions(dir, command)) {
      EXPECT_NE(offered.find(option + "\n"), std::string::npos) << command << " " << option;
    }
  }
}

}  // namespace
}  // namespace koordin_testing
