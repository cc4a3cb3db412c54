#include "tools/koordin/reports/format_report.h"

#include "tools/koordin/conversion/rule.h"
#include "tools/koordin/formats/formats.h"
#include "tools/koordin/reports/text_table.h"

#include <nlohmann/json.hpp>

namespace koordin_cli {

namespace {

std::string Indented(const nlohmann::ordered_json& json) {
  return json.dump(2) + "\n";
}

}  // namespace

std::string FormatsText() {
  TextTable table({"format", "extensions", "description"}, {false, false, false});
  for (const FileFormat& format : FileFormats()) {
    std::string extensions;
    for (const std::string& extension : format.extensions) {
      extensions += (extensions.empty() ? "." : " .") + extension;
    }
    table.AddRow({format.name, extensions,
                  std::string(format.title) + ": " + format.description +
                      (format.Writes() ? "" : std::string(" ") + kReadOnly)});
  }
  return table.Render();
}

std::string FormatsJson() {
  nlohmann::ordered_json formats = nlohmann::ordered_json::array();
  for (const FileFormat& format : FileFormats()) {
    formats.push_back({{"name", format.name},
                       {"title", format.title},
                       {"description", format.description},
                       {"extensions", format.extensions},
                       {"otherCharsets", format.otherCharsets},
                       {"writes", format.Writes()}});
  }
  return Indented({{"formats", formats}});
}

std::string StylesText() {
  TextTable table({"name", "CUP styles"}, {false, false});
  for (const StyleName& name : StyleNames()) {
    std::string styles;
    for (const int style : name.styles) {
      styles += (styles.empty() ? "" : ", ") + std::to_string(style);
    }
    table.AddRow({name.name, styles});
  }
  return table.Render();
}

std::string StylesJson() {
  nlohmann::ordered_json styles = nlohmann::ordered_json::array();
  for (const StyleName& name : StyleNames()) {
    styles.push_back({{"name", name.name}, {"styles", name.styles}});
  }
  return Indented({{"styles", styles}});
}

}  // namespace koordin_cli
