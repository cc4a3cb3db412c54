#include "tools/koordin/formats/formats.h"

#include "tests/document_testing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace koordin_cli {
namespace {

TEST(WriteJson, RoundTripsEveryFieldOfTheDocument) {
  const Document document = SampleDocument();
  Diagnostics diagnostics;
  const std::string written = WriteJson(document, diagnostics);
  EXPECT_TRUE(diagnostics.warnings.empty());
  const Document read = ReadJson(written, diagnostics);
  EXPECT_TRUE(diagnostics.warnings.empty()) << diagnostics.warnings.front();
  ASSERT_EQ(read.waypoints.size(), document.waypoints.size());
  for (std::size_t i = 0; i < read.waypoints.size(); ++i) {
    ExpectSameWaypoint(document.waypoints[i], read.waypoints[i]);
  }
  ASSERT_EQ(read.tasks.size(), document.tasks.size());
  for (std::size_t i = 0; i < read.tasks.size(); ++i) {
    ExpectSameTask(document.tasks[i], read.tasks[i]);
  }
  EXPECT_EQ(WriteJson(read, diagnostics), written);
}

TEST(WriteJson, WritesReadableUtf8WithRoundedNumbers) {
  Document document;
  Waypoint waypoint;
  waypoint.name = "Öhringen \"Süd\"";
  waypoint.latitude = 51 + 7.83 / 60;
  waypoint.longitude = -0.000000001;
  document.waypoints.push_back(waypoint);
  document.tasks.push_back(Task{"T", {"", "Öhringen \"Süd\""}, {}});
  Diagnostics diagnostics;
  const std::string written = WriteJson(document, diagnostics);
  for (const char* part : {
           "{\n  \"waypoints\": [\n    {\n      \"name\": \"Öhringen \\\"Süd\\\"\",\n"
           "      \"latitude\": 51.1305,\n      \"longitude\": 0.0,\n      \"elevation\": null,\n",
           "\"tasks\": [\n    {\n      \"name\": \"T\",\n      \"points\": [\n        \"\",\n",
       }) {
    EXPECT_NE(written.find(part), std::string::npos) << part << "\nin\n" << written;
  }
  EXPECT_EQ(written.find("cupOptions"), std::string::npos);  // only where a task has them
}

TEST(WriteJson, ReplacesBytesThatAreNoUtf8WithAWarning) {
  Document document;
  document.waypoints.push_back(Waypoint{});
  document.waypoints[0].name = "M\xFCnster";
  Diagnostics diagnostics;
  const std::string written = WriteJson(document, diagnostics);
  EXPECT_EQ(diagnostics.warnings.size(), 1U);
  EXPECT_NE(written.find("M\xEF\xBF\xBDnster"), std::string::npos);
}

TEST(ReadJson, WarnsWithTheLineAboutWhatItDoesNotRead) {
  const std::string file =
      "{\n"                                                              // 1
      "  \"tasks\": [{\"name\": \"T\", \"points\": [\"A\", \"B\"]}],\n"  // 2
      "  \"version\": 2,\n"                                              // 3
      "  \"waypoints\": [\n"                                             // 4
      "    {\"name\": \"A\", \"latitude\": 50, \"longitude\": 8,\n"      // 5
      "     \"colour\": \"red\", \"style\": 40},\n"                      // 6
      "    {\"name\": \"A\", \"latitude\": -50.5, \"longitude\": 8}\n"   // 7
      "  ]\n"                                                            // 8
      "}\n";
  Diagnostics diagnostics;
  const Document document = ReadJson(file, diagnostics);
  EXPECT_EQ(diagnostics.warnings, (std::vector<std::string>{
                                      "line 6: unknown style 40, read as 0",
                                      "line 6: key \"colour\" is not read",
                                      "line 7: the name \"A\" is used already on line 5",
                                      "line 2: task \"T\" names \"B\", which is no waypoint",
                                      "line 3: key \"version\" is not read",
                                  }));
  ASSERT_EQ(document.waypoints.size(), 2U);
  EXPECT_EQ(document.waypoints[1].latitude, -50.5);
  EXPECT_FALSE(document.waypoints[1].elevation.has_value());
  EXPECT_EQ(document.tasks[0].points, (std::vector<std::string>{"A", "B"}));
}

TEST(ReadJson, RefusesWhatItCannotReadWithTheLine) {
  const std::string head = "{\n  \"waypoints\": [\n";  // lines 1 and 2
  const std::string good = "    {\"name\": \"A\", \"latitude\": 1, \"longitude\": 2},\n";  // 3
  const struct {
    std::string file;
    int line;
    const char* what;
  } cases[] = {
      {head + good + "    {\"name\": \"B\" \"latitude\": 1}\n]}", 4, "not well-formed JSON"},
      {head + good + "    {\"name\": \"M\xFCnster\"}\n]}", 4, "not well-formed JSON"},
      {head + good + "\n    {\"name\": \"B\",\n     \"longitude\": 2}\n]}", 5,
       "bad latitude: expected a number"},
      {head + good + "    {\"name\": \"B\",\n     \"latitude\": \"51\", \"longitude\": 2}\n]}", 5,
       "bad latitude"},
      {head + good + "    {\"name\": \"B\",\n     \"latitude\": 95, \"longitude\": 2}\n]}", 5,
       "bad latitude 95: beyond 90 degrees"},
      {head + "    {\"name\": \"B\", \"latitude\": 1, \"longitude\": 2,\n  \"style\": 2.5}]}", 4,
       "bad style"},
      {head + "    {\"name\": \"B\", \"latitude\": 1, \"longitude\": 2,\n  \"marked\": 1}]}", 4,
       "bad marked"},
      {head +
           "    {\"name\": \"B\", \"latitude\": 1, \"longitude\": 2,\n  \"elevation\": \"1m\"}]}",
       4, "bad elevation"},
      {head + "    {\"name\": \"B\", \"latitude\": 1, \"longitude\": 2,\n  \"slot\": -1}]}", 4,
       "bad slot"},
      {head + "    {\"name\": 7, \"latitude\": 1, \"longitude\": 2}]}", 3, "\"name\" is no string"},
      {head + "    {\"latitude\": 1, \"longitude\": 2}]}", 3, "a waypoint without a name"},
      {head + "    7]}", 2, "\"waypoints\" holds something else than objects"},
      {"{\n\"tasks\": [{\"name\": \"T\",\n\"points\": [\"A\", 3]}]}", 3,
       "\"points\" is no array of strings"},
      {"{\n\n\"waypoints\": {}}", 3, "\"waypoints\" is no array"},
      {"[]", 1, "expected an object"},
      {"", 1, "not well-formed JSON"},
  };
  for (const auto& c : cases) {
    Diagnostics diagnostics;
    try {
      ReadJson(c.file, diagnostics);
      ADD_FAILURE() << c.what << ": nothing thrown";
    } catch (const FormatError& e) {
      EXPECT_EQ(e.line(), c.line) << c.what << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(c.what), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace koordin_cli
