// koordin given sources that are no file, no longer there, empty, garbage, endless or 100 MB in
// one line, and targets it must not write: each ends with one line naming the file and what is
// wrong, status 1, the old target as it was, no temporary file, and little memory.

#include "koordin/layout.h"

#include "tools/koordin/formats/formats.h"

#include "tests/koordin_testing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using koordin_testing::ReadFile;
using koordin_testing::RunKoordin;
using koordin_testing::RunShell;
using koordin_testing::TempDir;

// The most memory koordin may take for any input, in KiB as GNU time reports it. Sanitized builds
// take several times the memory by design and are not held to it.
constexpr long kMostMemoryKiB = 64 * 1024;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMeasureMemory = false;
#else
constexpr bool kMeasureMemory = true;
#endif

constexpr std::size_t kHugeLineBytes = 100'000'000;
constexpr std::size_t kGarbageBytes = 64 * 1024;
const std::string kOldTarget = "the old file";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Files the cases share: a line of 100 MB is written once.
class KoordinFaults : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    shared_ = new TempDir;
    {
      std::ofstream huge(*shared_ / "huge", std::ios::binary);
      const std::string block(1 << 20, 'x');
      for (std::size_t written = 0; written < kHugeLineBytes; written += block.size()) {
        huge.write(block.data(), static_cast<std::streamsize>(block.size()));
      }
    }
    std::ofstream headedHuge(*shared_ / "headed-huge", std::ios::binary);
    headedHuge << koordin::kHeaderLine1 << "\n" << koordin::kHeaderLine2 << "\n";
    headedHuge << std::ifstream(*shared_ / "huge", std::ios::binary).rdbuf();
    std::mt19937 random(7);
    std::string garbage(kGarbageBytes, '\0');
    for (char& byte : garbage) byte = static_cast<char>(random() & 0xFF);
    shared_->Write("garbage", garbage);
  }
  static void TearDownTestSuite() {
    delete shared_;
    shared_ = nullptr;
  }
  static TempDir* shared_;
};

TempDir* KoordinFaults::shared_ = nullptr;

struct Source {
  const char* what;
  const char* setup;  // shell commands that make in.bin in the test's folder
  // How standard error begins, for a source read as KOORDIN, as a zip archive (CUPX) and as any
  // other format.
  const char* koordinError;
  const char* zipError = nullptr;  // none: as koordinError
  const char* formatError = nullptr;
};

TEST_F(KoordinFaults, ASourceItCannotUseIsOneClearLineAndCostsNothing) {
  const std::string shared = *shared_ / "";
  const Source sources[] = {
      {"a folder given as the file", "mkdir in.bin", "in.bin: cannot read: Is a directory"},
      {"a file that is gone, its link left", "ln -s gone in.bin",
       "in.bin: cannot read: No such file or directory"},
      {"an empty file", ": >in.bin", "in.bin: not a KOORDIN file: it is empty",
       "in.bin: the file is empty", "in.bin: the file is empty"},
      {"binary garbage", "cp garbage in.bin", "in.bin:", "in.bin: not a zip archive", "in.bin:"},
      // Read as another format, each fails at its first fault: a line or a token too long, a
      // header that is none, a character no document begins with; a zip archive at its first
      // bytes.
      {"100 MB in one line", "ln -s huge in.bin", "in.bin:1: header line too long: \"xxx",
       "in.bin: not a zip archive", "in.bin:1: "},
      {"a header, then 100 MB in one line", "ln -s headed-huge in.bin",
       "in.bin:3: a line of more than 4096 characters, which koordin does not read",
       "in.bin: not a zip archive", "in.bin:"},
      {"a source without end", "ln -s /dev/zero in.bin", "in.bin:1: header line too long",
       "in.bin: not a zip archive", "in.bin:1: "},
  };
  for (const Source& source : sources) {
    for (const koordin_cli::FileFormat& row : koordin_cli::FileFormats()) {
      const std::string format = row.name;
      SCOPED_TRACE(std::string(source.what) + " read as " + format);
      TempDir dir;
      RunShell(dir,
               "ln -s '" + shared + "huge' '" + shared + "headed-huge' '" + shared + "garbage' .");
      RunShell(dir, source.setup);
      const std::string target = format == "lst" ? "out.cup" : "out.lst";
      dir.Write(target, kOldTarget);
      const auto run = RunShell(dir, "/usr/bin/time -f %M -o memory koordin convert in.bin " +
                                         target + " --from " + format);
      EXPECT_EQ(run.status, 1) << run.err;  // a crash would be no exit status
      ASSERT_EQ(Lines(run.err).size(), 1u) << run.err;
      const std::string error = format == "lst" || source.zipError == nullptr ? source.koordinError
                                : format == "cupx"                            ? source.zipError
                                                                              : source.formatError;
      EXPECT_EQ(run.err.rfind("koordin: " + error, 0), 0u) << run.err;
      EXPECT_EQ(ReadFile(dir / target), kOldTarget);
      for (const std::string& file : dir.Files()) {
        EXPECT_TRUE(file == target || file == "memory" || file == "in.bin" || file == "garbage" ||
                    file == "huge" || file == "headed-huge")
            << "left behind: " << file;
      }
      if (kMeasureMemory) {
        // GNU time's last line is the peak resident memory; a line before it tells the status.
        EXPECT_LT(std::stol(Lines(ReadFile(dir / "memory")).back()), kMostMemoryKiB);
      }
    }
  }
}

// A source of any size converts in memory that grows with it at most twice over, and into KOORDIN,
// which holds 255 turnpoints and 32 routes, in kMostMemoryKiB however large the source.
TEST(KoordinLargeSources, ConvertInBoundedMemory) {
  if (!kMeasureMemory) GTEST_SKIP() << "sanitized builds take more memory by design";
  constexpr int kWaypoints = 400'000;  // about 40 MB
  TempDir dir;
  {
    std::ofstream cup(dir / "large.cup", std::ios::binary);
    cup << "name,code,country,lat,lon,elev,style,rwdir,rwlen,rwwidth,freq,desc\r\n";
    char line[160];
    for (int n = 0; n < kWaypoints; ++n) {
      std::snprintf(line, sizeof line,
                    "\"Field %06d\",F%06d,DE,%02d%02d.%03dN,%03d%02d.%03dE,%d.0m,%d,190,659m,,"
                    "\"124.600\",\"Site %d\"\r\n",
                    n, n, 45 + n % 6, n % 60, n % 1000, 5 + n % 10, (n / 7) % 60, n % 997, n % 3000,
                    n % 6, n);
      cup << line;
    }
    cup << "-----Related Tasks-----\r\n";
    for (int t = 0; t < 40; ++t) {
      cup << "\"Task " << t << "\",\"\"";
      for (int p = 0; p < 6; ++p)
        cup << ",\"Field " << std::setw(6) << std::setfill('0')
            << (t * 9973 + p * 7919) % kWaypoints << "\"";
      cup << ",\"\"\r\n";
    }
  }
  const long sourceKiB = static_cast<long>(std::filesystem::file_size(dir / "large.cup") / 1024);
  const std::pair<const char*, long> targets[] = {
      {"out.lst", kMostMemoryKiB},
      {"out.gpx", 2 * sourceKiB + 16 * 1024},
      {"out.json", 2 * sourceKiB + 16 * 1024},
  };
  for (const auto& [target, most] : targets) {
    SCOPED_TRACE(target);
    const auto run = RunShell(dir, std::string("/usr/bin/time -f %M -o memory koordin convert "
                                               "large.cup ") +
                                       target + " --quiet");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_LT(std::stol(Lines(ReadFile(dir / "memory")).back()), most);
  }
  EXPECT_EQ(RunShell(dir, "koordin check out.lst").out, "out.lst: 255 turnpoints, 32 routes\n");
}

// A route holds a few points: one of 200,000 takes no more memory into KOORDIN than the file holds.
TEST(KoordinLargeSources, ALongRouteIntoKoordinInBoundedMemory) {
  if (!kMeasureMemory) GTEST_SKIP() << "sanitized builds take more memory by design";
  TempDir dir;
  {
    std::ofstream json(dir / "long.json", std::ios::binary);
    json << R"({"waypoints": [{"name": "A", "latitude": 48.5, "longitude": 9.25},)"
         << R"( {"name": "B", "latitude": 48.25, "longitude": 9.5}], "tasks": [{"name": "Long",)"
         << R"( "points": ["A")";
    for (int p = 0; p < 200'000; ++p) json << (p % 2 == 0 ? R"(, "B")" : R"(, "A")");
    json << "]}]}";
  }
  const auto run =
      RunShell(dir, "/usr/bin/time -f %M -o memory koordin convert long.json out.lst --quiet");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_LT(std::stol(Lines(ReadFile(dir / "memory")).back()), kMostMemoryKiB);
}

}  // namespace
