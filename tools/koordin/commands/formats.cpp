#include "tools/koordin/commands/commands.h"

#include "tools/koordin/reports/format_report.h"

#include <ostream>

namespace koordin_cli {

int RunFormats(const FormatsOptions& options, std::ostream& out) {
  const bool json = options.listing == "json";
  if (options.styles) {
    out << (json ? StylesJson() : StylesText());
  } else {
    out << (json ? FormatsJson() : FormatsText());
  }
  return kExitSuccess;
}

}  // namespace koordin_cli
