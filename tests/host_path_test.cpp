// The driver as a host meets it: the built library loaded at run time, every export found by
// name, each called through a pointer of the host's own declaration.

#include "afx/afx_module.h"
#include "driver/fio_api.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The names of the ordinal table, which lists every function the library exports.
std::vector<std::string> OrdinalTableNames() {
  std::ifstream def(VP6FIO_SOURCE_DIR "/driver/vp6fio.def");
  std::vector<std::string> names;
  for (std::string line; std::getline(def, line);) {
    std::istringstream words(line);
    std::string name;
    if (words >> name && name.rfind("FIO_", 0) == 0) names.push_back(name);
  }
  return names;
}

bool IsRegistered(HMODULE module) {
  for (auto* entry = AfxGetFirstDynLinkLibrary(); entry != nullptr; entry = entry->m_pNextDLL) {
    if (entry->m_hModule == module) return true;
  }
  return false;
}

class HostPath : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = dlopen(VP6FIO_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
  }
  void TearDown() override {
    if (library_ != nullptr) dlclose(library_);
  }

  template <typename Function>
  Function* Resolve(const char* name) {
    return reinterpret_cast<Function*>(dlsym(library_, name));
  }

  void* library_ = nullptr;
};

TEST_F(HostPath, EveryExportOfTheTableResolvesByName) {
  const std::vector<std::string> names = OrdinalTableNames();
  ASSERT_FALSE(names.empty());
  for (const std::string& name : names) {
    EXPECT_NE(dlsym(library_, name.c_str()), nullptr) << name;
  }
}

TEST_F(HostPath, DescribesItselfAndManagesItsState) {
  FIO_DriverInfoRecord info;
  ASSERT_EQ(Resolve<decltype(FIO_DriverInfo)>("FIO_DriverInfo")(&info), 1);
  EXPECT_STREQ(info.driverName, "VP6 (Version 2)");

  char extension[8];
  EXPECT_EQ(Resolve<decltype(FIO_GetExtensions)>("FIO_GetExtensions")(64, extension, 8), 1);
  EXPECT_STREQ(extension, "lst");

  char name[16];
  EXPECT_EQ(Resolve<decltype(FIO_TranslateFilename)>("FIO_TranslateFilename")("a.lst", name, 16),
            1);
  EXPECT_STREQ(name, "a.lst");

  Resolve<decltype(FIO_InitDriver)>("FIO_InitDriver")();
  Resolve<decltype(FIO_InitDriver)>("FIO_InitDriver")();
  Resolve<decltype(FIO_ExitDriver)>("FIO_ExitDriver")();
  Resolve<decltype(FIO_ExitDriver)>("FIO_ExitDriver")();
}

TEST_F(HostPath, DeclinedEntryPointsIgnoreWhatTheHostPasses) {
  // A host declares these with its own parameters; the C calling convention lets that pass.
  using WithArguments = std::int32_t(void*, std::int32_t, void*);
  for (const char* name : {"FIO_ReadFDEntry", "FIO_Flight2IGC", "FIO_IGC2Flight",
                           "FIO_WriteDeclaration", "FIO_ReadDeclaration"}) {
    EXPECT_EQ(Resolve<WithArguments>(name)(nullptr, 42, nullptr), -1) << name;
  }
}

TEST_F(HostPath, LoadRegistersTheModuleAndUnloadRemovesIt) {
  Dl_info info{};
  ASSERT_NE(dladdr(dlsym(library_, "FIO_DriverInfo"), &info), 0);
  EXPECT_TRUE(IsRegistered(info.dli_fbase));
  Resolve<decltype(FIO_InitDriver)>("FIO_InitDriver")();  // unload ends the state (ASan: no leak)
  dlclose(library_);
  library_ = nullptr;
  EXPECT_FALSE(IsRegistered(info.dli_fbase));
}

}  // namespace
