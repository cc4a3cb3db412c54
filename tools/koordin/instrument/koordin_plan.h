#pragma once

#include "koordin/layout.h"
#include "records/driver_info_record.h"
#include "tools/koordin/conversion/chooser.h"
#include "tools/koordin/document/document.h"

#include <string>
#include <vector>

// What a chosen document becomes in a KOORDIN file, decided before anything is written: names in
// the file's character set and cut to the file's widths, altitudes, frequencies and route points
// as the file holds them, and a warning for everything that does not arrive as it was. What fits
// is chosen before (conversion/chooser.h).
namespace koordin_cli {

// The capacities that FIO_DriverInfo reports.
Capacities CapacitiesOf(const FIO_DriverInfoRecord& info);

// The altitude field holds four characters, a minus sign counting as one.
inline constexpr int kMinAltitude = -999;
inline constexpr int kMaxAltitude = 9999;

struct PlannedTurnpoint {
  std::string name;        // in the file's character set, cut to the name width
  double latitude = 0.0;   // degrees, to a whole second
  double longitude = 0.0;  // degrees, to a whole second
  int altitude = 0;        // metres, within kMinAltitude..kMaxAltitude
  std::string frequency;   // "122.475", or empty
  bool marked = false;
};

struct PlannedPoint {
  std::string name;  // in the file's character set, cut to the name width
  // A long route leaves out its inner points of the omittable kind (koordin/layout.h). koordin
  // gives that kind to inner points whose names match no turnpoint of the file, so that the
  // points the instrument can find are the ones that stay.
  int kind = kFIOPointKindPlain;
};

// A route as the driver receives it: the first and last points are the task's takeoff and
// landing, which the file does not carry.
struct PlannedRoute {
  std::string name;  // in the file's character set, cut to the route name width
  std::vector<PlannedPoint> points;
};

struct KoordinPlan {
  std::vector<PlannedTurnpoint> turnpoints;  // in order, each named
  std::vector<PlannedRoute> routes;          // in order
};

// Plans the KOORDIN file, in the character set `encoding`, of `document`, which holds no more
// than the file does (the chooser decides that): names encoded and cut, coordinates rounded to the
// whole seconds the file carries, altitudes within range, frequencies in one form, routes with
// their flown points. `document` is as read: its control characters are replaced here, and names
// that differ in it but would be one in the file (by the character set, the control characters or
// the cut) are numbered apart, a route point naming the turnpoint of its name as read. Warns in
// `diagnostics` (one line each, grouped where they may be many) about texts with control
// characters, names cut, transliterated or numbered, route points left out or naming no turnpoint,
// altitudes out of range, frequency fields that hold no frequency, task options and zones, and, in
// one line, the tasks whose takeoff or landing the routes lose. Throws std::invalid_argument for a
// character set that iconv does not know.
KoordinPlan PlanKoordin(const Document& document, const Capacities& capacities,
                        const std::string& encoding, Diagnostics& diagnostics);

}  // namespace koordin_cli
