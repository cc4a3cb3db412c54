#pragma once

#include "tools/koordin/document/streams.h"

#include <string>
#include <string_view>
#include <vector>

// XML as a format reader sees it: elements as they start and end, each with its text, as a
// document tree gives it. The parser behind it checks that the file is
// well-formed XML and refuses, rather than holds, what would take ever more memory.
namespace koordin_cli {

// An element's attributes.
class XmlAttributes {
 public:
  // `pairs`: name, value, name, value, ..., null.
  explicit XmlAttributes(const char* const* pairs) : pairs_(pairs) {}

  // The value of the attribute `name`, or null.
  const char* Find(std::string_view name) const;

  // The names of the attributes, in their order.
  std::vector<std::string_view> Names() const;

 private:
  const char* const* pairs_;
};

// An element as it starts.
struct XmlElement {
  std::string_view name;       // as written, with its prefix
  std::string_view localName;  // without it
  std::string_view nameSpace;  // the namespace its prefix names where it stands; empty for none
  XmlAttributes attributes;
  int line;
};

// What reads the elements of an XML file.
class XmlEvents {
 public:
  virtual ~XmlEvents() = default;
  // An element starts, inside those started and not yet ended. Returns true when its End is to be
  // given its text.
  virtual bool Start(const XmlElement& element) = 0;
  // The innermost element ends. `text`: its text when Start asked for it, else empty: the character
  // data among its children, its text and CDATA sections joined across comments and processing
  // instructions, complete with its references; runs of mere blanks between child elements are no
  // text. The callee may move from it.
  virtual void End(std::string& text) = 0;
};

// Reads the XML file that `source` gives from where it stands into `events`, up to the end of its
// root element; what follows that is not read. A FormatError that `events` throws ends its events,
// but the file is parsed on, so that a fault of its XML is the one thrown; without one it is thrown
// once the file ends. Anything else it throws stops the parse at once. Throws FormatError at the
// line of a fault of the XML, and at once for a text or markup of more than kMaxTextRun, elements
// nested too deep, or an entity declaration.
void ReadXml(ByteSource& source, XmlEvents& events);

}  // namespace koordin_cli
