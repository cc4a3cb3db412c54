// Every list of formats that the program shows is the format table's: `koordin formats`, the help,
// the messages and the bash completion; and every format converts by its name and its extensions.
// Built twice: with koordin's table, and with a format of the tests' own in it (tab_format.cpp).

#include "tools/koordin/formats/formats.h"

#include "tests/koordin_testing.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace koordin_testing {
namespace {

using koordin_cli::FileFormat;
using koordin_cli::FileFormats;

const std::string kSource =
    R"({"waypoints": [{"name": "Alpha", "latitude": 48.5, "longitude": 9.25},
                      {"name": "Beta", "latitude": 48.25, "longitude": 9.5}],
        "tasks": [{"name": "Runde", "points": ["", "Alpha", "Beta", ""]}]})";

// The first word of each line of `text` after the first `skipped` lines.
std::vector<std::string> FirstWords(const std::string& text, std::size_t skipped) {
  std::istringstream lines(text);
  std::vector<std::string> words;
  std::string line;
  for (std::size_t n = 0; std::getline(lines, line); ++n) {
    if (n >= skipped) words.push_back(line.substr(0, line.find(' ')));
  }
  return words;
}

// The table's names in its order; only those koordin writes when `written`.
std::vector<std::string> Names(bool written = false) {
  std::vector<std::string> names;
  for (const FileFormat& format : FileFormats()) {
    if (!written || format.Writes()) names.push_back(format.name);
  }
  return names;
}

// `words` with ", " between them and `last` before the last one.
std::string Joined(const std::vector<std::string>& words, const std::string& last) {
  std::string joined;
  for (std::size_t i = 0; i < words.size(); ++i) {
    joined += (i == 0 ? "" : i + 1 == words.size() ? last : ", ") + words[i];
  }
  return joined;
}

TEST(FormatTable, TheFormatsCommandListsEveryRowInItsOrderAndTheHelpEveryRow) {
  TempDir dir;
  EXPECT_EQ(FirstWords(RunKoordin(dir, "formats").out, 1), Names());
  const nlohmann::json json = nlohmann::json::parse(RunKoordin(dir, "formats --format json").out);
  std::vector<std::string> listed;
  for (const nlohmann::json& format : json.at("formats")) listed.push_back(format.at("name"));
  EXPECT_EQ(listed, Names());
  const std::string help = RunKoordin(dir, "--help").out;
  EXPECT_NE(help.find("convert between " + Joined(Names(), " and ") + ";"), std::string::npos)
      << help;
  for (const FileFormat& format : FileFormats()) {
    EXPECT_NE(help.find(std::string(format.title) + ": " + format.description), std::string::npos)
        << format.name;
  }
}

// Every row, and for a target those koordin writes.
TEST(FormatTable, MessagesListEveryRow) {
  TempDir dir;
  dir.Write("in.json", kSource);
  std::vector<std::string> charsetTitles;
  for (const FileFormat& format : FileFormats()) {
    if (format.otherCharsets) charsetTitles.push_back(format.title);
  }
  const std::string names = "(" + Joined(Names(), ", ") + ")";
  const std::string written = "(" + Joined(Names(true), ", ") + ")";
  const std::string program = ProgramName();
  ExpectSession(
      dir,
      {{program + " convert in.json out.none", 2, "",
        "koordin: out.none: cannot tell the format from the file name; give --to " + written +
            "\n"},
       {program + " convert in.json out.lst --from none", 2, "",
        "koordin: --from none: not a format koordin knows " + names + "\n"},
       {program + " convert in.json out.lst --to none", 2, "",
        "koordin: --to none: not a format koordin knows " + written + "\n"},
       {program + " convert in.json -", 2, "",
        "koordin: (standard output): give --to to name its format " + written + "\n"},
       {program + " convert in.json out.lst --input-encoding CP1250", 2, "",
        "koordin: --input-encoding CP1250: only " + Joined(charsetTitles, " and ") +
            " files come in other character sets (a KOORDIN file's is given with --encoding)\n"}});
}

TEST(FormatTable, TheCompletionOffersEveryRowToReadAndThoseItWritesToWrite) {
  TempDir dir;
  std::vector<std::string> names = Names();
  std::sort(names.begin(), names.end());
  std::vector<std::string> written = Names(true);
  std::sort(written.begin(), written.end());
  for (const auto& [option, offered] : {std::pair{"--from", names}, std::pair{"--to", written}}) {
    EXPECT_EQ(FirstWords(RunShell(dir, Complete(ProgramName() + " convert in.json out.lst " +
                                                option + " ''") +
                                           " | sort")
                             .out,
                         0),
              offered)
        << option;
  }
}

// The program's command line of `arguments`, its output and warnings left out.
std::string Quietly(const std::string& arguments) {
  return ProgramName() + " " + arguments + " >/dev/null 2>&1";
}

// Into each format by each of its extensions and by its name, and back: the waypoints, and the
// task where the format has a place for tasks; into a format koordin only reads, a refusal. An
// extension of more than one format needs the format named, and its files are read by their
// content.
TEST(FormatTable, EveryRowConvertsByItsExtensionsAndItsName) {
  TempDir dir;
  dir.Write("in.json", kSource);
  for (const FileFormat& format : FileFormats()) {
    if (!format.Writes()) {
      EXPECT_EQ(RunKoordin(dir, "convert in.json out.any --to " + std::string(format.name)).err,
                "koordin: out.any: koordin reads " + std::string(format.title) +
                    " files but does not write them\n");
      continue;
    }
    const std::string held = std::string(": 2 turnpoints, ") +
                             (format.lost & koordin_cli::kTasksPart ? "0 routes" : "1 route") +
                             "\n";
    for (const std::string& extension : format.extensions) {
      const std::string out = "out." + extension;
      const bool shared = koordin_cli::FormatsOfPath(out).size() > 1;
      const std::string to = shared ? " --to " + std::string(format.name) : "";
      EXPECT_EQ(RunShell(dir, Quietly("convert in.json " + out + to) + " && " + ProgramName() +
                                  " check " + out)
                    .out,
                out + held)
          << format.name;
    }
    const std::string name = format.name;
    EXPECT_EQ(RunShell(dir, Quietly("convert in.json out.any --to " + name) + " && " +
                                Quietly("convert out.any back.json --from " + name) + " && " +
                                ProgramName() + " check back.json")
                  .out,
              "back.json" + held)
        << name;
  }
}

// What convert says it wrote is what the file holds, also where a format holds less than it is
// given: no tasks, or one task and its waypoints.
TEST(FormatTable, TheSummarySaysWhatTheTargetHolds) {
  TempDir dir;
  for (const FileFormat& format : FileFormats()) {
    if (!format.Writes()) continue;
    const std::string out = "out." + std::string(format.extensions.front());
    const koordin_testing::Run convert =
        RunKoordin(dir, "convert '" KOORDIN_SOURCE_DIR "/examples/gliding-sites.cup' " + out +
                            " --to " + format.name + " --quiet");
    const koordin_testing::Run check = RunKoordin(dir, "check " + out + " --from " + format.name);
    EXPECT_EQ(convert.out, check.out) << format.name;
  }
}

}  // namespace
}  // namespace koordin_testing
