// koordin's manual page and bash completion, as a user meets them: rendered by man, and asked
// for by a bash session.

#include "tools/koordin/formats/formats.h"

#include "tests/koordin_testing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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

// The manual page as man shows it, in plain text without tabs.
koordin_testing::Run Manual(const TempDir& dir) {
  return RunShell(
      dir, "MANWIDTH=80 man --warnings -l '" + kSource + "/tools/koordin/cli/koordin.1' | col -bx");
}

TEST(KoordinManual, RendersWithoutWarningsAndDescribesEveryCommandAndOption) {
  TempDir dir;
  const koordin_testing::Run man = Manual(dir);
  EXPECT_EQ(man.status, 0);
  EXPECT_EQ(man.out.rfind("KOORDIN(1)", 0), 0u) << man.out;
  EXPECT_EQ(man.err, "");  // groff's warnings
  for (const std::string command : {"convert", "check", "dump", "info", "formats"}) {
    for (const std::string& option : HelpOptions(dir, command)) {
      EXPECT_NE(man.out.find(option), std::string::npos) << command << " " << option;
    }
  }
}

// FORMATS has an entry for each row of the format table, in its order: the row's name, then its
// title, description and first extension.
TEST(KoordinManual, ListsTheFormatsOfTheTable) {
  TempDir dir;
  const std::string man = Manual(dir).out;
  const std::size_t start = man.find("\nFORMATS\n");
  ASSERT_NE(start, std::string::npos);
  const std::string section = man.substr(start, man.find("\nEXIT STATUS\n") - start);
  std::vector<std::string> tags;
  std::istringstream lines(section);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("       ", 0) == 0 && line.size() > 7 && line[7] != ' ') {
      tags.push_back(line.substr(7, line.find(' ', 7) - 7));
    }
  }
  std::vector<std::string> names;
  for (const koordin_cli::FileFormat& format : koordin_cli::FileFormats()) {
    names.push_back(format.name);
  }
  EXPECT_EQ(tags, names);
  const std::string words = std::regex_replace(section, std::regex("\\s+"), " ");
  for (const koordin_cli::FileFormat& format : koordin_cli::FileFormats()) {
    const std::string entry = std::string(format.name) + " " + format.title + ": " +
                              format.description + " (." + format.extensions.front();
    EXPECT_NE(words.find(entry), std::string::npos) << entry;
  }
}

TEST(KoordinCompletion, OffersCommandsOptionsFormatsAndFiles) {
  TempDir dir;
  RunShell(dir, "touch sites.cup sites.lst");
  const std::pair<std::string, std::string> cases[] = {
      {"koordin con", "convert"},
      {"koordin ''", "convert check dump info formats"},
      {"koordin --encoding CP850 d", "dump"},
      {"koordin convert sites.cup out.gpx --st", "--strict --style"},
      {"koordin convert sites.cup - --to g", "gpx"},
      {"koordin dump sites.lst --format ''", "text csv json"},
      {"koordin formats --format ''", "text json"},
      {"koordin formats ''", ""},
      {"koordin convert sites.cup out.lst --style air", "airfield"},
      {"koordin check sites.", "sites.cup sites.lst"},
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
  // Every name that --style takes, as the program lists them.
  EXPECT_EQ(RunShell(dir, Complete("koordin convert sites.cup out.lst --style ''") + " | sort").out,
            RunShell(dir, "koordin formats --styles | tail -n +2 | cut -d' ' -f1 | sort").out);
  // Every option of a command's help is offered.
  for (const std::string command : {"convert", "check", "dump", "formats"}) {
    const std::string offered = RunShell(dir, Complete("koordin " + command + " -")).out;
    for (const std::string& option : HelpOptions(dir, command)) {
      EXPECT_NE(offered.find(option + "\n"), std::string::npos) << command << " " << option;
    }
  }
}

}  // namespace
}  // namespace koordin_testing
