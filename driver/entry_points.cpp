// The entry points that describe the driver, manage its state and decline what it does not offer.

#include "driver/fio_api.h"
#include "driver/global_values.h"
#include "koordin/layout.h"

#include <cstring>

global_values* g_pGlobalValues = nullptr;

namespace {

constexpr const char* kVersionText = "Version 1.03";
constexpr const char* kDriverName = "VP6 (Version 2)";
constexpr const char* kMaker = "Tarnwickelmarden";
constexpr const char* kExtension = "lst";

// The object kinds this driver handles, each one bit.
constexpr std::int32_t kObjectKinds[] = {1, 8, 64, 512};

// Copies at most size - 1 characters of `source` into a buffer of `size` bytes that is all
// zeros, so the copy stays terminated.
void CopyBounded(char* destination, const char* source, std::size_t size) {
  std::strncpy(destination, source, size - 1);
}

bool IsHandledKind(std::int32_t kind) {
  for (std::int32_t handled : kObjectKinds) {
    if (kind == handled) return true;
  }
  return false;
}

}  // namespace

std::int32_t FIO_DriverInfo(FIO_DriverInfoRecord* info) {
  std::memset(info, 0, sizeof *info);
  CopyBounded(info->version, kVersionText, sizeof info->version);
  CopyBounded(info->driverName, kDriverName, sizeof info->driverName);
  CopyBounded(info->maker, kMaker, sizeof info->maker);
  info->hostValue1 = 1;
  info->hostValue2 = 0;
  for (std::int32_t kind : kObjectKinds) info->objectKinds |= static_cast<std::uint32_t>(kind);
  info->turnpointCapacity = koordin::kTurnpointSlots;
  info->routeCapacity = koordin::kRouteSlots;
  info->pointsPerRoute = koordin::kPointsPerRoute;
  info->hostValue3 = -1;
  info->hostValue7 = 1;
  info->nameLength = koordin::kNameWidth;
  info->nameLineLength = koordin::kNameLineWidth;
  info->hostFlags = 0x0101;
  return 1;
}

// A size below 1 leaves no room even for the terminating zero: such a buffer is not touched.
std::int32_t FIO_GetExtensions(std::int32_t kind, char* buffer, std::int32_t size) {
  if (size < 1) return IsHandledKind(kind) ? 1 : -1;
  std::memset(buffer, 0, static_cast<std::size_t>(size));
  if (!IsHandledKind(kind)) return -1;
  CopyBounded(buffer, kExtension, static_cast<std::size_t>(size));
  return 1;
}

std::int32_t FIO_TranslateFilename(const char* source, char* destination, std::int32_t size) {
  if (size < 1) return 1;
  std::memset(destination, 0, static_cast<std::size_t>(size));
  CopyBounded(destination, source, static_cast<std::size_t>(size));
  return 1;
}

void FIO_InitDriver() {
  if (g_pGlobalValues == nullptr) g_pGlobalValues = new global_values;
  g_pGlobalValues->ResetCounters();
}

void FIO_ExitDriver() {
  delete g_pGlobalValues;
  g_pGlobalValues = nullptr;
}

std::int32_t FIO_ReadFDEntry() {
  return -1;
}
std::int32_t FIO_Flight2IGC() {
  return -1;
}
std::int32_t FIO_IGC2Flight() {
  return -1;
}
std::int32_t FIO_WriteDeclaration() {
  return -1;
}
std::int32_t FIO_ReadDeclaration() {
  return -1;
}
