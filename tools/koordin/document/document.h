#pragma once

#include "tools/koordin/document/warnings.h"

#include <cstddef>
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
