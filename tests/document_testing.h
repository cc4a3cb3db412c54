#pragma once

#include "tools/koordin/formats/document.h"

#include <gtest/gtest.h>

#include <string>

namespace koordin_cli {

// Coordinates that agree to this many degrees count as the same (a tenth of a metre).
constexpr double kSameDegrees = 1e-6;

// Checks every field of `actual` against `expected`, coordinates to `degrees`; the slot only when
// `withSlot`.
inline void ExpectSameWaypoint(const Waypoint& expected, const Waypoint& actual,
                               double degrees = kSameDegrees, bool withSlot = true) {
  SCOPED_TRACE("waypoint " + expected.name);
  EXPECT_EQ(actual.name, expected.name);
  EXPECT_EQ(actual.code, expected.code);
  EXPECT_EQ(actual.country, expected.country);
  EXPECT_NEAR(actual.latitude, expected.latitude, degrees);
  EXPECT_NEAR(actual.longitude, expected.longitude, degrees);
  ASSERT_EQ(actual.elevation.has_value(), expected.elevation.has_value());
  if (expected.elevation) {
    EXPECT_NEAR(*actual.elevation, *expected.elevation, 0.05);
  }
  EXPECT_EQ(actual.style, expected.style);
  EXPECT_EQ(actual.runwayDirection, expected.runwayDirection);
  EXPECT_EQ(actual.runwayLength, expected.runwayLength);
  EXPECT_EQ(actual.runwayWidth, expected.runwayWidth);
  EXPECT_EQ(actual.frequency, expected.frequency);
  EXPECT_EQ(actual.description, expected.description);
  EXPECT_EQ(actual.userData, expected.userData);
  EXPECT_EQ(actual.pictures, expected.pictures);
  EXPECT_EQ(actual.marked, expected.marked);
  if (withSlot) {
    EXPECT_EQ(actual.slot, expected.slot);
  }
}

inline void ExpectSameTask(const Task& expected, const Task& actual) {
  EXPECT_EQ(actual.name, expected.name);
  EXPECT_EQ(actual.points, expected.points);
  EXPECT_EQ(actual.cupOptions, expected.cupOptions);
}

// A document with what trips up writers: umlauts, commas, quotes, a line break, an elevation in
// feet, a point on the date line, and tasks with an empty takeoff and landing.
inline Document SampleDocument() {
  Document document;
  Waypoint aachen;
  aachen.name = "Aachen Merzbrück";
  aachen.code = "AACH";
  aachen.country = "DE";
  aachen.latitude = 50.823;
  aachen.longitude = 6.1866667;
  aachen.elevation = 189.0;
  aachen.style = 5;
  aachen.runwayDirection = "80";
  aachen.runwayLength = "520m";
  aachen.runwayWidth = "20m";
  aachen.frequency = "122.875";
  aachen.description = "Platz, \"EDKA\"\nzweite Zeile";
  aachen.userData = "user, data";
  aachen.pictures = "a.jpg;b.jpg";
  aachen.marked = true;
  aachen.slot = 3;
  Waypoint peak;
  peak.name = "Gipfel \"Süd\"";
  peak.latitude = -45.5;
  peak.longitude = -179.9999;
  peak.elevation = 170 * 0.3048;
  peak.style = 7;
  Waypoint unknown;
  unknown.name = "Öhringen, Feld";
  unknown.latitude = 49.2;
  unknown.longitude = 9.5;
  document.waypoints = {aachen, peak, unknown};
  document.tasks.push_back(Task{"Dreieck · 300 km",
                                {"", "Aachen Merzbrück", "Gipfel \"Süd\"", "Öhringen, Feld", ""},
                                {"Options,NoStart=12:00:00", "ObsZone=0,Style=2,R1=400m"}});
  document.tasks.push_back(Task{"Hin und zurück", {"Öhringen, Feld", "Aachen Merzbrück"}, {}});
  return document;
}

}  // namespace koordin_cli
