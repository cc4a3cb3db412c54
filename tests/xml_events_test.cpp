#include "tools/koordin/formats/xml_events.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace koordin_cli {
namespace {

// Writes down each event: "<local{namespace}@line[v=value]" as an element starts, ">text|" as it
// ends. Throws what it is told to at the start of the element of that local name.
class Transcript : public XmlEvents {
 public:
  bool Start(const XmlElement& element) override {
    written += "<" + std::string(element.localName) + "{" + std::string(element.nameSpace) + "}@" +
               std::to_string(element.line);
    if (const char* value = element.attributes.Find("v"))
      written += "[v=" + std::string(value) + "]";
    if (element.localName == throwAt) {
      if (throwFormatError) throw FormatError(element.line, "the events refuse it");
      throw std::runtime_error("the events stop");
    }
    return true;
  }

  void End(std::string& text) override { written += ">" + text + "|"; }

  std::string written;
  std::string throwAt;
  bool throwFormatError = true;
};

// The events of `xml`, and after them how the read ended.
std::string EventsOf(const std::string& xml, const std::string& throwAt = "",
                     bool throwFormatError = true) {
  Transcript transcript;
  transcript.throwAt = throwAt;
  transcript.throwFormatError = throwFormatError;
  StringSource source(xml);
  try {
    ReadXml(source, transcript);
  } catch (const FormatError& error) {
    return transcript.written + " refused at line " + std::to_string(error.line()) + ": " +
           error.what();
  } catch (const std::runtime_error& error) {
    return transcript.written + " stopped: " + error.what();
  }
  return transcript.written;
}

TEST(XmlEvents, GiveElementsTheirNamespacesLinesAndTexts) {
  const struct {
    const char* what;
    std::string xml;
    std::string events;
  } cases[] = {
      {"blanks between elements are no text; the runs around them join",
       "<a>\n <b>x</b> y <c/>z</a>", "<a{}@1<b{}@2>x|<c{}@2>|> y z|"},
      {"an empty CDATA section makes its run text", "<a> <![CDATA[]]> <b/> </a>",
       "<a{}@1<b{}@1>|>  |"},
      {"a CDATA section is part of the text", "<a>x<![CDATA[ <y> ]]>z</a>", "<a{}@1>x <y> z|"},
      {"a referenced blank is text", "<a>&#32;</a><b/>", "<a{}@1> |"},
      {"references are resolved", "<a>x &amp; &#x3c;y&gt;</a>", "<a{}@1>x & <y>|"},
      {"a comment is no part of the text", "<a>Hahn<!-- x -->weide</a>", "<a{}@1>Hahnweide|"},
      {"nor is a processing instruction", "<a>Hahn<?pi x?>weide</a>", "<a{}@1>Hahnweide|"},
      {"lines before the declaration count", "\n\r\n <?xml version=\"1.0\"?>\n<a/>", "<a{}@4>|"},
      {"a prefix names its namespace", "<g:a xmlns:g=\"urn:g\"><g:b/><b/></g:a>",
       "<a{urn:g}@1<b{urn:g}@1>|<b{}@1>|>|"},
      {"a default namespace ends with its element", "<a><b xmlns=\"urn:d\"><c/></b><c/></a>",
       "<a{}@1<b{urn:d}@1<c{urn:d}@1>|>|<c{}@1>|>|"},
      {"a prefix declared again, inside", "<a xmlns:p=\"urn:1\"><p:b xmlns:p=\"urn:2\"/><p:c/></a>",
       "<a{}@1<b{urn:2}@1>|<c{urn:1}@1>|>|"},
      {"attributes", "<a w=\"1\" v='2'><b w=\"3\"/></a>", "<a{}@1[v=2]<b{}@1>|>|"},
      {"nothing after the root is read", "<a/>\n<b/><", "<a{}@1>|"},
  };
  for (const auto& [what, xml, events] : cases) EXPECT_EQ(EventsOf(xml), events) << what;
}

// A FormatError of the events ends them and is told once the file has proved to be XML; anything
// else they throw stops the read at once.
TEST(XmlEvents, TellFaultsOfTheXmlBeforeThoseOfTheEvents) {
  const std::string late(100000, ' ');  // past the first piece the parser is given
  const struct {
    const char* what;
    std::string xml;
    bool formatError;
    std::string events;
  } cases[] = {
      {"the events' fault, told at the end", "<a>\n<b><c/></b>" + late + "\n<d/></a>", true,
       "<a{}@1<b{}@2 refused at line 2: the events refuse it"},
      {"a fault of the XML after it comes first", "<a>\n<b/>" + late + "\n</x>", true,
       "<a{}@1<b{}@2 refused at line 3: not well-formed XML: Start-end tags mismatch"},
      {"another exception stops the read", "<a>\n<b/>" + late + "\n</x>", false,
       "<a{}@1<b{}@2 stopped: the events stop"},
  };
  for (const auto& [what, xml, formatError, events] : cases) {
    EXPECT_EQ(EventsOf(xml, "b", formatError), events) << what;
  }
}

}  // namespace
}  // namespace koordin_cli
