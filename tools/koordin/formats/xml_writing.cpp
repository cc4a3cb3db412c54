#include "tools/koordin/formats/xml_writing.h"

#include "tools/koordin/formats/format_support.h"

#include <algorithm>

namespace koordin_cli {

namespace {

// The escape of `c` in an attribute value (`attribute`) or an element's text, or null for none.
const char* EscapeOf(char c, bool attribute) {
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return attribute ? "&quot;" : nullptr;
    case '\t':
      return attribute ? "&#9;" : nullptr;
    case '\n':
      return attribute ? "&#10;" : nullptr;
    case '\r':
      return attribute ? "&#13;" : nullptr;
    default:
      return nullptr;
  }
}

void AppendEscaped(std::string& out, std::string_view text, bool attribute) {
  std::size_t run = 0;  // the start of the characters that are written as they are
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char* escape = EscapeOf(text[i], attribute);
    if (escape == nullptr && !IsXmlControl(text[i])) continue;
    out.append(text.data() + run, i - run);
    if (escape != nullptr) out += escape;
    run = i + 1;
  }
  out.append(text.data() + run, text.size() - run);
}

}  // namespace

bool IsXmlControl(char c) {
  return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

std::string WithoutXmlControls(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (const char c : text) {
    if (!IsXmlControl(c)) kept += c;
  }
  return kept;
}

bool WrittenEmpty(std::string_view text) {
  return std::all_of(text.begin(), text.end(), IsXmlControl);
}

void WarnXmlControls(const std::string& text, const char* title, Diagnostics& diagnostics) {
  if (std::none_of(text.begin(), text.end(), IsXmlControl)) return;
  diagnostics.Warn(std::string(title) + " has no place for the control characters of " +
                   Quoted(text) + ": written as " + Quoted(WithoutXmlControls(text)));
}

void AppendXmlText(std::string& out, std::string_view text) {
  AppendEscaped(out, text, false);
}

void AppendXmlAttribute(std::string& out, std::string_view text) {
  AppendEscaped(out, text, true);
}

void XmlWriter::Open(
    const char* name,
    std::initializer_list<std::pair<const char*, std::optional<std::string>>> attributes,
    bool empty) {
  Indent();
  out_ += '<';
  out_ += name;
  for (const auto& [key, value] : attributes) {
    if (!value) continue;
    out_ += ' ';
    out_ += key;
    out_ += "=\"";
    AppendXmlAttribute(out_, *value);
    out_ += '"';
  }
  out_ += empty ? emptyEnd_ : ">";
  out_ += '\n';
  if (!empty) open_.push_back(name);
}

void XmlWriter::Close() {
  const char* name = open_.back();
  open_.pop_back();
  Indent();
  out_ += "</";
  out_ += name;
  out_ += ">\n";
}

void XmlWriter::Text(std::string_view name, std::string_view text, std::string_view prefix) {
  Indent();
  out_ += '<';
  out_ += prefix;
  out_ += name;
  out_ += '>';
  AppendXmlText(out_, text);
  out_ += "</";
  out_ += prefix;
  out_ += name;
  out_ += ">\n";
}

}  // namespace koordin_cli
