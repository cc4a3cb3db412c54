#pragma once

#include "tools/koordin/document/warnings.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Text as the XML formats write it. XML 1.0 has no place for the control characters but tab, line
// feed and carriage return: a file with them is no XML file, so the writers leave them out.
namespace koordin_cli {

bool IsXmlControl(char c);

// `text` without the control characters XML has no place for.
std::string WithoutXmlControls(std::string_view text);

// True when `text` is written as an empty one.
bool WrittenEmpty(std::string_view text);

// Warns about `text` when it holds control characters XML has no place for: "`title` has no
// place for the control characters of ...".
void WarnXmlControls(const std::string& text, const char* title, Diagnostics& diagnostics);

// Appends `text` escaped and without the control characters XML has no place for: as an
// element's text, or as an attribute value in double quotes, whose tabs and line ends are
// written as character references so that they read back as they were.
void AppendXmlText(std::string& out, std::string_view text);
void AppendXmlAttribute(std::string& out, std::string_view text);

// Writes an XML file element by element into one string, indented by two blanks a level.
class XmlWriter {
 public:
  // `emptyEnd` ends an element without content: "/>", or " />".
  explicit XmlWriter(std::string& out, const char* emptyEnd = "/>")
      : out_(out), emptyEnd_(emptyEnd) {}

  // `<name attributes>` on a line of its own, closed by Close; or `<name attributes/>` when
  // `empty`. Attributes with a null value are left out; the others are escaped.
  void Open(const char* name,
            std::initializer_list<std::pair<const char*, std::optional<std::string>>> attributes,
            bool empty = false);
  void Close();

  // `<prefix:name>text</prefix:name>` on one line, the text escaped and without the control
  // characters XML has no place for.
  void Text(std::string_view name, std::string_view text, std::string_view prefix = "");

 private:
  void Indent() { out_.append(2 * open_.size(), ' '); }

  std::string& out_;
  const char* emptyEnd_;
  std::vector<const char*> open_;  // the elements open, outermost first
};

}  // namespace koordin_cli
