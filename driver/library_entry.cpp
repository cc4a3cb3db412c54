// The library's load and unload: registration with the host's runtime as an extension module, and
// the end of the driver state when the library leaves the process.

#include "afx/afx_module.h"
#include "driver/fio_api.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

AFX_EXTENSION_MODULE g_extensionModule;

// Registers the library and creates its entry in the runtime's library list. False when the
// runtime refuses the registration.
bool AttachLibrary(HMODULE module) {
  if (!AfxInitExtensionModule(g_extensionModule, module)) return false;
  new CDynLinkLibrary(g_extensionModule);  // the runtime's list owns it
  return true;
}

void DetachLibrary() {
  FIO_ExitDriver();
  AfxTermExtensionModule(g_extensionModule);
}

}  // namespace

#if defined(_WIN32)

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      return AttachLibrary(instance) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      DetachLibrary();
      return TRUE;
    default:
      return TRUE;
  }
}

#else

namespace {

// The library's base address stands for its module handle, as an HMODULE does on Windows. An ELF
// constructor cannot refuse the load; the registration cannot fail here, as the address exists.
__attribute__((constructor)) void OnLoad() {
  Dl_info info{};
  dladdr(reinterpret_cast<void*>(&FIO_DriverInfo), &info);
  AttachLibrary(info.dli_fbase);
}

__attribute__((destructor)) void OnUnload() {
  DetachLibrary();
}

}  // namespace

#endif
