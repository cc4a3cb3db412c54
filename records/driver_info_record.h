#pragma once

#include <cstddef>
#include <cstdint>

// The 144-byte block in which FIO_DriverInfo describes the driver to the host.
struct FIO_DriverInfoRecord {
  char version[20];
  char driverName[30];
  char maker[30];
  std::int32_t hostValue1;
  std::int16_t hostValue2;
  std::uint16_t reserved1;
  std::uint32_t objectKinds;  // bit set of the object kinds the driver handles
  std::int32_t turnpointCapacity;
  std::int32_t routeCapacity;
  std::int32_t pointsPerRoute;
  std::int32_t hostValue3;
  std::int32_t hostValues4[3];
  std::int32_t hostValue5;
  std::int32_t hostValue6;
  std::int32_t hostValue7;
  std::int32_t nameLength;      // characters of a turnpoint name in the file
  std::int32_t nameLineLength;  // characters of a name line in the file
  std::uint16_t hostFlags;
  std::uint16_t reserved2;
};

static_assert(sizeof(FIO_DriverInfoRecord) == 144, "the host expects 144 bytes");
static_assert(offsetof(FIO_DriverInfoRecord, driverName) == 20);
static_assert(offsetof(FIO_DriverInfoRecord, maker) == 50);
static_assert(offsetof(FIO_DriverInfoRecord, hostValue1) == 80);
static_assert(offsetof(FIO_DriverInfoRecord, hostValue2) == 84);
static_assert(offsetof(FIO_DriverInfoRecord, objectKinds) == 88);
static_assert(offsetof(FIO_DriverInfoRecord, turnpointCapacity) == 92);
static_assert(offsetof(FIO_DriverInfoRecord, routeCapacity) == 96);
static_assert(offsetof(FIO_DriverInfoRecord, pointsPerRoute) == 100);
static_assert(offsetof(FIO_DriverInfoRecord, hostValue3) == 104);
static_assert(offsetof(FIO_DriverInfoRecord, hostValues4) == 108);
static_assert(offsetof(FIO_DriverInfoRecord, hostValue5) == 120);
static_assert(offsetof(FIO_DriverInfoRecord, hostValue6) == 124);
static_assert(offsetof(FIO_DriverInfoRecord, hostValue7) == 128);
static_assert(offsetof(FIO_DriverInfoRecord, nameLength) == 132);
static_assert(offsetof(FIO_DriverInfoRecord, nameLineLength) == 136);
static_assert(offsetof(FIO_DriverInfoRecord, hostFlags) == 140);
