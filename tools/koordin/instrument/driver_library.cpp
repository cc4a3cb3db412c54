#include "tools/koordin/instrument/driver_library.h"

#include "tools/koordin/formats/format_support.h"
#include "tools/koordin/instrument/platform_library.h"
#include "tools/koordin/io/file_io.h"

#include <filesystem>
#include <vector>

namespace koordin_cli {

namespace {

// Finds `name` in the library; a missing export is added to `missing` and leaves `target` null.
template <typename Function>
void Resolve(void* library, const char* name, Function*& target,
             std::vector<std::string>& missing) {
  target = reinterpret_cast<Function*>(platform::FindSymbol(library, name));
  if (target == nullptr) missing.emplace_back(name);
}

}  // namespace

LoadedDriver::LoadedDriver(const std::string& path) : path_(path) {
  std::string error;
  library_ = platform::OpenLibrary(path, error);
  if (library_ == nullptr) {
    throw DriverLoadError(ShownName(path) + ": cannot load the driver: " + Escaped(error));
  }

  std::vector<std::string> missing;
#define VP6FIO_RESOLVE(name) Resolve(library_, "FIO_" #name, name, missing);
  VP6FIO_DRIVER_EXPORTS(VP6FIO_RESOLVE)
#undef VP6FIO_RESOLVE
  if (!missing.empty()) {
    platform::CloseLibrary(library_);
    library_ = nullptr;
    std::string names;
    for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
    throw DriverLoadError(ShownName(path) + ": not a usable driver: missing export" +
                          (missing.size() > 1 ? "s " : " ") + names);
  }
}

LoadedDriver::~LoadedDriver() {
  if (library_ == nullptr) return;
  ExitDriver();
  platform::CloseLibrary(library_);
}

std::string LoadedDriver::DefaultPath() {
  const std::string library = platform::LibraryFileName(kDriverLibraryName);
  const std::string folder = platform::ExecutableFolder();
  if (folder.empty()) return library;
  const std::filesystem::path beside = std::filesystem::path(folder) / library;
#if defined(VP6FIO_INSTALLED_DRIVER)
  // Installed, the driver lies in the library folder, found from the program's own folder.
  std::error_code error;
  if (!std::filesystem::exists(beside, error)) {
    return (std::filesystem::path(folder) / VP6FIO_INSTALLED_DRIVER).lexically_normal().string();
  }
#endif
  return beside.string();
}

FIO_DriverInfoRecord QueryDriverInfo(const LoadedDriver& driver) {
  FIO_DriverInfoRecord info{};
  driver.DriverInfo(&info);
  return info;
}

std::string QueryExtension(const LoadedDriver& driver, std::int32_t kind) {
  char buffer[32];
  if (driver.GetExtensions(kind, buffer, static_cast<std::int32_t>(sizeof buffer)) != kFIOSuccess)
    return {};
  return buffer;
}

}  // namespace koordin_cli
