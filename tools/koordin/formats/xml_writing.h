#pragma once

#include "tools/koordin/document/warnings.h"

#include <string>
#include <string_view>

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

}  // namespace koordin_cli
