#pragma once

// Running the built koordin as a user does, in a folder of its own.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace koordin_testing {

namespace fs = std::filesystem;

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A new empty folder, removed with everything in it when the object goes.
struct TempDir {
  char pattern[25] = "/tmp/koordin-test-XXXXXX";
  fs::path path = mkdtemp(pattern);
  std::error_code ignored;
  ~TempDir() { fs::remove_all(path, ignored); }
  std::string operator/(const std::string& name) const { return (path / name).string(); }
  // Writes `bytes` as the file `name` and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path / name, std::ios::binary) << bytes;
    return *this / name;
  }
  // The names of the files in the folder.
  std::set<std::string> Files() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(path)) names.insert(entry.path().filename());
    return names;
  }
};

struct Run {
  int status;  // the exit status
  std::string out, err;
};

// Runs the shell command `command` in the folder `dir`, where `koordin` is the built program.
inline Run RunShell(const TempDir& dir, const std::string& command) {
  const std::string out = dir.path.string() + ".out", err = dir.path.string() + ".err";
  const std::string line = "cd '" + dir / "" + "' && PATH='" +
                           fs::path(KOORDIN_PROGRAM).parent_path().string() + "':$PATH && (" +
                           command + ") >'" + out + "' 2>'" + err + "'";
  const int raw = std::system(line.c_str());
  Run run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(out), ReadFile(err)};
  fs::remove(out);
  fs::remove(err);
  return run;
}

using Step = std::tuple<std::string, int, std::string, std::string>;  // command, status, out, err

// Runs the steps in order in `dir`, each expected to end with its status, standard output and
// standard error.
inline void ExpectSession(const TempDir& dir, const std::vector<Step>& steps) {
  for (const auto& [command, status, out, err] : steps) {
    SCOPED_TRACE(command);
    const Run run = RunShell(dir, command);
    EXPECT_EQ(run.status, status);
    EXPECT_EQ(run.out, out);
    EXPECT_EQ(run.err, err);
  }
}

// The program under test as the shell finds it: koordin, or a koordin with a format of the tests.
inline std::string ProgramName() {
  return fs::path(KOORDIN_PROGRAM).filename().string();
}

// Runs the program with `arguments` (shell words) in `dir`.
inline Run RunKoordin(const TempDir& dir, const std::string& arguments) {
  return RunShell(dir, ProgramName() + " " + arguments);
}

// A bash session that completes the command line `line` (shell words, the last one being typed)
// with koordin's completion and prints what it offers, one word a line.
inline std::string Complete(const std::string& line) {
  return "bash -c 'source \"$1\" && eval \"COMP_WORDS=($2)\" && "
         "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) && _koordin && for w in \"${COMPREPLY[@]}\"; do "
         "echo \"$w\"; done' bash '" KOORDIN_SOURCE_DIR "/tools/koordin/cli/koordin.bash' \"" +
         line + "\"";
}

// GPSBabel's format `babel` and koordin's `target`, a format without tasks (a file name and
// options, such as "sites.wpt --to ozi"): GPSBabel reads every name and place koordin writes of the
// bundled example, and koordin every one GPSBabel writes. Skips the test without gpsbabel.
inline void ExpectGpsbabelReadsBothWays(const std::string& babel, const std::string& target) {
  TempDir dir;
  if (RunShell(dir, "command -v gpsbabel").status != 0) GTEST_SKIP() << "gpsbabel is missing";
  const std::string example = "'" KOORDIN_SOURCE_DIR "/examples/gliding-sites.cup'";
  const std::string listing = " --format csv 2>/dev/null | sed '/^$/q' | cut -d, -f2-4";
  const Run listed = RunShell(dir, "koordin dump " + example + listing);
  ASSERT_EQ(listed.status, 0);
  const std::string file = target.substr(0, target.find(' '));
  const std::string back = "babel" + file.substr(file.find('.'));
  ExpectSession(
      dir, {{"koordin convert " + example + " " + target + " --quiet && gpsbabel -i " + babel +
                 " -f " + file + " -o unicsv -F babel.csv && koordin dump babel.csv" + listing,
             0, file + ": 28 turnpoints, 0 routes\n" + listed.out, ""},
            {"gpsbabel -i unicsv -f babel.csv -o " + babel + " -F " + back + " && koordin dump " +
                 back + listing,
             0, listed.out, ""}});
}

}  // namespace koordin_testing
