#include "tools/koordin/warning_summary.h"

#include <map>

namespace koordin_cli {

namespace {

std::string Line(const std::string& file, const std::string& message) {
  return file + ": warning: " + message;
}

}  // namespace

std::string WithThousands(std::size_t count) {
  std::string digits = std::to_string(count);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
    digits.insert(static_cast<std::size_t>(at), ",");
  }
  return digits;
}

std::vector<std::string> EveryWarningLine(const std::string& file, const Diagnostics& diagnostics) {
  std::vector<std::string> lines;
  for (const std::string& warning : diagnostics.warnings) lines.push_back(Line(file, warning));
  return lines;
}

std::vector<std::string> WarningLines(const std::string& file, const Diagnostics& diagnostics,
                                      WarningDetail detail) {
  if (detail == WarningDetail::kNone) return {};
  if (detail == WarningDetail::kEach) return EveryWarningLine(file, diagnostics);
  const std::size_t count = diagnostics.warnings.size();
  std::map<std::string, std::size_t> perKind = diagnostics.perKind;
  std::vector<std::string> kinds(count);
  for (std::size_t i = 0; i < count; ++i) {
    kinds[i] = WarningKind(diagnostics.warnings[i], diagnostics.groups[i]);
    if (!diagnostics.keepFew) ++perKind[kinds[i]];
  }
  std::vector<std::string> lines;
  std::map<std::string, bool> summed;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t many = perKind[kinds[i]];
    if (many <= kFewWarnings) {
      lines.push_back(Line(file, diagnostics.warnings[i]));
      continue;
    }
    if (summed[kinds[i]]) continue;
    summed[kinds[i]] = true;
    const bool grouped = !diagnostics.groups[i].empty();
    const std::string text =
        grouped ? WithThousands(many) + " " + diagnostics.groups[i]
                : diagnostics.warnings[i] + "; and " + WithThousands(many - 1) + " more like it";
    lines.push_back(Line(file, text + " (--verbose lists each)"));
  }
  return lines;
}

}  // namespace koordin_cli
