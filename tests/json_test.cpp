#include "tools/koordin/formats/formats.h"

#include "tests/document_testing.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace koordin_cli {
namespace {

TEST(Json, RoundTripsEveryFieldInReadableUtf8) {
  Diagnostics diagnostics;
  const std::string written = WriteJson(SampleDocument(), diagnostics);
  EXPECT_TRUE(diagnostics.warnings.empty());
  EXPECT_NE(written.find("\"name\": \"Gipfel \\\"Süd\\\", Öhr\",\n"), std::string::npos) << written;
  EXPECT_EQ(ReadAs(ReadJson, written), Describe(SampleDocument()));
}

TEST(Json, WritesBytesThatAreNoUtf8AsReplacementsWithAWarning) {
  Document document;
  document.waypoints.resize(1);
  document.waypoints[0].name = "M\xFCnster";
  Diagnostics diagnostics;
  EXPECT_NE(WriteJson(document, diagnostics).find("M\xEF\xBF\xBDnster"), std::string::npos);
  EXPECT_EQ(diagnostics.warnings.size(), 1U);
}

TEST(Json, RefusesWhatItCannotReadWithTheLine) {
  const std::string head =
      "{\"waypoints\": [\n  {\"name\": \"A\", \"latitude\": 1, \"longitude\": 2},\n";
  const std::pair<std::string, std::string> cases[] = {
      {head + "  {\"name\": \"B\" \"latitude\": 1}]}", "line 3: not well-formed JSON"},
      {head + "  {\"name\": \"M\xFCnster\"}]}", "line 3: not well-formed JSON"},
      {head + "  {\"name\": \"B\",\n   \"latitude\": \"51\", \"longitude\": 2}]}",
       "line 4: bad latitude: expected a number"},
      {head + "  {\"name\": \"B\", \"latitude\": 1, \"longitude\": 2,\n   \"marked\": 1}]}",
       "line 4: bad marked: expected true or false"},
      {head + "  {\"latitude\": 1, \"longitude\": 2}]}", "line 3: a waypoint without a name"},
      {"{\n\"tasks\": [{\"name\": \"T\",\n\"points\": [\"A\", 3]}]}",
       "line 3: \"points\" is no array of strings"},
      {"[]", "line 1: expected an object"},
      // The parser would keep the last of a key given twice without a word.
      {head + "  {\"name\": \"B\", \"latitude\": 1, \"longitude\": 2,\n   \"name\": \"C\"}]}",
       "line 4: key \"name\" given twice in one object, first on line 3"},
      {"{\"tasks\": [],\n\"waypoints\": [],\n\"tasks\": []}",
       "line 3: key \"tasks\" given twice in one object, first on line 1"},
      // Keys are told apart whatever they hold: "waypoints/0" is no path into "waypoints".
      {"{\"waypoints\": [{\"name\": \"A\", \"latitude\": 1, \"longitude\": 2}],\n"
       "\"waypoints/0\": {}, \"waypoints~10\": {}}",
       "A|||1.000000 2.000000 nan|0|  |||||0 0\n! line 2: key \"waypoints/0\" is not read\n"
       "! line 2: key \"waypoints~10\" is not read\n"},
  };
  for (const auto& [file, error] : cases) {
    const std::string read = ReadAs(ReadJson, file);
    EXPECT_EQ(read.substr(0, error.size()), error) << read;
  }
}

}  // namespace
}  // namespace koordin_cli
