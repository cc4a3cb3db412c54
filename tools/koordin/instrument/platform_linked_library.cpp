// The loader where the driver is linked into the program: "loading" it finds the linked driver,
// and its exports are looked up by name in the table of the driver's export list.

#include "tools/koordin/instrument/platform_library.h"

#include "driver/fio_api.h"
#include "tools/koordin/instrument/driver_exports.h"

#include <cstring>

namespace koordin_cli::platform {

namespace {

// Stands for the one library there is.
int g_linkedLibrary = 0;

struct LinkedExport {
  const char* name;
  void* address;
};

#define VP6FIO_LINKED_EXPORT(name) {"FIO_" #name, reinterpret_cast<void*>(&FIO_##name)},
const LinkedExport kLinkedExports[] = {VP6FIO_DRIVER_EXPORTS(VP6FIO_LINKED_EXPORT)};
#undef VP6FIO_LINKED_EXPORT

}  // namespace

void* OpenLibrary(const std::string& path, std::string& error) {
  if (path != LibraryFileName(kDriverLibraryName)) {
    error = "this build has no run-time loading; only its own driver " +
            LibraryFileName(kDriverLibraryName) + " is available";
    return nullptr;
  }
  return &g_linkedLibrary;
}

void* FindSymbol(void*, const char* name) {
  for (const LinkedExport& entry : kLinkedExports) {
    if (std::strcmp(entry.name, name) == 0) return entry.address;
  }
  return nullptr;
}

void CloseLibrary(void*) {}

std::string LibraryFileName(const std::string& baseName) {
  return "lib" + baseName + ".so";
}

std::string ExecutableFolder() {
  return {};
}

}  // namespace koordin_cli::platform
