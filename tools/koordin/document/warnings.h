#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

// What a run tells the user without failing, one line each, and how a person reads it: a kind of
// warning that occurs more than a few times becomes one line with its count. A warning's kind is
// its group when it has one, else its text with the quoted parts and the numbers left out, so that
// warnings that differ only in the names and lines they give are one.
namespace koordin_cli {

// How many warnings of one kind a person reads one by one; more become one line with their count.
inline constexpr std::size_t kFewWarnings = 3;

enum class WarningDetail {
  kSummary,  // a kind of more than kFewWarnings warnings as one line
  kEach,     // every warning (--verbose)
  kNone,     // none (--quiet)
};

// The warnings about one file. A warning of a group that may occur many times names the group: the
// line that sums them up, without its count (e.g. "turnpoints dropped: the file holds 255; ...").
class Diagnostics {
 public:
  // Whether every warning is kept, or of each kind only the first kFewWarnings and a count: what a
  // summary shows, in memory that does not grow with the number of warnings.
  enum class Keeping { kEvery, kFewOfEachKind };

  explicit Diagnostics(Keeping keeping = Keeping::kEvery) : keepsFew_(keeping != Keeping::kEvery) {}

  void Warn(std::string message) { Warn(std::move(message), std::string()); }
  // A warning already kept is not kept or counted again. `times` warnings of `group`, which
  // `message` stands for. More than one time is for warnings that keep few, which sum the group up:
  // `message` is kept as the first of its kind.
  void Warn(std::string message, std::string group, std::size_t times = 1);

  // Every warning, kept or only counted.
  std::size_t Count() const { return total_; }
  bool KeepsFew() const { return keepsFew_; }

  // The warnings kept, in their order, and the group of each (empty for one of its own).
  const std::vector<std::string>& warnings() const { return warnings_; }
  const std::vector<std::string>& groups() const { return groups_; }

  // Warns `target` of the warnings here, in their order, those only counted as counted, and
  // forgets them: for warnings held back until it is known whether they count.
  void PassTo(Diagnostics& target);

  friend std::vector<std::string> WarningLines(const std::string& file,
                                               const Diagnostics& diagnostics,
                                               WarningDetail detail);

 private:
  bool keepsFew_;
  std::vector<std::string> warnings_;
  std::vector<std::string> groups_;
  std::vector<std::string> kinds_;              // the kind of each warning kept
  std::map<std::string, std::size_t> perKind_;  // how many of each kind
  std::set<std::string> told_;                  // the warnings kept: one is never told twice
  std::size_t total_ = 0;
};

// The lines to print for the warnings about `file`, "FILE: warning: ...". A kind of more than
// kFewWarnings warnings is one line at the place of its first, with its count: the group's own
// words ("1,105 turnpoints dropped: ..."), or the first warning and how many are like it.
// Listing each needs diagnostics that keep every warning.
std::vector<std::string> WarningLines(const std::string& file, const Diagnostics& diagnostics,
                                      WarningDetail detail);

// `count` with a comma between thousands: "1,105".
std::string WithThousands(std::size_t count);

}  // namespace koordin_cli
