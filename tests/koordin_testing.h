#pragma once

// Running the built koordin as a user does, in a folder of its own, and making KOORDIN files
// line by line for it to read.

#include "koordin/layout.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace koordin_testing {

namespace fs = std::filesystem;

// A new empty folder, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/koordin-test-XXXXXX";
    path_ = mkdtemp(pattern);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }

  // The path of `name` inside the folder.
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  // Writes `bytes` as the file `name` and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ / name, std::ios::binary) << bytes;
    return (path_ / name).string();
  }

  // The names of the files in the folder, sorted.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  fs::path path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The lines of `text`, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct Run {
  int status = -1;  // the exit status
  std::string out;
  std::string err;
};

// Runs the shell command `command` in the folder `dir`, gathering its output there.
inline Run RunShell(const TempDir& dir, const std::string& command) {
  const std::string out = dir / ".stdout";
  const std::string err = dir / ".stderr";
  const int raw = std::system(
      ("cd '" + (dir / "") + "' && " + command + " >'" + out + "' 2>'" + err + "'").c_str());
  Run run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = ReadFile(out);
  run.err = ReadFile(err);
  fs::remove(out);
  fs::remove(err);
  return run;
}

// Runs the built koordin with `arguments` (shell words) in the folder `dir`; `prefix` goes
// before it in the command.
inline Run RunKoordin(const TempDir& dir, const std::string& arguments,
                      const std::string& prefix = "") {
  return RunShell(dir, prefix + "'" KOORDIN_PROGRAM "' " + arguments);
}

// One turnpoint slot's six lines: name line, latitude, hemisphere, longitude, hemisphere,
// altitude and frequency.
struct Slot {
  std::string name;
  std::string latitude = "00:00:00";
  std::string north = "N";
  std::string longitude = "000:00:00";
  std::string east = "O";
  std::string altitude = "0000:0.000";
};

struct RouteSlot {
  std::string name;
  std::vector<std::string> points;
};

// `text` cut after `width` characters and filled with blanks to `width`.
inline std::string Field(const std::string& text, int width) {
  std::string field = text.substr(0, static_cast<std::size_t>(width));
  field.resize(static_cast<std::size_t>(width), ' ');
  return field;
}

// A turnpoint or point name line: the name in its field, then a blank.
inline std::string NameField(const std::string& name) {
  return Field(name, koordin::kNameWidth) + " ";
}

// A whole KOORDIN file, with LF line ends, whose slots after the given ones are empty.
inline std::string KoordinText(const std::vector<Slot>& slots,
                               const std::vector<RouteSlot>& routes = {}) {
  std::string text = std::string(koordin::kHeaderLine1) + "\n" + koordin::kHeaderLine2 + "\n";
  for (int i = 0; i < koordin::kTurnpointSlots; ++i) {
    const Slot slot =
        i < static_cast<int>(slots.size()) ? slots[static_cast<std::size_t>(i)] : Slot{};
    for (const std::string& line : {NameField(slot.name), slot.latitude, slot.north, slot.longitude,
                                    slot.east, slot.altitude}) {
      text += line + "\n";
    }
  }
  for (int r = 0; r < koordin::kRouteSlots; ++r) {
    const RouteSlot route =
        r < static_cast<int>(routes.size()) ? routes[static_cast<std::size_t>(r)] : RouteSlot{};
    text += Field(route.name, koordin::kNameLineWidth) + "\n";
    for (int p = 0; p < koordin::kPointsPerRoute; ++p) {
      text += p < static_cast<int>(route.points.size())
                  ? NameField(route.points[static_cast<std::size_t>(p)]) + "\n"
                  : std::string(koordin::kEmptyPointLine) + "\n";
    }
  }
  return text;
}

}  // namespace koordin_testing
