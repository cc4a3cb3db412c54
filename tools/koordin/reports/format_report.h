#pragma once

#include <string>

// What `koordin formats` prints: the formats of the format table, or the names --style takes.
namespace koordin_cli {

// An aligned table under a header, a format a line: its name, extensions, title and description.
std::string FormatsText();

// {"formats": [{"name", "title", "description", "extensions", "otherCharsets"}, ...]}, indented.
std::string FormatsJson();

// An aligned table under a header, a name a line with the CUP styles it stands for.
std::string StylesText();

// {"styles": [{"name", "styles"}, ...]}, indented.
std::string StylesJson();

}  // namespace koordin_cli
