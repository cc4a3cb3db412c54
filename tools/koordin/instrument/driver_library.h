#pragma once

#include "driver/fio_api.h"
#include "tools/koordin/instrument/driver_exports.h"

#include <stdexcept>
#include <string>

namespace koordin_cli {

// The driver library could not be loaded, or lacks exports: the message names the library and
// what is wrong.
class DriverLoadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The driver as a host meets it: a library loaded at run time, each of its exports found by name
// and called through a pointer of the type that fio_api.h declares. Unloading the library ends the
// driver's state, so no record the driver created may outlive this object.
class LoadedDriver {
 public:
  // Loads the library at `path` and resolves every export. Throws DriverLoadError when the
  // library cannot be loaded or any export is missing (all missing ones are named).
  explicit LoadedDriver(const std::string& path);
  LoadedDriver(const LoadedDriver&) = delete;
  LoadedDriver& operator=(const LoadedDriver&) = delete;
  ~LoadedDriver();

  // The library koordin uses without --driver: the vp6fio library beside the executable.
  static std::string DefaultPath();

  const std::string& path() const { return path_; }

  // Each export, named without its prefix: DriverInfo, ReadObject, ...
#define VP6FIO_EXPORT_POINTER(name) decltype(FIO_##name)* name = nullptr;
  VP6FIO_DRIVER_EXPORTS(VP6FIO_EXPORT_POINTER)
#undef VP6FIO_EXPORT_POINTER

 private:
  std::string path_;
  void* library_ = nullptr;
};

// Ends the driver's use when the reading or writing ends, however it ends.
class DriverSession {
 public:
  explicit DriverSession(const LoadedDriver& driver) : driver_(driver) { driver_.InitDriver(); }
  DriverSession(const DriverSession&) = delete;
  DriverSession& operator=(const DriverSession&) = delete;
  ~DriverSession() { driver_.ExitDriver(); }

 private:
  const LoadedDriver& driver_;
};

// The driver's description of itself, as FIO_DriverInfo fills it.
FIO_DriverInfoRecord QueryDriverInfo(const LoadedDriver& driver);

// The driver's file extension for the object kind, or empty when it declines the kind.
std::string QueryExtension(const LoadedDriver& driver, std::int32_t kind);

}  // namespace koordin_cli
