// The driver as a host meets it: loaded at run time, each export called through a pointer.

#include "afx/afx_module.h"
#include "driver/fio_api.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>

namespace {

void* g_library = nullptr;  // the loaded driver

template <typename Function>
Function* Resolve(const char* name) {
  return reinterpret_cast<Function*>(dlsym(g_library, name));
}

bool IsRegistered(HMODULE module) {
  auto* entry = AfxGetFirstDynLinkLibrary();
  while (entry != nullptr && entry->m_hModule != module) entry = entry->m_pNextDLL;
  return entry != nullptr;
}

TEST(HostPath, LoadsResolvesEveryExportCallsThemAndUnloads) {
  g_library = dlopen(VP6FIO_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(g_library, nullptr) << dlerror();

  // Every export resolves (check_exports.sh pins the list); these answer through the pointer.
  FIO_DriverInfoRecord info;
  char extension[8], out[8];
  EXPECT_EQ(Resolve<decltype(FIO_DriverInfo)>("FIO_DriverInfo")(&info), kFIOSuccess);
  EXPECT_EQ(Resolve<decltype(FIO_GetExtensions)>("FIO_GetExtensions")(64, extension, 8),
            kFIOSuccess);
  EXPECT_EQ(Resolve<decltype(FIO_TranslateFilename)>("FIO_TranslateFilename")("a.lst", out, 8),
            kFIOSuccess);
  // A host declares the declined entry points with its own parameters; C's convention lets it.
  using WithArguments = std::int32_t(void*, std::int32_t, void*);
  for (const char* name : {"FIO_ReadFDEntry", "FIO_Flight2IGC", "FIO_IGC2Flight",
                           "FIO_WriteDeclaration", "FIO_ReadDeclaration"}) {
    EXPECT_EQ(Resolve<WithArguments>(name)(nullptr, 42, nullptr), kFIONotHandled) << name;
  }

  Dl_info where{};
  ASSERT_NE(dladdr(Resolve<void>("FIO_DriverInfo"), &where), 0);
  EXPECT_TRUE(IsRegistered(where.dli_fbase)) << "loading registers the module";
  Resolve<decltype(FIO_InitDriver)>("FIO_InitDriver")();  // unloading ends it
  dlclose(g_library);
  EXPECT_FALSE(IsRegistered(where.dli_fbase)) << "unloading removes it";
}

}  // namespace
