#include "tools/koordin/instrument/koordin_listing.h"

#include "tools/koordin/formats/format_support.h"

#include <set>

namespace koordin_cli {

Document ListingToDocument(const KoordinListing& listing, Diagnostics& diagnostics) {
  Document document;
  std::set<std::string> names;
  for (const Waypoint& turnpoint : listing.turnpoints) {
    if (turnpoint.name.empty()) continue;
    document.waypoints.push_back(turnpoint);
    names.insert(turnpoint.name);
  }
  for (const KoordinRoute& route : listing.routes) {
    if (route.name.empty()) {
      if (!route.points.empty()) {
        diagnostics.Warn(AtLine(route.line, "route slot " + std::to_string(route.slot) +
                                                " has points but no name: left out"));
      }
      continue;
    }
    Task task;
    task.name = route.name;
    task.points.emplace_back();  // takeoff
    for (const std::string& point : route.points) {
      if (names.count(point) == 0) {
        diagnostics.Warn(AtLine(route.line, "route " + Quoted(route.name) + ": point " +
                                                Quoted(point) + " matches no turnpoint"));
      }
      task.points.push_back(point);
    }
    task.points.emplace_back();  // landing
    document.tasks.push_back(std::move(task));
  }
  return document;
}

KoordinListing ListingFromDocument(const Document& document) {
  KoordinListing listing;
  for (const Waypoint& waypoint : document.waypoints) {
    listing.turnpoints.push_back(waypoint);
    listing.turnpoints.back().slot = static_cast<int>(listing.turnpoints.size());
  }
  for (const Task& task : document.tasks) {
    KoordinRoute route;
    route.slot = static_cast<int>(listing.routes.size()) + 1;
    route.name = task.name;
    for (std::size_t i = 0; i < task.points.size(); ++i) {
      const bool end = i == 0 || i + 1 == task.points.size();
      if (!(end && task.points[i].empty())) route.points.push_back(task.points[i]);
    }
    listing.routes.push_back(std::move(route));
  }
  return listing;
}

}  // namespace koordin_cli
