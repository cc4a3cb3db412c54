#include "tools/koordin/cli/nearest_name.h"

#include <algorithm>

namespace koordin_cli {

std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

std::string NearestName(std::string_view word, const std::vector<std::string>& names) {
  // A third of the word may be wrong, and at least one character of it.
  const std::size_t allowed = std::max<std::size_t>(1, word.size() / 3);
  std::string nearest;
  std::size_t best = allowed + 1;
  for (const std::string& name : names) {
    // A name that begins with the word is what was meant as well: "con" for "convert".
    const std::size_t distance =
        name.size() > word.size() && name.compare(0, word.size(), word) == 0 && word.size() >= 3
            ? 1
            : EditDistance(word, name);
    if (distance < best) {
      best = distance;
      nearest = name;
    }
  }
  return nearest;
}

}  // namespace koordin_cli
