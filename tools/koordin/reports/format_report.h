#pragma once

#include <string>

// What `koordin formats` prints: the formats of the format table, or the names --style takes.
namespace koordin_cli {

// What the description of a format that koordin reads and does not write ends with; the bash
// completion leaves such formats out of --to.
inline constexpr const char* kReadOnly = "(read only)";

// An aligned table under a header, a format a line: its name, extensions, title and description.
std::string FormatsText();

// {"formats": [{"name", "title", "description", "extensions", "otherCharsets", "writes"}, ...]},
// indented.
std::string FormatsJson();

// An aligned table under a header, a name a line with the CUP styles it stands for.
std::string StylesText();

// {"styles": [{"name", "styles"}, ...]}, indented.
std::string StylesJson();

}  // namespace koordin_cli
