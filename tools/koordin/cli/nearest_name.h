#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace koordin_cli {

// Edits that turn `a` into `b`: a character inserted, removed or changed, or two neighbours
// swapped.
std::size_t EditDistance(std::string_view a, std::string_view b);

// The one of `names` nearest to `word` in edits (a character inserted, removed, changed or two
// swapped), when it is near enough to be what was meant; empty otherwise.
std::string NearestName(std::string_view word, const std::vector<std::string>& names);

}  // namespace koordin_cli
