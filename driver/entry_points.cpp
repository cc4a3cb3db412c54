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

// Copies at most size - 1 characters of `source` into the buffer of `size` bytes and zeroes
// every byte after them. The two may overlap, and may be the same.
void CopyBounded(char* destination, const char* source, std::size_t size) {
  const void* end = std::memchr(source, '\0', size - 1);
  const std::size_t length =
      end == nullptr ? size - 1 : static_cast<std::size_t>(static_cast<const char*>(end) - source);
  std::memmove(destination, source, length);
  std::memset(destination + length, 0, size - length);
}

bool IsHandledKind(std::int32_t kind) {
  for (std::int32_t handled : kFIOObjectKinds) {
    if (kind == handled) return true;
  }
  return false;
}

}  // namespace

std::int32_t FIO_DriverInfo(FIO_DriverInfoRecord* info) {
  if (info == nullptr) return kFIONotHandled;
  std::memset(info, 0, sizeof *info);
  CopyBounded(info->version, kVersionText, sizeof info->version);
  CopyBounded(info->driverName, kDriverName, sizeof info->driverName);
  CopyBounded(info->maker, kMaker, sizeof info->maker);
  info->hostValue1 = 1;
  info->hostValue2 = 0;
  for (std::int32_t kind : kFIOObjectKinds) info->objectKinds |= static_cast<std::uint32_t>(kind);
  info->turnpointCapacity = koordin::kTurnpointSlots;
  info->routeCapacity = koordin::kRouteSlots;
  info->pointsPerRoute = koordin::kPointsPerRoute;
  info->hostValue3 = -1;
  info->hostValue7 = 1;
  info->nameLength = koordin::kNameWidth;
  info->nameLineLength = koordin::kNameLineWidth;
  info->hostFlags = 0x0101;
  return kFIOSuccess;
}

// A size below 1 leaves no room even for the terminating zero: such a buffer is not touched.
std::int32_t FIO_GetExtensions(std::int32_t kind, char* buffer, std::int32_t size) {
  if (buffer == nullptr) return kFIONotHandled;
  const std::int32_t result = IsHandledKind(kind) ? kFIOSuccess : kFIONotHandled;
  if (size < 1) return result;
  CopyBounded(buffer, result == kFIOSuccess ? kExtension : "", static_cast<std::size_t>(size));
  return result;
}

std::int32_t FIO_TranslateFilename(const char* source, char* destination, std::int32_t size) {
  if (source == nullptr || destination == nullptr) return kFIONotHandled;
  if (size < 1) return kFIOSuccess;
  CopyBounded(destination, source, static_cast<std::size_t>(size));
  return kFIOSuccess;
}

global_values& DriverState() {
  if (g_pGlobalValues == nullptr) g_pGlobalValues = new global_values;
  return *g_pGlobalValues;
}

void FIO_InitDriver() {
  DriverState().ResetCounters();
}

void FIO_ExitDriver() {
  delete g_pGlobalValues;
  g_pGlobalValues = nullptr;
}

std::int32_t FIO_ReadFDEntry() {
  return kFIONotHandled;
}
std::int32_t FIO_Flight2IGC() {
  return kFIONotHandled;
}
std::int32_t FIO_IGC2Flight() {
  return kFIONotHandled;
}
std::int32_t FIO_WriteDeclaration() {
  return kFIONotHandled;
}
std::int32_t FIO_ReadDeclaration() {
  return kFIONotHandled;
}
