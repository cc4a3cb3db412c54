#pragma once

#include <optional>
#include <string_view>

// Positions on the earth as pilots type them, the distance between two, and the whole seconds
// that a KOORDIN file carries.
namespace koordin_cli {

struct GeoPosition {
  double latitude = 0.0;   // degrees, north positive
  double longitude = 0.0;  // degrees, east positive
};

// The position that `text` names: signed decimal degrees ("48.63,9.43", "48.63 9.43"), degrees
// with minutes and seconds and hemisphere letters ("48°37'50\"N 9°25'49\"E", seconds and minutes
// optional), or the CUP form ("4837.833N 00925.817E"). None for anything else or beyond 90 or
// 180 degrees.
std::optional<GeoPosition> ParsePosition(std::string_view text);

// The great-circle distance in kilometres.
double DistanceKm(const GeoPosition& a, const GeoPosition& b);

// `degrees` rounded to the nearest whole second of arc, in double precision, as its decimal digits
// round: a half second away from zero.
double RoundToWholeSecond(double degrees);

}  // namespace koordin_cli
