#pragma once

#include "fio_contract.h"
#include "shared_type.h"

#include <cstddef>
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
  std::int32_t kind = kFIOPointKindPlain;  // kFIOPointKindOmittable: a long route may leave it out
  std::uint8_t hostData[16] = {};
  std::vector<FIO_HostItem> items;
};

// The record's layout is the host's: a field's place may never move. Each field follows the one
// before it at the next multiple of its alignment, after the virtual table pointer.
namespace fio_layout {

constexpr std::size_t After(std::size_t offset, std::size_t size, std::size_t alignment) {
  return (offset + size + alignment - 1) / alignment * alignment;
}

constexpr std::size_t kText = sizeof(std::string);
constexpr std::size_t kTextAlignment = alignof(std::string);
constexpr std::size_t kNumber = sizeof(void*);
constexpr std::size_t kName = After(kNumber, 8, kTextAlignment);  // number, host value
constexpr std::size_t kAltitude = kName + 3 * kText;              // name, two texts
constexpr std::size_t kLatitude = kAltitude + 8;                  // altitude, host value
constexpr std::size_t kLongitude = kLatitude + 4;
constexpr std::size_t kFlags = kLongitude + 4;
constexpr std::size_t kFrequency =  // flags, host text, host value, host text
    After(After(kFlags, 4, kTextAlignment) + kText, 4, kTextAlignment) + kText;
constexpr std::size_t kKind =  // frequency, four host values, host text, nine host values
    After(kFrequency + kText, 16, kTextAlignment) + kText + 9 * 4;
constexpr std::size_t kItems = After(kKind + 4, 16, alignof(std::vector<FIO_HostItem>));

}  // namespace fio_layout

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"  // the compilers we build with place it
#endif
static_assert(offsetof(FIO_TPEntry, number) == fio_layout::kNumber);
static_assert(offsetof(FIO_TPEntry, name) == fio_layout::kName);
static_assert(offsetof(FIO_TPEntry, altitude) == fio_layout::kAltitude);
static_assert(offsetof(FIO_TPEntry, latitude) == fio_layout::kLatitude);
static_assert(offsetof(FIO_TPEntry, longitude) == fio_layout::kLongitude);
static_assert(offsetof(FIO_TPEntry, flags) == fio_layout::kFlags);
static_assert(offsetof(FIO_TPEntry, frequency) == fio_layout::kFrequency);
static_assert(offsetof(FIO_TPEntry, kind) == fio_layout::kKind);
static_assert(offsetof(FIO_TPEntry, items) == fio_layout::kItems);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
