#include "tools/koordin/formats/format_modules.h"

#include "koordin/layout.h"
#include "tools/koordin/formats/format_support.h"

#include <cstddef>
#include <vector>

namespace koordin_cli {

bool RecogniseKoordin(std::string_view head) {
  // The driver's test: the two header lines, whole, from the first byte on.
  constexpr auto kLines = static_cast<std::size_t>(koordin::kHeaderLines);
  const std::vector<std::string_view> lines = HeadLines(head, kLines);
  return head.rfind(koordin::kHeaderLine1, 0) == 0 && lines.size() == kLines &&
         lines[0] == koordin::kHeaderLine1 && lines[1] == koordin::kHeaderLine2;
}

}  // namespace koordin_cli
