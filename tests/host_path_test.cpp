// The driver as a host meets it: loaded at run time, each export called through a pointer.

#include "afx/afx_module.h"
#include "driver/fio_api.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

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

// A route record declared as the driver documents it, not taken from records/route.h: two 32-bit
// host values, the name, the points. The driver must find name and points where this puts them.
struct DocumentedRoute {
  DocumentedRoute() = default;
  DocumentedRoute(const DocumentedRoute&) = delete;
  DocumentedRoute& operator=(const DocumentedRoute&) = delete;
  ~DocumentedRoute() {
    for (FIO_TPEntry* point : points) delete point;
  }
  std::uint32_t hostValue1 = 0x11111111;
  std::uint32_t hostValue2 = 0x22222222;
  std::string name;
  std::vector<FIO_TPEntry*> points;
};

TEST(HostPath, ARouteRecordDeclaredAsDocumentedIsWrittenAndReadThroughTheExports) {
  void* library = dlopen(VP6FIO_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  g_library = library;
  auto* writeHeader = Resolve<decltype(FIO_WriteHeader)>("FIO_WriteHeader");
  auto* writeRoute = Resolve<decltype(FIO_WriteRoute)>("FIO_WriteRoute");
  auto* readObject = Resolve<decltype(FIO_ReadObject)>("FIO_ReadObject");
  Resolve<decltype(FIO_InitDriver)>("FIO_InitDriver")();
  {  // the driver's points are deleted while the driver is loaded
    DocumentedRoute sent;
    sent.name = "Dreieck";
    for (const char* name : {"Start", "Alpha", "Beta", "Ziel"}) {
      sent.points.push_back(new FIO_TPEntry);
      sent.points.back()->name = name;
    }
    const std::string path = ::testing::TempDir() + "documented_route.lst";
    {
      CHostTextFile out(path.c_str(), CFile::modeCreate | CFile::modeWrite);
      for (const std::int32_t stage : {kFIOStageFileStart, kFIOStageTurnpointsDone}) {
        const FIO_HeaderRequest request{0, stage};
        writeHeader(&out, &request);
      }
      writeRoute(&out, reinterpret_cast<const FIO_Route*>(&sent));
    }

    CHostTextFile in(path.c_str(), CFile::modeRead | CFile::typeText);
    DocumentedRoute got;
    FIO_TPEntry tp;
    std::int32_t result = kFIOReadEmptySlot;
    for (int slot = 0; slot <= kFIOTurnpointCapacity && result != kFIOReadRoute; ++slot) {
      result = readObject(&in, &tp, reinterpret_cast<FIO_Route*>(&got));
    }
    EXPECT_EQ(result, kFIOReadRoute);
    EXPECT_EQ(got.name, "Dreieck");
    std::string names;
    for (const FIO_TPEntry* point : got.points) names += point->name + "|";
    EXPECT_EQ(names, "Alpha|Beta|") << "the first and the last point are not written";
    EXPECT_EQ(std::make_pair(got.hostValue1, got.hostValue2),
              std::make_pair(0x11111111U, 0x22222222U))
        << "the host's values are untouched";
    in.Close();
    std::remove(path.c_str());
  }
  Resolve<decltype(FIO_ExitDriver)>("FIO_ExitDriver")();
  dlclose(library);
}

}  // namespace
