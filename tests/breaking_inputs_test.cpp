// Inputs that once crashed or hung a reader, each with what reading it must give now. Those found
// by fuzzing (fuzz/) are also in their target's corpus under fuzz/corpus/.

#include "tools/koordin/formats/formats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <string>

namespace koordin_cli {
namespace {

using Reader = std::function<Document(std::string_view, Diagnostics&)>;

struct Finding {
  const char* what;
  Reader read;
  std::string bytes;
  int errorLine;         // the FormatError's line, or -1 when the input reads
  const char* inReport;  // part of the FormatError's message, or of a warning when it reads
};

TEST(BreakingInputs, EachIsReadOrRefusedWithItsLine) {
  const Finding findings[] = {
      {"a CUP style of 72 digits, once converted to a whole number beyond its range", ReadCup,
       "name,code,country,lat,lon,elev,style\r\n\"A\",\"A\",DE,5049.380N,00611.200E,189.0m," +
           std::string(71, '8') + "5\r\n",
       -1, "unknown style"},
      {"a JSON number beyond a double, once an exception of the JSON library", ReadJson,
       "{\"waypoints\": [],\n \"extra\": [1e400]}", 2, "number overflow parsing '1e400'"},
  };
  for (const Finding& finding : findings) {
    Diagnostics diagnostics;
    try {
      finding.read(finding.bytes, diagnostics);
      EXPECT_EQ(finding.errorLine, -1) << finding.what << ": read without a FormatError";
      std::string warnings;
      for (const std::string& warning : diagnostics.warnings) warnings += warning + "\n";
      EXPECT_NE(warnings.find(finding.inReport), std::string::npos) << finding.what << warnings;
    } catch (const FormatError& error) {
      EXPECT_EQ(error.line(), finding.errorLine) << finding.what << ": " << error.what();
      EXPECT_NE(std::string(error.what()).find(finding.inReport), std::string::npos)
          << finding.what << ": " << error.what();
    }
  }
}

// The processor time that reading `bytes` costs this process, the least of five reads. Other
// processes on the machine do not count towards it, and the least leaves out this one's pauses.
template <typename Reader>
double ProcessorSecondsToRead(Reader read, const std::string& bytes) {
  double least = 0;
  for (int i = 0; i < 5; ++i) {
    Diagnostics diagnostics;
    const std::clock_t start = std::clock();
    read(bytes, diagnostics);
    const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    least = i == 0 ? seconds : std::min(least, seconds);
  }
  return least;
}

// The GPX and JSON readers once took time quadratic in the waypoints: both counted the lines
// from the file's start for every waypoint, and the JSON library's parser, given a callback,
// searched a whole array after each object in it. A file of 30,000 waypoints took minutes. Four
// times the waypoints must now cost about four times the work, far from sixteen: measured as the
// processor time of this process, the least of several reads, against a wide margin, so that a
// loaded machine does not fail it.
TEST(BreakingInputs, ManyWaypointsReadInTimeLinearInTheFile) {
  constexpr int kWaypoints = 4000;
  constexpr int kTimes = 4;
  constexpr double kMostGrowth = 8.0;
  const auto document = [](int waypoints) {
    Document made;
    for (int i = 0; i < waypoints; ++i) {
      Waypoint waypoint;
      waypoint.name = "Waypoint " + std::to_string(i);
      waypoint.latitude = -80.0 + 160.0 * i / waypoints;
      waypoint.longitude = 170.0 - 340.0 * i / waypoints;
      waypoint.style = 1 + i % 5;
      made.waypoints.push_back(waypoint);
    }
    return made;
  };
  const Document few = document(kWaypoints);
  const Document many = document(kWaypoints * kTimes);
  const struct {
    const char* format;
    std::function<std::string(const Document&, Diagnostics&)> write;
    Reader read;
  } formats[] = {{"GPX", WriteGpx, ReadGpx}, {"JSON", WriteJson, ReadJson}};
  for (const auto& format : formats) {
    Diagnostics diagnostics;
    const double growth = ProcessorSecondsToRead(format.read, format.write(many, diagnostics)) /
                          ProcessorSecondsToRead(format.read, format.write(few, diagnostics));
    EXPECT_LT(growth, kMostGrowth) << format.format;
  }
}

}  // namespace
}  // namespace koordin_cli
