// A format of the tests' own, in a table of the tests' own (tests/CMakeLists.txt): a waypoint a
// line, its name, latitude and longitude between tabs. This file and its row are all that it
// takes; the lists of formats, the round trip and the program take it up by themselves.

#include "tools/koordin/formats/formats.h"

#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/formats/text_lines.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace koordin_cli {

namespace {

constexpr char kSeparator = '\t';
constexpr const char* kFieldsFault = "expected a name, a latitude and a longitude between tabs";

// Everything of a document but the names and positions of its waypoints.
constexpr unsigned kLost = kCodePart | kCountryPart | kElevationPart | kStylePart | kRunwayPart |
                           kFrequencyPart | kDescriptionPart | kUserDataPart | kPicturesPart |
                           kMarkerPart | kSlotPart | kTasksPart | kCupOptionsPart;

void ReadTabInto(ByteSource& source, Diagnostics& diagnostics, DocumentSink& sink) {
  TextLines lines(source, diagnostics);
  TextLine line{};
  while (lines.Next(line)) {
    if (line.text.empty()) continue;
    std::vector<std::string_view> fields;
    for (std::size_t at = 0, end = 0; end != std::string_view::npos; at = end + 1) {
      end = line.text.find(kSeparator, at);
      fields.push_back(line.text.substr(at, end == std::string_view::npos ? end : end - at));
    }
    if (fields.size() != 3) throw FormatError(line.number, kFieldsFault);
    const std::optional<double> latitude = ParseDecimal(fields[1]);
    const std::optional<double> longitude = ParseDecimal(fields[2]);
    if (!latitude || !longitude) throw FormatError(line.number, kFieldsFault);
    CheckCoordinates(*latitude, *longitude, line.number);
    Waypoint waypoint;
    waypoint.name = fields[0];
    waypoint.latitude = *latitude;
    waypoint.longitude = *longitude;
    sink.AddWaypoint(std::move(waypoint));
  }
}

// True when `waypoint` has more than a name, a position and a slot.
bool HasMore(const Waypoint& waypoint) {
  const auto& texts = WaypointTexts();
  return waypoint.elevation || waypoint.style != 0 || waypoint.marked ||
         std::any_of(texts.begin(), texts.end(),
                     [&](const WaypointText& text) { return !(waypoint.*text.member).empty(); });
}

class TabWriter : public FormatWriter {
 public:
  TabWriter(std::string& out, Diagnostics& diagnostics) : out_(out), diagnostics_(diagnostics) {}

  void Begin(const std::vector<Task>& tasks) override { tasks_ = tasks.size(); }

  void AddWaypoint(const Waypoint& waypoint) override {
    CheckWaypointToWrite(waypoint);
    std::string name = waypoint.name;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return c == kSeparator || c == '\n' || c == '\r'; },
        ' ');
    if (name != waypoint.name) {
      diagnostics_.Warn("TAB has no place for the tabs and line ends of " + Quoted(waypoint.name));
    }
    if (HasMore(waypoint)) ++withMore_;
    out_ += name + kSeparator + FormatDecimal(waypoint.latitude, kDegreeDecimals) + kSeparator +
            FormatDecimal(waypoint.longitude, kDegreeDecimals) + '\n';
  }

  void End() override {
    if (withMore_ > 0) {
      diagnostics_.Warn("TAB holds names and positions only: the other fields of " +
                        std::to_string(withMore_) + " waypoints are left out");
    }
    if (tasks_ > 0) {
      diagnostics_.Warn("TAB has no tasks: " + std::to_string(tasks_) + " tasks are left out");
    }
  }

 private:
  std::string& out_;
  Diagnostics& diagnostics_;
  std::size_t tasks_ = 0;
  std::size_t withMore_ = 0;
};

std::unique_ptr<FormatWriter> MakeTabWriter(std::string& out, Diagnostics& diagnostics) {
  return std::make_unique<TabWriter>(out, diagnostics);
}

}  // namespace

FileFormat TabFormat() {
  return {"tab",          "TAB",        "a format of the tests: names and positions between tabs",
          {"tab", "tsv"}, &ReadTabInto, &MakeTabWriter,
          false,          kLost};
}

}  // namespace koordin_cli
