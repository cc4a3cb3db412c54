#include "tools/koordin/formats/lost_parts.h"

#include <iterator>

namespace koordin_cli {

namespace {

struct WaypointPart {
  DocumentPart part;
  const char* words;
  bool (*held)(const Waypoint&);
};

const WaypointPart kWaypointParts[] = {
    // A code that repeats the name, as CUP files have for none, says nothing.
    {kCodePart, "code", [](const Waypoint& w) { return !w.code.empty() && w.code != w.name; }},
    {kCountryPart, "country", [](const Waypoint& w) { return !w.country.empty(); }},
    {kElevationPart, "elevation", [](const Waypoint& w) { return w.elevation.has_value(); }},
    {kStylePart, "style", [](const Waypoint& w) { return w.style != 0; }},
    {kRunwayPart, "runway",
     [](const Waypoint& w) {
       return !w.runwayDirection.empty() || !w.runwayLength.empty() || !w.runwayWidth.empty();
     }},
    {kFrequencyPart, "frequency", [](const Waypoint& w) { return !w.frequency.empty(); }},
    {kDescriptionPart, "description", [](const Waypoint& w) { return !w.description.empty(); }},
    {kUserDataPart, "user data", [](const Waypoint& w) { return !w.userData.empty(); }},
    {kPicturesPart, "pictures", [](const Waypoint& w) { return !w.pictures.empty(); }},
    {kMarkerPart, "marker", [](const Waypoint& w) { return w.marked; }},
};

}  // namespace

void LostParts::Count(const Waypoint& waypoint) {
  static_assert(std::size(kWaypointParts) == kWaypointPartCount, "a count for each part");
  for (std::size_t i = 0; i < std::size(kWaypointParts); ++i) {
    if ((parts_ & kWaypointParts[i].part) != 0 && kWaypointParts[i].held(waypoint)) ++counts_[i];
  }
}

void LostParts::Warn(const std::string& format, Diagnostics& diagnostics) const {
  for (std::size_t i = 0; i < std::size(kWaypointParts); ++i) {
    if (counts_[i] == 0) continue;
    diagnostics.Warn(format + " has no place for the " + kWaypointParts[i].words + " of " +
                     std::to_string(counts_[i]) + " waypoints: left out");
  }
  if ((parts_ & kTasksPart) != 0 && tasks_ > 0) {
    diagnostics.Warn(format + " waypoint files hold no tasks: " + std::to_string(tasks_) +
                     " tasks left out");
  }
}

}  // namespace koordin_cli
