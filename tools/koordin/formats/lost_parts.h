#pragma once

#include "tools/koordin/formats/formats.h"

#include <array>
#include <cstddef>
#include <string>

namespace koordin_cli {

// The fields of the waypoints a writer writes that its format has no place for, counted a
// waypoint at a time and warned about once, a line for each part.
class LostParts {
 public:
  // `parts`: the DocumentParts the format has no place for; those of the waypoints are counted,
  // but for the slot, a place in a KOORDIN file.
  explicit LostParts(unsigned parts) : parts_(parts) {}

  void Count(const Waypoint& waypoint);

  // The tasks of the document, for a format without a place for them.
  void CountTasks(std::size_t tasks) { tasks_ = tasks; }

  // For each part counted: "`format` has no place for the code of 2 waypoints: left out", and
  // "`format` waypoint files hold no tasks: 2 tasks left out".
  void Warn(const std::string& format, Diagnostics& diagnostics) const;

 private:
  static constexpr std::size_t kWaypointPartCount = 10;
  unsigned parts_;
  std::array<std::size_t, kWaypointPartCount> counts_{};
  std::size_t tasks_ = 0;
};

}  // namespace koordin_cli
