#include "tools/koordin/formats/formats.h"

#include "tests/document_testing.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace koordin_cli {
namespace {

const FileFormat& kGpx = Format("gpx");

// Random documents, written element by element, are the XML that pugixml writes of the same tree:
// every escape, indent and empty element as a document tree is saved.
TEST(Gpx, WrittenAsPugixmlSavesTheSameTree) {
  std::mt19937 random(13);
  const auto text = [&] {  // never empty: pugixml reads <a></a> as <a />
    static const char* const kPieces[] = {"a",  "Z",  " ",  "&",    "<",        ">",   "\"",   "'",
                                          "\t", "\n", "\r", "\x01", "\xc3\xa9", "]]>", "&amp;"};
    std::string made = "x";
    for (std::size_t n = random() % 5; n > 0; --n)
      made.insert(random() % made.size(), kPieces[random() % 15]);
    return made;
  };
  for (int round = 0; round < 200; ++round) {
    Document document;
    for (std::size_t n = random() % 6; n > 0; --n) {
      Waypoint waypoint;
      waypoint.name = text();
      waypoint.latitude = std::uniform_real_distribution<double>(-90, 90)(random);
      waypoint.longitude = std::uniform_real_distribution<double>(-180, 180)(random);
      if (random() % 2) waypoint.elevation = static_cast<double>(random() % 30000) / 7;
      waypoint.style = static_cast<int>(random() % 22);
      for (std::string* field :
           {&waypoint.code, &waypoint.description, &waypoint.frequency, &waypoint.pictures}) {
        if (random() % 2) *field = text();
      }
      waypoint.marked = random() % 2;
      document.waypoints.push_back(waypoint);
    }
    for (std::size_t n = random() % 3; n > 0; --n) {
      Task task;
      if (random() % 2) task.name = text();
      for (std::size_t p = random() % 5; p > 0; --p) {  // a waypoint's name, empty or unknown
        const std::size_t pick = random() % (document.waypoints.size() + 2);
        task.points.push_back(pick < document.waypoints.size()    ? document.waypoints[pick].name
                              : pick == document.waypoints.size() ? std::string()
                                                                  : text());
      }
      if (random() % 2) task.cupOptions.push_back(text());
      document.tasks.push_back(task);
    }
    Diagnostics diagnostics;
    const std::string written = WriteDocument(kGpx, document, diagnostics);
    pugi::xml_document tree;
    ASSERT_TRUE(tree.load_string(written.c_str(), (pugi::parse_default | pugi::parse_declaration |
                                                   pugi::parse_ws_pcdata_single) &
                                                      ~pugi::parse_eol));
    std::ostringstream saved;
    tree.save(saved, "  ", pugi::format_default, pugi::encoding_utf8);
    ASSERT_EQ(written, saved.str());
  }
}

TEST(Gpx, RoundTripsWaypointsAndRoutesWithUmlauts) {
  Document document = SampleDocument();
  document.tasks[0].points.push_back("Nowhere");
  Diagnostics diagnostics;
  const std::string written = WriteDocument(kGpx, document, diagnostics);
  EXPECT_EQ(Describe({}, diagnostics.warnings()),
            "! route \"Dreieck, 300 km\": point \"Nowhere\" is no waypoint and is left out\n");
  for (const char* part : {"<gpx xmlns=\"http://www.topografix.com/GPX/1/1\"", "version=\"1.1\"",
                           "<rtept lat=\"-45.5\" lon=\"-179.9999\">"}) {
    EXPECT_NE(written.find(part), std::string::npos) << part << " in\n" << written;
  }
  document.tasks[0].points.pop_back();
  document.waypoints[0].slot = 0;
  EXPECT_EQ(ReadAs(kGpx, written), Describe(document));
}

// A GPX file is XML, which has no place for most control characters: they are left out, with a
// warning, and the file stays well-formed.
TEST(Gpx, LeavesOutTheControlCharactersXmlHasNoPlaceFor) {
  Document document;
  document.waypoints.emplace_back();
  document.waypoints[0].name = "E\x1b[2J";
  document.waypoints[0].description = "two\nlines";
  document.tasks.push_back({"T\x07", {"", "E\x1b[2J", ""}, {}});
  Diagnostics diagnostics;
  const std::string written = WriteDocument(kGpx, document, diagnostics);
  EXPECT_EQ(Describe({}, diagnostics.warnings()),
            "! GPX has no place for the control characters of \"E\\x1b[2J\": written as "
            "\"E[2J\"\n! GPX has no place for the control characters of \"T\\x07\": written "
            "as \"T\"\n");
  EXPECT_EQ(ReadAs(kGpx, written),
            "E[2J|||0.000000 0.000000 nan|0|  ||two\nlines|||0 0\ntask T||E[2J|\n");
}

// Waypoints A, B and C, and a task T of `points` and `options`.
Document AbcTask(std::vector<std::string> points, std::vector<std::string> options = {}) {
  Document document;
  for (const char* name : {"A", "B", "C"}) document.waypoints.emplace_back().name = name;
  document.tasks.push_back({"T", std::move(points), std::move(options)});
  return document;
}

// A task's takeoff and landing come back as such, and so does their absence.
TEST(Gpx, KeepsTheTakeoffAndLandingOfTasks) {
  const std::vector<std::vector<std::string>> tasks = {
      {"", "A", "B", ""}, {"A", "B", "C", "A"}, {"A", "B", ""}, {"", "B", "C"}, {"", "B", ""}};
  for (const std::vector<std::string>& points : tasks) {
    const Document document = AbcTask(points);
    Diagnostics diagnostics;
    EXPECT_EQ(ReadAs(kGpx, WriteDocument(kGpx, document, diagnostics)), Describe(document));
  }
}

// A task's first and last entries are its takeoff and landing unless its observation zones number
// every entry: then it has neither, and its route marks none.
TEST(Gpx, MarksOnlyRealTakeoffsAndLandings) {
  const std::pair<std::vector<std::string>, bool> cases[] = {
      {{}, true},
      {{"ObsZone=0,Style=2", "ObsZone=1,Style=1", "ObsZone=2,Style=3"}, false},
  };
  for (const auto& [zones, marked] : cases) {
    Diagnostics diagnostics;
    const std::string written = WriteDocument(kGpx, AbcTask({"A", "B", "C"}, zones), diagnostics);
    EXPECT_EQ(written.find("takeoff") != std::string::npos, marked) << zones.size();
    EXPECT_EQ(written.find("landing") != std::string::npos, marked) << zones.size();
  }
}

// The bytes of a start, then the same byte again and again (up to 64 MiB, so that a reader that
// does not stop fails rather than hangs).
class PieceSource : public ByteSource {
 public:
  PieceSource(std::string start, char endless = '\0', bool hasEnd = true)
      : start_(std::move(start)), endless_(endless), hasEnd_(hasEnd) {}
  std::size_t Read(char* buffer, std::size_t size) override {
    const std::size_t end = hasEnd_ ? start_.size() : std::size_t{64} << 20;
    const std::size_t count = std::min(size, end - std::min(end, at_));
    for (std::size_t i = 0; i < count; ++i, ++at_) {
      buffer[i] = at_ < start_.size() ? start_[at_] : endless_;
    }
    return count;
  }
  void Rewind() override {
    at_ = 0;
    ++rewinds_;
  }
  std::size_t at_ = 0;  // the bytes read since the last rewind
  int rewinds_ = 0;

 private:
  std::string start_;
  char endless_;
  bool hasEnd_;
};

// Random GPX as other programs write it: prefixes, comments, CDATA sections, references, CR LF,
// routes before and after the waypoints they name, and faults among them.
std::string RandomGpx(std::mt19937& random) {
  const auto pick = [&](std::initializer_list<const char*> choices) {
    return std::string(choices.begin()[random() % choices.size()]);
  };
  const auto text = [&] {
    std::string made;
    for (std::size_t n = random() % 4; n > 0; --n) {
      made += pick({"A", " ", "\r\n", "&amp;", "&#32;", "<![CDATA[x]]>", "<![CDATA[]]>", "<!--c-->",
                    "<b>in</b>", "<?pi x?>", "12", "Airport"});
    }
    return made;
  };
  const auto element = [&](const std::string& name, const std::string& inside) {
    return "<" + name + ">" + inside + "</" + name + ">";
  };
  const auto point = [&](const char* tag) {
    const std::string name = pick({"", "", "g:", "k:"}) + tag;
    std::string made =
        "<" + name + " lat=\"" + pick({"1", " 2.5 ", "x", "91", "0.3"}) + "\" lon=\"" +
        pick({"1", "-3", "0.25"}) + "\"" +
        pick({"", "", " xmlns:k=\"urn:koordin:gpx-waypoint:1\"", " xmlns=\"urn:x\""}) + ">";
    for (std::size_t n = random() % 6; n > 0; --n) {
      const std::string prefix = pick({"", "", "g:", "k:"});
      const std::string field = pick({"name", "name", "ele", "desc", "cmt", "sym", "time"});
      made += element(prefix + field, field == "name" ? pick({"A", " B ", "C", ""}) : text());
      if (random() % 3 == 0) {
        std::string extensions;
        for (std::size_t e = random() % 3; e > 0; --e) {
          const std::string own = pick({"k:", "koordin:", "g:"}) +
                                  pick({"style", "marked", "code", "taskPoint", "description"});
          extensions += element(own, pick({"takeoff", "landing", " 4", "x", "true"}));
        }
        made += element(prefix + "extensions", extensions + "\n");
      }
    }
    return made + "</" + name + ">" + pick({"", "\n", "\r\n  "});
  };
  std::string gpx = pick({"", "", "\n", "\r\n \r\r\n", "\xEF\xBB\xBF\r\n"}) +
                    pick({"", "<?xml version=\"1.0\"?>\n"}) +
                    "<gpx xmlns:koordin=\"urn:koordin:gpx-waypoint:1\" xmlns:g=\"urn:g\">\n";
  for (std::size_t n = random() % 8; n > 0; --n) {
    if (random() % 3 != 0) {
      gpx += point("wpt");
      continue;
    }
    std::string route = random() % 2 ? element("name", pick({"R", " ", "T"})) : "";
    for (std::size_t p = random() % 4; p > 0; --p) route += point("rtept");
    if (random() % 2) route += element("extensions", element("koordin:cupOption", text()));
    gpx += element(pick({"rte", "g:rte", "trk"}), route);
  }
  return gpx + "</gpx>\n";
}

// A reader that streams must not depend on where the pieces of its file break: read a few bytes
// at a time, each file gives what it gives read at once.
TEST(Gpx, ReadsTheSameWhereverTheFileBreaksIntoPieces) {
  std::mt19937 random(11);
  for (int round = 0; round < 400; ++round) {
    const std::string gpx = RandomGpx(random);
    ASSERT_EQ(ReadInPieces(kGpx, gpx, round), ReadAs(kGpx, gpx)) << gpx;
  }
}

// Files as other programs write them read, or are refused with the line. The reader gives what a
// document tree of the whole file gives: routes read against every
// waypoint (a route point named as a later wpt is that wpt), a text whole, its characters and CDATA
// joined across comments and processing instructions (blanks between elements are none, a
// referenced blank is one), and a fault of the XML before a fault of what it says, wherever they
// lie.
TEST(Gpx, ReadsWhatADocumentTreeGivesAndRefusesXmlFaultsFirstWithTheLine) {
  const std::string head = "<gpx xmlns:koordin=\"urn:koordin:gpx-waypoint:1\">\n";
  const std::pair<std::string, std::string> cases[] = {
      // as other programs write them: prefixes, unread elements, a root of another kind
      {"<?xml version=\"1.0\"?>\n<g:gpx xmlns:g=\"http://www.topografix.com/GPX/1/1\">\n"
       "<g:wpt lat=\"51.5\" lon=\"-0.25\"><g:ele>12.5</g:ele><g:name>Köln</g:name>\n"
       "<g:cmt>Flugplatz</g:cmt><g:sym>Airport</g:sym><g:time>2024</g:time></g:wpt>\n"
       "<g:wpt lat=\"47\" lon=\"10\"/>\n<g:rte><g:name>Runde</g:name>\n"
       "<g:rtept lat=\"51.5\" lon=\"-0.25\"><g:name>Köln</g:name></g:rtept>\n"
       "<g:rtept lat=\"52\" lon=\"13\"><g:name>Neu</g:name></g:rtept></g:rte><g:trk/></g:gpx>\n",
       "Köln|||51.500000 -0.250000 12.500000|5|  ||Flugplatz|||0 0\n"
       "Waypoint 2|||47.000000 10.000000 nan|0|  |||||0 0\n"
       "Neu|||52.000000 13.000000 nan|0|  |||||0 0\ntask Runde||Köln|Neu|\n"
       "! line 5: a waypoint without a name, named \"Waypoint 2\"\n! 1 tracks (trk) are not read\n"
       "! 1 point elements <time> are not read, such as the one on line 4\n"},
      {"<?xml version=\"1.0\"?>\n<gpx>\n<wpt lat=\"1\" lon=\"2\"><name>A</name></wpt>\n<wpt "
       "lat=\"x\" lon=\"2\"/>\n</gpx>",
       "line 4: bad latitude \"x\""},
      {"<?xml version=\"1.0\"?>\n\n<kml/>\n", "line 3: not a GPX file: its root element is <kml>"},
      {head + "<rte><rtept lat=\"1\" lon=\"2\"><name>A</name></rtept></rte>\n"
              "<wpt lat=\"1\" lon=\"2\"><name>A</name></wpt></gpx>",
       "A|||1.000000 2.000000 nan|0|  |||||0 0\ntask ||A|\n"},
      {head + "<wpt lat=\"1\" lon=\"2\"><name>A</name><desc>&#10;</desc></wpt>\n"
              "<wpt lat=\"1\" lon=\"2\"><name>B</name><desc> \n<![CDATA[x]]>y</desc></wpt></gpx>",
       "A|||1.000000 2.000000 nan|0|  ||\n|||0 0\nB|||1.000000 2.000000 nan|0|  || \nxy|||0 0\n"},
      {head + "<wpt lat=\"1\" lon=\"2\"><name>Hahn<!-- x -->wei<?pi?>de</name>"
              "<desc>a<![CDATA[<b>]]>c</desc></wpt></gpx>",
       "Hahnweide|||1.000000 2.000000 nan|0|  ||a<b>c|||0 0\n"},
      {head + "<wpt lat=\"x\" lon=\"2\"/>\n<wpt lat=\"1\" lon=\"2\"></wpx></gpx>",
       "line 3: not well-formed XML: Start-end tags mismatch"},
      {head + "<rte><rtept lat=\"x\" lon=\"2\"/></rte>\n<wpt lat=\"1\" lon=\"y\"/></gpx>",
       "line 3: bad longitude \"y\""},
      {"\n\r\n  <?xml version=\"1.0\"?>\n" + head + "<wpt lat=\"1\" lon=\"2\"/></gpx>",
       "Waypoint 1|||1.000000 2.000000 nan|0|  |||||0 0\n"
       "! line 5: a waypoint without a name, named \"Waypoint 1\"\n"},
      {"<?xml version=\"1.0\" encoding=\"windows-1252\"?><gpx><wpt lat=\"1\" lon=\"2\">"
       "<name>Caf\xe9 \x80</name></wpt></gpx>\n\0\0 trailing junk",
       "Caf\xc3\xa9 \xe2\x82\xac|||1.000000 2.000000 nan|0|  |||||0 0\n"},
      {"<?xml version=\"1.0\" encoding=\"x-no-such-set\"?><gpx/>",
       "line 1: not well-formed XML: unknown encoding"},
      {"<gpx><wpt lat=\"1\" lon=\"2\"><name>\xff</name></wpt></gpx>",
       "line 1: not well-formed XML: a character XML does not allow there, or a byte that is no "
       "character of the file's encoding"},
      {"<gpx>\n<wpt lat=\"1\" lon=\"2\">",
       "line 2: not well-formed XML: the file ends before "
       "its elements are closed"},
  };
  for (const auto& [file, read] : cases) EXPECT_EQ(ReadAs(kGpx, file), read) << file;
}

// Whatever the file, the reader holds no more than about kMaxTextRun of it: a text or markup
// without end is refused at its line once it passes 1 MiB, without reading much further.
TEST(Gpx, RefusesWhatHasNoEndWithItsLineAfterReadingLittleMoreThanTheLimit) {
  const std::string waypoint = "<gpx>\n<wpt lat=\"1\" lon=\"2\">\n";
  const std::string text = ": a text of more than 1 MiB, which koordin does not read";
  const std::string markup =
      ": markup (a tag, a comment, ...) of more than 1 MiB, which koordin does not read";
  const struct {
    const char* what;
    std::string start;
    char endless;
    std::string error;
  } cases[] = {
      {"a name", waypoint + "<name>", 'x', "line 3" + text},
      {"a CDATA section in a description", waypoint + "<desc><![CDATA[", 'x', "line 3" + text},
      {"an attribute", "<gpx>\n\n<wpt lat=\"", '1', "line 3" + markup},
      {"a comment", waypoint + "<!--", 'x', "line 3" + markup},
      {"an element name", "<gpx>\n<", 'x', "line 2" + markup},
      {"a document type", "<!DOCTYPE gpx [", ' ',
       "line 1: a document type declaration of more than 1 MiB, which koordin does not read"},
      {"zero bytes", "", '\0',
       "line 1: not well-formed XML: a character XML does not allow there, or a byte that is no "
       "character of the file's encoding"},
  };
  for (const auto& known : cases) {
    PieceSource source(known.start, known.endless, false);
    EXPECT_EQ(ReadAsFrom(kGpx, source), known.error) << known.what;
    EXPECT_LT(source.at_, 3u << 20) << known.what;
  }
  std::string nested = "<gpx>\n";
  for (int i = 0; i < 20000; ++i) nested += "<a>";
  EXPECT_EQ(ReadAs(kGpx, nested), "line 2: elements nested too deep, which koordin does not read");
  EXPECT_EQ(ReadAs(kGpx, "<!DOCTYPE g [\n<!ENTITY e \"x\">]><gpx/>"),
            "line 2: an entity declaration, which koordin does not read");
  // A long text the reader does not keep costs nothing; one it keeps is whole up to the limit.
  const std::string kept(900 << 10, 'k');
  const std::string file = "<gpx><trk><name>" + std::string(3 << 20, 's') +
                           "</name></trk><wpt lat=\"1\" lon=\"2\"><name>A</name><desc>" + kept +
                           "</desc></wpt></gpx>";
  Diagnostics diagnostics;
  const Document read = ReadDocument(kGpx, file, diagnostics);
  ASSERT_EQ(read.waypoints.size(), 1u);
  EXPECT_EQ(read.waypoints[0].description, kept);
}

// Counts what reaches it, and how much of its source was read when the first waypoint did.
class FirstWaypointSink : public DocumentSink {
 public:
  explicit FirstWaypointSink(const PieceSource& source) : source_(source) {}
  void AddWaypoint(Waypoint) override {
    if (waypoints_++ == 0) readAtFirst_ = source_.at_;
  }
  void AddTask(Task) override { ++tasks_; }
  const PieceSource& source_;
  std::size_t waypoints_ = 0;
  std::size_t tasks_ = 0;
  std::size_t readAtFirst_ = 0;
};

// Each waypoint reaches the sink as soon as it is read, and the writer's bytes are drained as
// they come: neither holds the file.
TEST(Gpx, GivesEachWaypointOnAsItIsReadAndWritesEachAtOnce) {
  Document document;
  for (int i = 0; i < 20000; ++i) {
    Waypoint waypoint;
    waypoint.name = "W" + std::to_string(i);
    waypoint.description = std::string(100, 'd');
    document.waypoints.push_back(waypoint);
  }
  document.waypoints.push_back(document.waypoints[0]);  // a name twice: routes take the first
  document.waypoints.back().latitude = 45;
  document.tasks.push_back({"T", {"", "W0", "W1", "Nowhere", ""}, {}});
  Diagnostics diagnostics;
  std::string out;
  std::string drained;
  const std::unique_ptr<FormatWriter> writer = kGpx.writer(out, diagnostics);
  writer->Begin(document.tasks);
  for (const Waypoint& waypoint : document.waypoints) {
    writer->AddWaypoint(waypoint);
    ASSERT_EQ(out.rfind("  <wpt ", 0), drained.empty() ? std::string::npos : 0u);
    drained += out;
    out.clear();
  }
  writer->End();
  drained += out;
  Diagnostics wholeDiagnostics;
  EXPECT_EQ(drained, WriteDocument(kGpx, document, wholeDiagnostics));
  EXPECT_EQ(diagnostics.warnings(), wholeDiagnostics.warnings());
  EXPECT_NE(drained.find("<rtept lat=\"0\" lon=\"0\">\n      <name>W0</name>"), std::string::npos);

  PieceSource source(drained);
  FirstWaypointSink sink(source);
  Diagnostics readDiagnostics;
  kGpx.read(source, readDiagnostics, sink);
  EXPECT_EQ(sink.waypoints_, document.waypoints.size());
  EXPECT_EQ(sink.tasks_, 1u);
  EXPECT_LT(sink.readAtFirst_, 256u << 10);
  EXPECT_GT(drained.size(), 2u << 20);
}

// Routes that follow the waypoints are read in the same pass, what they give held until the end;
// routes that give more than the reader holds, or precede a wpt, in a pass of their own, which
// gives the same.
TEST(Gpx, ReadsRoutesInOnePassWhenItCanAndInTwoTheSame) {
  for (const bool wptLast : {false, true}) {
    for (const int points : {2, 60000}) {
      SCOPED_TRACE(std::to_string(points) +
                   " route points, a wpt last: " + std::to_string(wptLast));
      std::string gpx =
          "<gpx>\n<wpt lat=\"1\" lon=\"2\"><name>A</name></wpt>\n<rte><name>R</name>"
          "<rtept lat=\"3\" lon=\"2\"><name>A</name></rtept>\n";
      for (int i = 0; i < points; ++i) {
        gpx += "<rtept lat=\"1\" lon=\"2\"><ele>" + std::string(i == 0 ? "x" : "1") +
               "</ele><name>N" + std::to_string(i) + "</name><time/></rtept>\n";
      }
      gpx += std::string("</rte>") + (wptLast ? "<wpt lat=\"1\" lon=\"2\"/>" : "") + "\n</gpx>";
      PieceSource source(gpx);
      Diagnostics diagnostics;
      DocumentCollector collector;
      kGpx.read(source, diagnostics, collector);
      EXPECT_EQ(source.rewinds_, points > 2 || wptLast ? 1 : 0);
      const std::vector<Waypoint>& waypoints = collector.document.waypoints;
      ASSERT_EQ(waypoints.size(), points + 1u + wptLast);
      EXPECT_EQ(waypoints[1].name, wptLast ? "Waypoint 2" : "N0");
      EXPECT_EQ(waypoints.back().name, "N" + std::to_string(points - 1));
      ASSERT_EQ(collector.document.tasks.size(), 1u);
      EXPECT_EQ(collector.document.tasks[0].points.size(), points + 3u);
      std::vector<std::string> warnings = {
          "line 3: route point \"A\" lies elsewhere than the waypoint of that name on line 2, "
          "whose position is kept",
          "line 4: bad elevation \"x\"; read as unknown",
          std::to_string(points) +
              " point elements <time> are not read, such as the one on line 4"};
      if (wptLast) {
        warnings.insert(warnings.begin(), "line " + std::to_string(points + 4) +
                                              ": a waypoint without a name, named \"Waypoint 2\"");
      }
      EXPECT_EQ(diagnostics.warnings(), warnings);
    }
  }
}

}  // namespace
}  // namespace koordin_cli
