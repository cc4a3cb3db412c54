#include "tools/koordin/reports/listings.h"

#include "tools/koordin/reports/text_table.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace koordin_cli {

namespace {

constexpr const char* kPointSeparator = " > ";
constexpr const char* kMarkerShown = "*";

bool Shown(const Waypoint& turnpoint, bool all) {
  return all || !turnpoint.name.empty();
}

bool Shown(const KoordinRoute& route, bool all) {
  return all || !route.name.empty();
}

std::string Altitude(const Waypoint& turnpoint) {
  return turnpoint.elevation ? std::to_string(std::lround(*turnpoint.elevation)) : std::string();
}

// A route's points, escaped as every text of the text and CSV listings is: a name's control
// characters would move lines or drive the terminal.
std::string JoinPoints(const std::vector<std::string>& points) {
  std::string joined;
  for (const std::string& point : points) {
    if (!joined.empty()) joined += kPointSeparator;
    joined += Escaped(point);
  }
  return joined;
}

}  // namespace

std::string DumpText(const KoordinListing& listing, bool all) {
  TextTable turnpoints({"slot", "name", "latitude", "", "longitude", "", "alt m", "freq", "marker"},
                       {true, false, true, false, true, false, true, false, false});
  for (const Waypoint& turnpoint : listing.turnpoints) {
    if (!Shown(turnpoint, all)) continue;
    turnpoints.AddRow({std::to_string(turnpoint.slot), Escaped(turnpoint.name),
                       FormatDegrees(turnpoint.latitude), FormatDms(turnpoint.latitude, true),
                       FormatDegrees(turnpoint.longitude), FormatDms(turnpoint.longitude, false),
                       Altitude(turnpoint), Escaped(turnpoint.frequency),
                       turnpoint.marked ? kMarkerShown : ""});
  }
  TextTable routes({"route", "name", "points"}, {true, false, false});
  for (const KoordinRoute& route : listing.routes) {
    if (!Shown(route, all)) continue;
    routes.AddRow({std::to_string(route.slot), Escaped(route.name), JoinPoints(route.points)});
  }
  return turnpoints.Render() + "\n" + routes.Render();
}

std::string DumpCsv(const KoordinListing& listing, bool all) {
  std::string out =
      "slot,name,latitude,longitude,latitude_dms,longitude_dms,altitude,frequency,marked\n";
  for (const Waypoint& turnpoint : listing.turnpoints) {
    if (!Shown(turnpoint, all)) continue;
    out += std::to_string(turnpoint.slot) + "," + CsvField(Escaped(turnpoint.name)) + "," +
           FormatDegrees(turnpoint.latitude) + "," + FormatDegrees(turnpoint.longitude) + "," +
           CsvField(FormatDms(turnpoint.latitude, true)) + "," +
           CsvField(FormatDms(turnpoint.longitude, false)) + "," + Altitude(turnpoint) + "," +
           CsvField(Escaped(turnpoint.frequency)) + "," + (turnpoint.marked ? "1" : "0") + "\n";
  }
  out += "\nroute,name,points\n";
  for (const KoordinRoute& route : listing.routes) {
    if (!Shown(route, all)) continue;
    out += std::to_string(route.slot) + "," + CsvField(Escaped(route.name)) + "," +
           CsvField(JoinPoints(route.points)) + "\n";
  }
  return out;
}

std::string DumpJson(const KoordinListing& listing, bool all) {
  nlohmann::ordered_json turnpoints = nlohmann::ordered_json::array();
  for (const Waypoint& turnpoint : listing.turnpoints) {
    if (!Shown(turnpoint, all)) continue;
    nlohmann::ordered_json entry;
    entry["slot"] = turnpoint.slot;
    entry["name"] = turnpoint.name;
    entry["latitude"] = std::stod(FormatDegrees(turnpoint.latitude));
    entry["longitude"] = std::stod(FormatDegrees(turnpoint.longitude));
    entry["latitude_dms"] = FormatDms(turnpoint.latitude, true);
    entry["longitude_dms"] = FormatDms(turnpoint.longitude, false);
    if (turnpoint.elevation) {
      entry["altitude"] = std::lround(*turnpoint.elevation);
    } else {
      entry["altitude"] = nullptr;
    }
    entry["frequency"] = turnpoint.frequency;
    entry["marked"] = turnpoint.marked;
    turnpoints.push_back(std::move(entry));
  }
  nlohmann::ordered_json routes = nlohmann::ordered_json::array();
  for (const KoordinRoute& route : listing.routes) {
    if (!Shown(route, all)) continue;
    nlohmann::ordered_json entry;
    entry["slot"] = route.slot;
    entry["name"] = route.name;
    entry["points"] = route.points;
    routes.push_back(std::move(entry));
  }
  nlohmann::ordered_json root;
  root["turnpoints"] = std::move(turnpoints);
  root["routes"] = std::move(routes);
  // Names that are not valid UTF-8 are shown with the replacement character, not refused.
  return root.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace koordin_cli
