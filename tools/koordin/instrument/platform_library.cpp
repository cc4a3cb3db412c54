#include "tools/koordin/instrument/platform_library.h"

#include <filesystem>
#include <system_error>

#include <dlfcn.h>

namespace koordin_cli::platform {

void* OpenLibrary(const std::string& path, std::string& error) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : "unknown error";
  }
  return library;
}

void* FindSymbol(void* library, const char* name) {
  return dlsym(library, name);
}

void CloseLibrary(void* library) {
  dlclose(library);
}

std::string LibraryFileName(const std::string& baseName) {
  return "lib" + baseName + ".so";
}

std::string ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) return self.parent_path().string();
  // Without /proc, the loader knows the file this function came from.
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ExecutableFolder), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  return std::filesystem::absolute(info.dli_fname, error).parent_path().string();
}

}  // namespace koordin_cli::platform
