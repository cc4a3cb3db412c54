// A conversion read a piece at a time, in memory that does not grow with the source, against the
// same conversion of the whole source in memory: the same file, the same words, the same status.

#include "tools/koordin/commands/commands.h"

#include "tests/koordin_testing.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace koordin_cli {
namespace {

using koordin_testing::ReadFile;
using koordin_testing::TempDir;

// A CUP file such as pilots have, with what makes choosing hard: names used twice or in another
// case, blanks after names, names of control characters only, tasks naming what is missing, bad
// frequencies, bytes that are no UTF-8, and more waypoints than the instrument holds.
std::string RandomCup(std::mt19937& random) {
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const std::vector<std::string> names = {"Alpha", "alpha",     "Bravo ", "Bravo",   "Charlie",
                                          "\x07",  "Delta\x01", "Echo",   "Fox\xE9", "Golf"};
  const auto name = [&](int i) {
    return pick(4) == 0 ? names[static_cast<std::size_t>(pick(static_cast<int>(names.size())))]
                        : "P" + std::to_string(i % 400);
  };
  std::string cup = "name,code,country,lat,lon,elev,style,rwdir,rwlen,freq,desc\r\n";
  // Few, about as many as the instrument holds (a few dropped are named, more are counted), many.
  const int sizes[] = {pick(40), 254 + pick(12), 254 + pick(12), 200 + pick(200)};
  const int waypoints = sizes[pick(4)];
  for (int i = 0; i < waypoints; ++i) {
    char position[64];
    std::snprintf(position, sizeof position, "%02d%02d.%03dN,%03d%02d.%03dE", 45 + pick(6),
                  pick(60), pick(1000), 5 + pick(10), pick(60), pick(1000));
    const char* frequencies[] = {"", "122.475", "122,5", "Tower", "130.125 MHz"};
    cup += "\"" + name(i) + "\",C" + std::to_string(i) + ",DE," + position + "," +
           std::to_string(pick(2000)) + "m," + std::to_string(pick(23)) + ",,,\"" +
           frequencies[pick(5)] + "\",\r\n";
  }
  cup += "-----Related Tasks-----\r\n";
  for (int t = pick(40); t > 0; --t) {
    cup += "\"T" + std::to_string(t) + "\"";
    for (int p = 2 + pick(8); p > 0; --p)
      cup += ",\"" + (pick(6) == 0 ? "" : name(pick(500))) + "\"";
    cup += "\r\n";
    if (pick(4) == 0) cup += "ObsZone=0,Style=2,R1=500m\r\n";
  }
  return cup;
}

struct Result {
  int status;
  std::string out, err, file;
};

Result Convert(const TempDir& dir, ConvertOptions options, bool whole) {
  options.whole = whole;
  const std::string target = options.output;
  if (target != "-") options.output = dir / (std::string(whole ? "whole." : "pieces.") + target);
  CommonOptions common;
  common.driverPath = VP6FIO_DRIVER;
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunConvert(common, options, out, err);
  // The messages name the file written, which differs between the two.
  const auto named = [&](std::string text) {
    for (std::size_t at = 0;
         target != "-" && (at = text.find(options.output, at)) != std::string::npos;) {
      text.replace(at, options.output.size(), target);
    }
    return text;
  };
  return {status, named(out.str()), named(err.str()),
          target == "-" ? "" : ReadFile(options.output)};
}

TEST(KoordinPieces, ConvertsAsTheWholeSourceInMemoryDoes) {
  struct Case {
    const char* what;
    ConvertOptions options;
  };
  const auto with = [](auto change) {
    ConvertOptions options;
    change(options);
    return options;
  };
  const std::vector<Case> cases = {
      {"everything", {}},
      {"near a turnpoint", with([](ConvertOptions& o) { o.choices.near = "Bravo"; })},
      {"near a position, in a radius", with([](ConvertOptions& o) {
         o.choices.near = "47.5,9.5";
         o.choices.radiusKm = 150;
       })},
      {"names, styles and tasks", with([](ConvertOptions& o) {
         o.choices.only = {"P1*", "*a*"};
         o.choices.exclude = {"P12*"};
         o.choices.styles = {"airfield", "1"};
         o.choices.tasks = {"T1*", "T2"};
       })},
      {"a turnpoint that is not there",
       with([](ConvertOptions& o) { o.choices.near = "Nowhere"; })},
      {"strict", with([](ConvertOptions& o) { o.strict = true; })},
      {"quiet, near", with([](ConvertOptions& o) {
         o.quiet = true;
         o.choices.near = "Echo";
       })},
      {"another character set", with([](ConvertOptions& o) { o.inputEncoding = "ISO-8859-2"; })},
  };
  std::mt19937 random(2026);
  for (int round = 0; round < 16; ++round) {
    TempDir dir;
    // The source in each format koordin reads, made by koordin from the CUP file.
    std::string source = dir.Write("source.cup", RandomCup(random));
    const char* formats[] = {"cup", "csv", "gpx", "json"};
    const std::string format = formats[round % 4];
    if (format != "cup") {
      ConvertOptions made;
      made.input = source;
      made.output = source = dir / ("source." + format);
      CommonOptions common;
      std::ostringstream ignored;
      ASSERT_EQ(RunConvert(common, made, ignored, ignored), 0);
    }
    for (std::size_t c = 0; c < cases.size(); ++c) {
      for (const char* target :
           {"out.lst", "out.cup", "out.gpx", "out.csv", "out.json", "-", "none/out.gpx"}) {
        SCOPED_TRACE(std::string(cases[c].what) + " into " + target + ", round " +
                     std::to_string(round));
        ConvertOptions options = cases[c].options;
        options.input = source;
        options.output = target;
        if (std::string(target) == "-") options.to = "cup";
        const Result whole = Convert(dir, options, true);
        const Result pieces = Convert(dir, options, false);
        EXPECT_EQ(pieces.status, whole.status);
        EXPECT_EQ(pieces.out, whole.out);
        EXPECT_EQ(pieces.err, whole.err);
        EXPECT_EQ(pieces.file, whole.file);
      }
    }
  }
}

}  // namespace
}  // namespace koordin_cli
