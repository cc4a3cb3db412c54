#pragma once

#include "tools/koordin/formats/document.h"

#include <cstddef>
#include <string>
#include <vector>

// The warnings of a run as a person reads them: a kind of warning that occurs more than a few
// times becomes one line with its count.
namespace koordin_cli {

enum class WarningDetail {
  kSummary,  // groups of more than kFewWarnings warnings as one line each
  kEach,     // every warning (--verbose)
  kNone,     // none (--quiet)
};

// The lines to print for the warnings about `file`, "FILE: warning: ...". A warning's kind is its
// group when it has one, else its text with the quoted parts and the numbers left out; a kind of
// more than kFewWarnings warnings is one line at the place of its first, with its count: the
// group's own words ("1,105 turnpoints dropped: ..."), or the first warning and how many are like
// it. Diagnostics that keep few (keepFew) give their summary; listing each needs them all.
std::vector<std::string> WarningLines(const std::string& file, const Diagnostics& diagnostics,
                                      WarningDetail detail);

// Every warning of `diagnostics` as a line "FILE: warning: ...".
std::vector<std::string> EveryWarningLine(const std::string& file, const Diagnostics& diagnostics);

// `count` with a comma between thousands: "1,105".
std::string WithThousands(std::size_t count);

}  // namespace koordin_cli
