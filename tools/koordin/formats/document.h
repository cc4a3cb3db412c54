#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace koordin_cli {

// A turnpoint as koordin keeps it between formats. Text is UTF-8.
struct Waypoint {
  std::string name;                 // the long name, by which tasks and routes refer to the point
  std::string code;                 // a short name
  std::string country;              // two letters, or empty
  double latitude = 0.0;            // degrees, north positive
  double longitude = 0.0;           // degrees, east positive
  std::optional<double> elevation;  // metres; empty when unknown
  int style = 0;                    // the CUP waypoint style, 0 when unknown
  std::string runwayDirection;      // degrees, as text
  std::string runwayLength;         // with its unit, e.g. "800m"
  std::string runwayWidth;          // with its unit
  std::string frequency;            // e.g. "122.500"
  std::string description;
  std::string userData;  // a CUP file's userdata column
  std::string pictures;  // a CUP file's picture file names, separated by ";"
  bool marked = false;   // carries the KOORDIN file's marker byte
  int slot = 0;          // its slot number when read from a KOORDIN file, else 0
};

// A task or route: the names of its points in order. In a CUP task the first and last points are
// the takeoff and the landing and may be empty.
struct Task {
  std::string name;
  std::vector<std::string> points;
  std::vector<std::string> cupOptions;  // a CUP task's option, zone and start lines, verbatim
};

// Everything one file holds.
struct Document {
  std::vector<Waypoint> waypoints;
  std::vector<Task> tasks;
};

// How many warnings of one kind a person reads one by one; more become one line with their count.
inline constexpr std::size_t kFewWarnings = 3;

// The kind of a warning: its group when it has one, else its text with the quoted parts and the
// numbers left out, so that warnings that differ only in the names and lines they give are one.
std::string WarningKind(const std::string& message, const std::string& group);

// What a conversion tells the user without failing: one line each. A warning of a group that
// may occur many times names the group, the line that sums them up without its count (e.g.
// "turnpoints dropped: the file holds 255; choose with --near/--radius or --only").
struct Diagnostics {
  std::vector<std::string> warnings;
  std::vector<std::string> groups;  // the group of each warning; empty for one of its own
  // Keep of each kind only the first kFewWarnings and count the rest: what a summary shows, in
  // memory that does not grow with the number of warnings.
  bool keepFew = false;
  std::map<std::string, std::size_t> perKind;  // with keepFew, how many of each kind

  // Every warning, kept or only counted.
  std::size_t Count() const { return total_; }

  void Warn(std::string message) { Warn(std::move(message), std::string()); }
  // `times` warnings of `group`, which `message` stands for (more than kFewWarnings, and only
  // with keepFew, where the summary shows the group, not the messages).
  void Warn(std::string message, std::string group, std::size_t times = 1) {
    total_ += times;
    if (keepFew) {
      std::size_t& count = perKind[WarningKind(message, group)];
      const bool kept = count < kFewWarnings;
      count += times;
      if (!kept) return;
    }
    warnings.push_back(std::move(message));
    groups.push_back(std::move(group));
  }

  // Adds the warnings of `other` after these.
  void Append(const Diagnostics& other) {
    std::map<std::string, std::size_t> kept;
    for (std::size_t i = 0; i < other.warnings.size(); ++i) {
      if (other.keepFew) ++kept[WarningKind(other.warnings[i], other.groups[i])];
      Warn(other.warnings[i], other.groups[i]);
    }
    for (const auto& [kind, count] : other.perKind) {
      const std::size_t rest = count - kept[kind];
      total_ += rest;
      if (keepFew) perKind[kind] += rest;
    }
  }

 private:
  std::size_t total_ = 0;
};

// Input that cannot be read: the line (1-based, 0 when it concerns the whole input) and what was
// wrong with it.
class FormatError : public std::runtime_error {
 public:
  FormatError(int line, const std::string& what) : std::runtime_error(what), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

}  // namespace koordin_cli
