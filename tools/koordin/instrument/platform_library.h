#pragma once

#include <string>

// What loading a library at run time needs from the operating system: the one place in koordin
// that knows it (dlopen here; a table of the linked driver in the browser build).
namespace koordin_cli::platform {

// Loads the shared library at `path`; returns its handle, or null with `error` telling why.
void* OpenLibrary(const std::string& path, std::string& error);

// The address of the function exported under `name`, or null when the library has none.
void* FindSymbol(void* library, const char* name);

// Unloads a library that OpenLibrary loaded.
void CloseLibrary(void* library);

// The file name a library called `baseName` has on this system: libvp6fio.so.
std::string LibraryFileName(const std::string& baseName);

// The folder that holds the running executable; empty when the system does not say.
std::string ExecutableFolder();

}  // namespace koordin_cli::platform
