// A sample through every row koordin writes, as koordin convert writes and reads it: what comes
// back is the sample without the parts the row has no place for. Built twice: with koordin's table,
// and with a format of the tests' own in it (tab_format.cpp).

#include "tools/koordin/commands/command_support.h"
#include "tools/koordin/commands/targets.h"
#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/formats/formats.h"

#include "tests/document_testing.h"
#include "tests/koordin_testing.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace koordin_cli {
namespace {

// The shared sample with values every format keeps as they are: positions in hundredths of a
// degree, whole metres, styles WinPilot's flags tell, names a KOORDIN slot holds, a code each (CUP
// writes the name for none), one line of text each, and KOORDIN slots.
Document Sample() {
  Document sample = SampleDocument();
  Waypoint& aachen = sample.waypoints[0];
  aachen.latitude = 50.82;
  aachen.longitude = 6.18;
  aachen.description = "Platz \"EDKA\", Graspiste";
  aachen.slot = 1;
  Waypoint& peak = sample.waypoints[1];
  peak.longitude = -179.99;
  peak.code = "GIPF";
  peak.elevation = 2962.0;
  peak.style = 1;
  peak.slot = 2;
  return sample;
}

// `document` without `parts` (DocumentPart).
Document Without(Document document, unsigned parts) {
  for (Waypoint& waypoint : document.waypoints) {
    if (parts & kCodePart) waypoint.code.clear();
    if (parts & kCountryPart) waypoint.country.clear();
    if (parts & kElevationPart) waypoint.elevation.reset();
    if (parts & kStylePart) waypoint.style = 0;
    if (parts & kRunwayPart)
      waypoint.runwayDirection = waypoint.runwayLength = waypoint.runwayWidth = "";
    if (parts & kFrequencyPart) waypoint.frequency.clear();
    if (parts & kDescriptionPart) waypoint.description.clear();
    if (parts & kUserDataPart) waypoint.userData.clear();
    if (parts & kPicturesPart) waypoint.pictures.clear();
    if (parts & kMarkerPart) waypoint.marked = false;
    if (parts & kSlotPart) waypoint.slot = 0;
  }
  if (parts & kTasksPart) document.tasks.clear();
  for (Task& task : document.tasks)
    if (parts & kCupOptionsPart) task.cupOptions.clear();
  return document;
}

// A waypoint's fields by name, as text: positions and elevations to the places the formats keep.
std::vector<std::pair<std::string, std::string>> Fields(const Waypoint& waypoint) {
  std::vector<std::pair<std::string, std::string>> fields = {
      {"name", waypoint.name},
      {"latitude", FormatDecimal(waypoint.latitude, kDegreeDecimals)},
      {"longitude", FormatDecimal(waypoint.longitude, kDegreeDecimals)},
      {"elevation",
       waypoint.elevation ? FormatDecimal(*waypoint.elevation, kMetreDecimals) : "unknown"},
      {"style", std::to_string(waypoint.style)},
      {"marked", waypoint.marked ? "true" : "false"},
      {"slot", std::to_string(waypoint.slot)},
  };
  for (const WaypointText& text : WaypointTexts()) {
    fields.emplace_back(text.key, waypoint.*text.member);
  }
  return fields;
}

// The rows koordin writes; KOORDIN's (no reader of its own) only when `koordin`.
std::vector<std::string> RowNames(bool koordin) {
  std::vector<std::string> names;
  for (const FileFormat& format : FileFormats()) {
    if ((koordin || !format.IsKoordin()) && format.Writes()) names.push_back(format.name);
  }
  return names;
}

std::string ParamName(const testing::TestParamInfo<std::string>& info) {
  return info.param;
}

// By row name; files written and read by koordin convert's targets and sources, with the built
// driver.
class RoundTrip : public testing::TestWithParam<std::string> {
 protected:
  // `document` written by the row's target; its warnings go to `warnings`.
  void Write(const Document& document, Diagnostics& warnings) {
    std::ostringstream summary;
    const std::unique_ptr<CommittedTarget> target =
        MakeTarget(path_, format_, false, context_, warnings, summary);
    Diagnostics sourceWarnings;
    Convert(
        Choices(), [&](Diagnostics&, DocumentSink& sink) { Replay(document, sink); }, *target,
        sourceWarnings, warnings, [] {});
    ASSERT_TRUE(target->Commit());
  }

  // What the row's source reads of the file written.
  Document Read(Diagnostics& warnings) {
    Source source(path_, format_, "", context_);
    DocumentCollector collector;
    source.Read(warnings, collector);
    return std::move(collector.document);
  }

  const FileFormat& format_ = Format(GetParam());
  const koordin_testing::TempDir dir_;
  const std::string path_ = dir_ / ("sample." + format_.extensions.front());
  const CommonOptions common_{VP6FIO_DRIVER};
  Context context_{common_};
};

TEST_P(RoundTrip, GivesBackWhatTheFormatHasAPlaceFor) {
  Diagnostics writing;
  Write(Sample(), writing);
  Diagnostics reading;
  const Document read = Read(reading);
  EXPECT_EQ(reading.warnings(), std::vector<std::string>());

  const Document kept = Without(Sample(), format_.lost);
  ASSERT_EQ(read.waypoints.size(), kept.waypoints.size());
  for (std::size_t i = 0; i < kept.waypoints.size(); ++i) {
    const auto got = Fields(read.waypoints[i]);
    const auto expected = Fields(kept.waypoints[i]);
    for (std::size_t f = 0; f < expected.size(); ++f) {
      EXPECT_EQ(got[f].second, expected[f].second) << "waypoint " << i << ", " << expected[f].first;
    }
  }
  ASSERT_EQ(read.tasks.size(), kept.tasks.size());
  for (std::size_t i = 0; i < kept.tasks.size(); ++i) {
    EXPECT_EQ(read.tasks[i].name, kept.tasks[i].name) << "task " << i;
    EXPECT_EQ(read.tasks[i].points, kept.tasks[i].points) << "task " << i;
    EXPECT_EQ(read.tasks[i].cupOptions, kept.tasks[i].cupOptions) << "task " << i;
  }
}

TEST_P(RoundTrip, WritesWithoutAWordWhatTheFormatHasAPlaceFor) {
  Diagnostics writing;
  Write(Without(Sample(), format_.lost), writing);
  EXPECT_EQ(writing.warnings(), std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(EveryRow, RoundTrip, testing::ValuesIn(RowNames(true)), ParamName);

// The rows of the format modules, by name.
class FormatModule : public testing::TestWithParam<std::string> {
 protected:
  const FileFormat& format_ = Format(GetParam());
};

// Each part the row says the format has no place for, left alone in the sample of parts it has a
// place for, is warned about; the slot is a place in a KOORDIN file, which no warning names.
TEST_P(FormatModule, WarnsOfEachPartItLeavesOut) {
  for (const unsigned part :
       {kCodePart, kCountryPart, kElevationPart, kStylePart, kRunwayPart, kFrequencyPart,
        kDescriptionPart, kUserDataPart, kPicturesPart, kMarkerPart, kTasksPart, kCupOptionsPart}) {
    if ((format_.lost & part) == 0) continue;
    // A task's options need their task.
    const unsigned left = part == kCupOptionsPart ? part | kTasksPart : part;
    Diagnostics writing;
    WriteDocument(format_, Without(Sample(), format_.lost & ~left), writing);
    EXPECT_GT(writing.Count(), 0U) << "part " << part;
  }
}

TEST_P(FormatModule, ReadsTheSameInPiecesAsWhole) {
  Diagnostics writing;
  const std::string written = WriteDocument(format_, Sample(), writing);
  for (unsigned seed = 1; seed <= 3; ++seed) {
    EXPECT_EQ(ReadInPieces(format_, written, seed), ReadAs(format_, written)) << "seed " << seed;
  }
}

INSTANTIATE_TEST_SUITE_P(EveryModule, FormatModule, testing::ValuesIn(RowNames(false)), ParamName);

}  // namespace
}  // namespace koordin_cli
