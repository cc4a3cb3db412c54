// The driver as a host meets it: loaded at run time, each export called through a pointer.

#include "afx/afx_module.h"
#include "driver/fio_api.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <fstream>
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

  std::ifstream def(VP6FIO_SOURCE_DIR "/driver/vp6fio.def");
  int names = 0;
  for (std::string name; def >> name;) {
    names += name.rfind("FIO_", 0) == 0;  // the ordinal table lists every export
    EXPECT_TRUE(name.rfind("FIO_", 0) != 0 || Resolve<void>(name.c_str()) != nullptr) << name;
  }
  EXPECT_EQ(names, 15);

  FIO_DriverInfoRecord info;
  char extension[8], out[8];
  EXPECT_EQ(Resolve<decltype(FIO_DriverInfo)>("FIO_DriverInfo")(&info), 1);
  EXPECT_STREQ(info.driverName, "VP6 (Version 2)");
  EXPECT_EQ(Resolve<decltype(FIO_GetExtensions)>("FIO_GetExtensions")(64, extension, 8), 1);
  EXPECT_STREQ(extension, "lst");
  EXPECT_EQ(Resolve<decltype(FIO_TranslateFilename)>("FIO_TranslateFilename")("a.lst", out, 8), 1);
  EXPECT_STREQ(out, "a.lst");
  // A host declares the declined entry points with its own parameters; C's convention lets it.
  using WithArguments = std::int32_t(void*, std::int32_t, void*);
  for (const char* name : {"FIO_ReadFDEntry", "FIO_Flight2IGC", "FIO_IGC2Flight",
                           "FIO_WriteDeclaration", "FIO_ReadDeclaration"}) {
    EXPECT_EQ(Resolve<WithArguments>(name)(nullptr, 42, nullptr), -1) << name;
  }

  Dl_info where{};
  ASSERT_NE(dladdr(Resolve<void>("FIO_DriverInfo"), &where), 0);
  EXPECT_TRUE(IsRegistered(where.dli_fbase)) << "loading registers the module";
  Resolve<decltype(FIO_InitDriver)>("FIO_InitDriver")();  // unloading ends it
  dlclose(g_library);
  EXPECT_FALSE(IsRegistered(where.dli_fbase)) << "unloading removes it";
}

}  // namespace
