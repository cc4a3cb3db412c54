#pragma once

#include "records/shared_type.h"

#include <cstdint>
#include <string>
#include <vector>

// An item of the host's own list attached to a turnpoint: a text and 16 bytes of host data.
struct FIO_HostItem {
  std::string text;
  std::uint8_t data[16] = {};
};

// The host's turnpoint record. Fields the driver reads or fills carry the driver's names; the
// others belong to the host and are named for what the host keeps there.
struct FIO_SHARED_TYPE FIO_TPEntry {
  FIO_TPEntry() = default;
  // Releases the strings and the item list.
  virtual ~FIO_TPEntry();

  std::int32_t number = -1;  // 1-based slot number in the file; -1 when not from a file
  std::uint32_t hostId = 0;
  std::string name;
  std::string shortName;
  std::string comment;
  std::int32_t altitude = 0;  // metres
  std::uint32_t runwayDirection = 0;
  float latitude = 0.0F;    // degrees, north positive
  float longitude = 0.0F;   // degrees, east positive
  std::uint32_t flags = 1;  // bits 8 to 15 set: marked in the file with the byte 0xA0
  std::string country;
  std::uint32_t runwayLength = 0;
  std::string icaoCode;
  std::string frequency;  // radio frequency as text
  std::uint32_t style = 0;
  std::uint32_t hostReserved1 = 0;
  std::uint32_t hostReserved2 = 0;
  std::uint32_t hostCategory = 5;
  std::string hostText;
  std::uint32_t hostValues[9] = {};
  std::int32_t kind = 1;  // 3 marks a route point that a long route may leave out
  std::uint8_t hostData[16] = {};
  std::vector<FIO_HostItem> items;
};
