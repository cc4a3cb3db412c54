#include "tools/koordin/formats/format_modules.h"

#include "tests/document_testing.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace koordin_cli {
namespace {

const FileFormat& kJson = Format("json");

TEST(Json, RoundTripsEveryFieldInReadableUtf8) {
  Diagnostics diagnostics;
  const std::string written = WriteDocument(kJson, SampleDocument(), diagnostics);
  EXPECT_TRUE(diagnostics.warnings().empty());
  EXPECT_NE(written.find("\"name\": \"Gipfel \\\"Süd\\\", Öhr\",\n"), std::string::npos) << written;
  EXPECT_EQ(ReadAs(kJson, written), Describe(SampleDocument()));
}

TEST(Json, WritesBytesThatAreNoUtf8AsReplacementsWithAWarning) {
  Document document;
  document.waypoints.resize(2);
  document.waypoints[0].name = "M\xFCnster";
  document.waypoints[1].name = "K\xF6ln";
  document.tasks.push_back({"T", {"\xFF"}, {}});
  Diagnostics diagnostics;
  const std::string written = WriteDocument(kJson, document, diagnostics);
  EXPECT_NE(written.find("M\xEF\xBF\xBDnster"), std::string::npos);
  EXPECT_NE(written.find("\"\xEF\xBF\xBD\""), std::string::npos);
  EXPECT_EQ(diagnostics.warnings().size(), 1U);
}

// The writer makes, an object at a time, the bytes that the library makes of the whole document.
TEST(Json, WritesWhatTheLibraryPrettyPrints) {
  Document waypointsOnly = SampleDocument(), tasksOnly = SampleDocument();
  waypointsOnly.tasks.clear();
  tasksOnly.waypoints.clear();
  Document bare;
  bare.waypoints.resize(1);
  bare.waypoints[0].name = "A";
  bare.tasks.push_back({"T", {}, {}});
  for (const Document& document : {SampleDocument(), Document(), waypointsOnly, tasksOnly, bare}) {
    Diagnostics diagnostics;
    const std::string written = WriteDocument(kJson, document, diagnostics);
    EXPECT_EQ(written, nlohmann::ordered_json::parse(written).dump(2) + "\n");
    EXPECT_EQ(written.find("\"waypoints\""), 4U) << written;
  }
}

TEST(Json, RefusesWhatItCannotReadWithTheLine) {
  const std::string waypoint = "{\"name\": \"A\", \"latitude\": 1, \"longitude\": 2}";
  const std::string head = "{\"waypoints\": [\n  " + waypoint + ",\n";
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
      {"{\"waypoints\": [" + waypoint + "],\n\"waypoints/0\": {}, \"waypoints~10\": {}}",
       "A|||1.000000 2.000000 nan|0|  |||||0 0\n! line 2: key \"waypoints/0\" is not read\n"
       "! line 2: key \"waypoints~10\" is not read\n"},
      // Lines are counted at LF, CR LF and a lone CR; a fault past the end is on the last line.
      {"{\"waypoints\": [],\r\n \"extra\": 1e400\r\n}", "line 2: number overflow"},
      {"{\"waypoints\": [],\r \"extra\": [1e400\r]}", "line 2: number overflow"},
      {"{\"waypoints\": [\r\n\r\n", "line 2: not well-formed JSON"},
      {"{\"waypoints\": [\r\r", "line 2: not well-formed JSON"},
      {"{\"waypoints\": [], \"a\": 12\r\n,\r\n]", "line 3: not well-formed JSON"},
      {"\xEF\xBB\xBF{\"waypoints\": [\n{\"name\": 1}]}", "line 2: \"name\" is no string"},
      // Waypoints and tasks in either order; faults told in the same order whatever the order in
      // the text: of JSON itself first, then of the waypoints, then of the tasks.
      {"{\"tasks\": [{\"name\": \"T\", \"points\": [\"A\", \"Z\"], \"x\": 0}],\n"
       "\"y\": 1,\n\"waypoints\": [" +
           waypoint + "]}",
       "A|||1.000000 2.000000 nan|0|  |||||0 0\ntask T|A|Z\n! line 1: key \"x\" is not read\n"
       "! line 1: task \"T\" names \"Z\", which is no waypoint\n! line 2: key \"y\" is not read\n"},
      {"{\"tasks\": [{\"name\": 5}],\n\"waypoints\": [" + waypoint + ",\n{\"name\": \"B\"}]}",
       "line 3: bad latitude"},
      {"{\"tasks\": 5,\n\"waypoints\": [" + waypoint + "]}", "line 1: \"tasks\" is no array"},
      {"{\"waypoints\": [{\"name\": 5}],\n\"tasks\": [" + waypoint + "],\n}",
       "line 3: not well-formed JSON"},
      {"[{\"name\": 5},\n{\"a\": 1, \"a\": 2}]", "line 2: key \"a\" given twice"},
      {"{\"waypoints\": [5, {\"name\": 5}]}", "line 1: \"waypoints\" holds something else"},
      {"{\"waypoints\": [" + waypoint + "], \"tasks\": [{\"points\": [\"A\", [\"B\"]]}]}",
       "line 1: \"points\" is no array of strings"},
  };
  for (const auto& [file, error] : cases) {
    const std::string read = ReadAs(kJson, file);
    EXPECT_EQ(read.substr(0, error.size()), error) << read;
  }
}

// Keys are told apart within each object, however many it has, and only there.
TEST(Json, TellsAKeyGivenTwiceInOneObjectAmongMany) {
  std::string many;
  for (int i = 0; i < 5000; ++i) many += "\"k" + std::to_string(i) + "\": {\"k1\": {\"k1\": 1}},\n";
  const std::string waypoints =
      "\"waypoints\": [{\"name\": \"A\", \"latitude\": 1, \"longitude\": 2, ";
  const std::pair<std::string, std::string> cases[] = {
      {"{\"a\": {" + many + "\"k4000\": 0}}",
       "line 5001: key \"k4000\" given twice in one object, first on line 4001"},
      {"{\"a\": {" + many + "\"k5000\": 0}, \"b\": {" + many + "\"k\": 0},\n" + waypoints +
           "\"k1\": 0}]}",
       "A|||1.000000 2.000000 nan|0|  |||||0 0\n! line 10002: key \"k1\" is not read\n"
       "! line 1: key \"a\" is not read\n! line 5001: key \"b\" is not read\n"},
  };
  for (const auto& [file, error] : cases) {
    const std::string read = ReadAs(kJson, file);
    EXPECT_EQ(read.substr(0, error.size()), error) << read.substr(0, 200);
  }
}

// Texts to read: what the writer makes, with each kind of line end, and each of its beginnings.
std::vector<std::string> TextsToRead() {
  Diagnostics diagnostics;
  const std::string lf = WriteDocument(kJson, SampleDocument(), diagnostics);
  std::vector<std::string> texts;
  for (const char* end : {"\n", "\r\n", "\r"}) {
    std::string text;
    for (const char c : lf) text += c == '\n' ? std::string(end) : std::string(1, c);
    for (std::size_t size = 0; size <= text.size(); ++size) texts.push_back(text.substr(0, size));
  }
  // Faults of kinds that the beginnings do not have.
  texts.push_back("{\"waypoints\": [],\n \"extra\": [1e400]}");
  texts.push_back("{\"tasks\": [{\"name\": \"T\", \"name\": \"U\"}],\n\"waypoints\": [\n{}]}");
  texts.push_back("{\"tasks\": [{\"points\": [\"Z\"]}],\r\n\"waypoints\": [\r{\"name\": \"A\"}]}");
  return texts;
}

TEST(Json, ReadsTheSameInPiecesAsWhole) {
  for (const std::string& text : TextsToRead()) {
    const std::string whole = ReadAs(kJson, text);
    for (unsigned seed = 1; seed <= 3; ++seed) {
      EXPECT_EQ(ReadInPieces(kJson, text, seed), whole) << text;
    }
  }
}

// What the parser would keep whole is refused at its line once it is longer than the limit,
// without reading on: a source that never ends ends the read.
class EndlessSource : public ByteSource {
 public:
  EndlessSource(std::string start, char filler) : start_(std::move(start)), filler_(filler) {}
  std::size_t Read(char* buffer, std::size_t size) override {
    const std::size_t count = std::min(size, kEnough - std::min(kEnough, given));
    for (std::size_t i = 0; i < count; ++i, ++given) {
      buffer[i] = given < start_.size() ? start_[given] : filler_;
    }
    return count;
  }
  void Rewind() override { given = 0; }
  static constexpr std::size_t kEnough = 4 * kMaxTextRun;  // then it ends after all
  std::size_t given = 0;

 private:
  std::string start_;
  char filler_;
};

TEST(Json, RefusesWhatItWouldKeepWholeBeyondTheLimitAtItsLine) {
  const std::string nested(kMaxJsonDepth, '[');
  const struct {
    std::string start;
    char filler;
    std::string error;
  } cases[] = {
      {"{\"waypoints\": [],\n\"a\": \"", 'x', "line 2: a string longer than 1 MiB"},
      {"{\"waypoints\": [],\n\"a\": \"\\\"", 'x', "line 2: a string longer than 1 MiB"},
      {"{\"waypoints\": [],\n\"a\": ", '7', "line 2: a number longer than 1 MiB"},
      {"{\"waypoints\":\n", ' ', "line 2: more than 1 MiB without a string or number"},
      {"{\"waypoints\": [],\n\"a\": [null", ',', "line 2: not well-formed JSON"},
      {"{\"a\":\n" + nested, '[', "line 2: nested deeper than 1000 objects and arrays"},
  };
  for (const auto& c : cases) {
    EndlessSource source(c.start, c.filler);
    EXPECT_EQ(ReadAsFrom(kJson, source).substr(0, c.error.size()), c.error);
    EXPECT_LT(source.given, kMaxTextRun + (1U << 17)) << c.error;
  }
}

TEST(Json, ReadsWhatIsWithinTheLimits) {
  const std::string name(kMaxTextRun - 100, 'x');
  const std::string within =
      "{\"waypoints\": [{\"name\": \"" + name +
      "\", \"latitude\": 1, \"longitude\": 2}],\n\"a\": " + std::string(kMaxJsonDepth - 1, '[') +
      std::string(kMaxJsonDepth - 1, ']') + "}";
  Diagnostics diagnostics;
  const Document document = ReadDocument(kJson, within, diagnostics);
  ASSERT_EQ(document.waypoints.size(), 1U);
  EXPECT_EQ(document.waypoints[0].name, name);
  EXPECT_EQ(diagnostics.warnings(), std::vector<std::string>{"line 2: key \"a\" is not read"});
}

}  // namespace
}  // namespace koordin_cli
