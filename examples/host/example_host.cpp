// A host of the vp6fio driver: it loads the driver, asks what it is, writes a KOORDIN file of two
// turnpoints and a route through the exports, reads the file back and catches the driver's fault
// on a malformed one.
//
//   example_host [DRIVER] [FOLDER]   the driver library (default, or when empty: the installed
//                                    one, vp6fio.dll beside the program on Windows) and the
//                                    folder for the files it writes (default: the current one)

#include <vp6fio/fio_api.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <cstdio>
#include <string>

namespace {

// The driver's exports, looked up by name as every host does.
struct Driver {
#if defined(_WIN32)
  explicit Driver(const char* path) : library(LoadLibraryA(path)) {}
  ~Driver() {
    if (library != nullptr) FreeLibrary(library);
  }
  void* Find(const char* name) const {
    return library == nullptr ? nullptr : reinterpret_cast<void*>(GetProcAddress(library, name));
  }
  static std::string Fault() {
    return "error " + std::to_string(GetLastError());
  }
  HMODULE library;
#else
  explicit Driver(const char* path) : library(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
  ~Driver() {
    if (library != nullptr) dlclose(library);
  }
  void* Find(const char* name) const {
    return library == nullptr ? nullptr : dlsym(library, name);
  }
  static std::string Fault() {
    const char* message = dlerror();
    return message != nullptr ? message : "not a vp6fio driver";
  }
  void* library;
#endif
  template <typename Function>
  Function* Get(const char* name) const {
    return reinterpret_cast<Function*>(Find(name));
  }
};

FIO_TPEntry Turnpoint(const char* name, float latitude, float longitude, int altitude) {
  FIO_TPEntry tp;
  tp.name = name;
  tp.latitude = latitude;
  tp.longitude = longitude;
  tp.altitude = altitude;
  return tp;
}

void Write(const Driver& driver, const std::string& path) {
  auto* writeHeader = driver.Get<decltype(FIO_WriteHeader)>("FIO_WriteHeader");
  auto* writeTp = driver.Get<decltype(FIO_WriteTP)>("FIO_WriteTP");
  auto* writeRoute = driver.Get<decltype(FIO_WriteRoute)>("FIO_WriteRoute");
  const FIO_TPEntry turnpoints[] = {Turnpoint("Wasserkuppe", 50.4989F, 9.9536F, 950),
                                    Turnpoint("Dittingen", 47.4394F, 7.4956F, 361)};
  FIO_Route route;  // deletes the points it owns
  route.name = "Out and return";
  // A route's first and last points are its takeoff and landing, which the file leaves out.
  for (const char* point : {"Takeoff", "Wasserkuppe", "Dittingen", "Landing"}) {
    AppendRoutePoint(route, point, 0.0F, 0.0F, kFIOPointKindPlain);
  }

  CHostTextFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeText);
  FIO_HeaderRequest request;
  request.stage = kFIOStageFileStart;
  writeHeader(&file, &request);
  for (const FIO_TPEntry& tp : turnpoints) writeTp(&file, &tp);
  request.stage = kFIOStageTurnpointsDone;
  writeHeader(&file, &request);
  writeRoute(&file, &route);
  request.stage = kFIOStageRoutesDone;
  writeHeader(&file, &request);
  file.Close();
}

// Lists the file's turnpoints and routes; returns how many there were.
int Read(const Driver& driver, const std::string& path) {
  auto* isMine = driver.Get<decltype(FIO_IsFileOfMyType)>("FIO_IsFileOfMyType");
  auto* readObject = driver.Get<decltype(FIO_ReadObject)>("FIO_ReadObject");
  CHostTextFile file(path.c_str(), CFile::modeRead | CFile::typeText);
  if (isMine(&file) != kFIOSuccess) return 0;
  int objects = 0;
  for (;;) {
    FIO_TPEntry tp;
    FIO_Route route;
    const std::int32_t result = readObject(&file, &tp, &route);
    if (result == kFIOReadEnd) break;
    if (result == kFIOReadTurnpoint) {
      std::printf("turnpoint %3d  %-18s %9.4f %9.4f %5d m\n", tp.number, tp.name.c_str(),
                  tp.latitude, tp.longitude, tp.altitude);
      ++objects;
    } else if (result == kFIOReadRoute) {
      std::printf("route         %s:", route.name.c_str());
      for (const FIO_TPEntry* point : route.points) std::printf(" %s", point->name.c_str());
      std::printf("\n");
      ++objects;
    }
  }
  return objects;
}

}  // namespace

int main(int argc, char** argv) {
  const char* library = argc > 1 && argv[1][0] != '\0' ? argv[1] : VP6FIO_DRIVER;
  const Driver driver(library);
  if (driver.Get<void>("FIO_DriverInfo") == nullptr) {
    std::fprintf(stderr, "cannot load the driver %s: %s\n", library, Driver::Fault().c_str());
    return 1;
  }
  const std::string folder = argc > 2 ? std::string(argv[2]) + "/" : "";

  FIO_DriverInfoRecord info;
  driver.Get<decltype(FIO_DriverInfo)>("FIO_DriverInfo")(&info);
  std::printf("%s, %s: %d turnpoints, %d routes of %d points\n", info.driverName, info.version,
              info.turnpointCapacity, info.routeCapacity, info.pointsPerRoute);

  driver.Get<decltype(FIO_InitDriver)>("FIO_InitDriver")();
  const std::string path = folder + "example.lst";
  Write(driver, path);
  const int objects = Read(driver, path);

  // A malformed latitude: the driver throws FIO_Error, which the host catches by its type.
  const std::string bad = folder + "malformed.lst";
  {
    CHostTextFile file(bad.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeText);
    file.WriteString("VP6 KOORDIN Datei Peschges Variometer GmbH\nv2.0\nBroken\n5x:00:00\n");
  }
  bool caught = false;
  try {
    Read(driver, bad);
  } catch (const FIO_Error& error) {
    caught = error.code == kFIOErrorCode;
    std::printf("%s:%d: %s\n", bad.c_str(), error.line, error.message.GetString());
  }
  driver.Get<decltype(FIO_ExitDriver)>("FIO_ExitDriver")();

  const bool ok = objects == 3 && caught;
  std::printf("%s\n", ok ? "ok" : "FAILED");
  return ok ? 0 : 1;
}
