#include "tools/koordin/instrument/platform_library.h"

#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace koordin_cli::platform {

#if defined(_WIN32)

void* OpenLibrary(const std::string& path, std::string& error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) error = "error " + std::to_string(GetLastError());
  return reinterpret_cast<void*>(module);
}

void* FindSymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(void* library) {
  FreeLibrary(static_cast<HMODULE>(library));
}

std::string LibraryFileName(const std::string& baseName) {
  return baseName + ".dll";
}

std::string ExecutableFolder() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return {};
  return std::filesystem::path(std::string(path, length)).parent_path().string();
}

#else

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

#endif

}  // namespace koordin_cli::platform
