// A Windows host of vp6fio.dll: loads the driver beside itself at run time, as a flight-planning
// program does, and uses it through its export table only. Prints one line per failed check and
// closes with "N passed, N failed"; exits with 1 when a check failed.

#include "afx/afx.h"
#include "driver/fio_api.h"
#include "koordin/layout.h"
#include "tools/wintest/export_table.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr const char* kDriverFile = "vp6fio.dll";
constexpr int kSlots = koordin::kTurnpointSlots + koordin::kRouteSlots;

// The two header lines as a Windows text stream stores them.
const std::string kHeader =
    std::string(koordin::kHeaderLine1) + "\r\n" + koordin::kHeaderLine2 + "\r\n";

int g_passed = 0;
int g_failed = 0;

void Check(bool ok, const std::string& what) {
  if (ok) {
    ++g_passed;
  } else {
    ++g_failed;
    std::printf("FAILED: %s\n", what.c_str());
  }
}

// The module whose image holds `address`, or null.
HMODULE ModuleOf(const void* address) {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      static_cast<const char*>(address), &module);
  return module;
}

bool IsRegistered(HMODULE module) {
  for (auto* entry = AfxGetFirstDynLinkLibrary(); entry != nullptr; entry = entry->m_pNextDLL) {
    if (entry->m_hModule == module) return true;
  }
  return false;
}

// A file in the temporary folder, removed when the object goes.
class TempPath {
 public:
  TempPath() {
    char folder[MAX_PATH];
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    GetTempFileNameA(folder, "vp6", 0, path);
    path_ = path;
  }
  TempPath(const TempPath&) = delete;
  TempPath& operator=(const TempPath&) = delete;
  ~TempPath() { DeleteFileA(path_.c_str()); }

  const char* path() const { return path_.c_str(); }

  std::string Read() const {
    std::string bytes;
    FILE* stream = std::fopen(path_.c_str(), "rb");
    if (stream == nullptr) return bytes;
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, stream)) > 0;) {
      bytes.append(chunk, got);
    }
    std::fclose(stream);
    return bytes;
  }

  void Write(const std::string& bytes) const {
    FILE* stream = std::fopen(path_.c_str(), "wb");
    if (stream == nullptr) return;
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fclose(stream);
  }

 private:
  std::string path_;
};

// The loaded driver and its entry points, each resolved by name.
class LoadedDriver {
 public:
  explicit LoadedDriver(HMODULE module) : module_(module) {}

  template <typename Function>
  Function* Get(const char* name) const {
    // The detour through void (*)() is the one function pointer cast GCC accepts silently.
    return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
  }

  HMODULE module() const { return module_; }

 private:
  HMODULE module_;
};

// Every function of the table resolves by name and by ordinal to the same address, and no
// ordinal outside the table resolves at all.
void CheckExportTable(const LoadedDriver& driver) {
  unsigned highest = 0;
  for (const ExportEntry& entry : kExportTable) {
    const FARPROC byName = GetProcAddress(driver.module(), entry.name);
    const FARPROC byOrdinal =
        GetProcAddress(driver.module(), MAKEINTRESOURCEA(static_cast<WORD>(entry.ordinal)));
    Check(byName != nullptr, std::string(entry.name) + " resolves by name");
    Check(byOrdinal != nullptr, std::string(entry.name) + " resolves by its ordinal");
    Check(byName == byOrdinal, std::string(entry.name) + ": name and ordinal give one address");
    if (entry.ordinal > highest) highest = entry.ordinal;
  }
  for (unsigned ordinal = 1; ordinal <= highest + 4; ++ordinal) {
    bool listed = false;
    for (const ExportEntry& entry : kExportTable) listed = listed || entry.ordinal == ordinal;
    if (listed) continue;
    Check(GetProcAddress(driver.module(), MAKEINTRESOURCEA(static_cast<WORD>(ordinal))) == nullptr,
          "unassigned ordinal " + std::to_string(ordinal) + " resolves to nothing");
  }
  // The 32-bit C decoration would be a leading underscore.
  Check(GetProcAddress(driver.module(), "_FIO_DriverInfo") == nullptr, "names are undecorated");
}

void CheckDescription(const LoadedDriver& driver) {
  FIO_DriverInfoRecord info;
  std::memset(&info, 0xFF, sizeof info);
  Check(driver.Get<decltype(FIO_DriverInfo)>("FIO_DriverInfo")(&info) == kFIOSuccess,
        "FIO_DriverInfo returns 1");
  Check(std::strcmp(info.version, "Version 1.03") == 0, "driver info: version text");
  Check(std::strcmp(info.driverName, "VP6 (Version 2)") == 0, "driver info: driver name");
  Check(std::strcmp(info.maker, "Tarnwickelmarden") == 0, "driver info: maker");
  Check(info.objectKinds == 0x249, "driver info: object kinds");
  Check(info.turnpointCapacity == kFIOTurnpointCapacity &&
            info.routeCapacity == kFIORouteCapacity && info.pointsPerRoute == kFIOPointsPerRoute,
        "driver info: capacities");
  Check(info.nameLength == kFIONameWidth && info.nameLineLength == kFIONameLineWidth,
        "driver info: name widths");
  Check(info.hostValue1 == 1 && info.hostValue3 == -1 && info.hostValue7 == 1 &&
            info.hostFlags == 0x0101,
        "driver info: host values");
  Check(info.reserved1 == 0 && info.reserved2 == 0 && info.hostValues4[0] == 0 &&
            info.hostValue5 == 0 && info.hostValue6 == 0,
        "driver info: the rest is cleared");

  char extension[8];
  Check(driver.Get<decltype(FIO_GetExtensions)>("FIO_GetExtensions")(512, extension, 8) ==
                kFIOSuccess &&
            std::strcmp(extension, "lst") == 0,
        "FIO_GetExtensions names lst");
  Check(driver.Get<decltype(FIO_GetExtensions)>("FIO_GetExtensions")(2, extension, 8) ==
            kFIONotHandled,
        "FIO_GetExtensions declines kind 2");
  char name[6];
  Check(driver.Get<decltype(FIO_TranslateFilename)>("FIO_TranslateFilename")("C:\\a\\b.lst", name,
                                                                             6) == kFIOSuccess &&
            std::strcmp(name, "C:\\a\\") == 0,
        "FIO_TranslateFilename copies bounded");

  // A host declares these with its own parameters; the C calling convention lets that pass.
  using WithArguments = std::int32_t(void*, std::int32_t, void*);
  for (const char* declined : {"FIO_ReadFDEntry", "FIO_Flight2IGC", "FIO_IGC2Flight",
                               "FIO_WriteDeclaration", "FIO_ReadDeclaration"}) {
    Check(driver.Get<WithArguments>(declined)(nullptr, 42, nullptr) == kFIONotHandled,
          std::string(declined) + " declines");
  }
}

FIO_TPEntry Turnpoint(const char* name, float latitude, float longitude, std::int32_t altitude,
                      const char* frequency, std::uint32_t flags) {
  FIO_TPEntry tp;
  tp.name = name;
  tp.latitude = latitude;
  tp.longitude = longitude;
  tp.altitude = altitude;
  tp.frequency = frequency;
  tp.flags = flags;
  return tp;
}

// The host's turnpoints and one route, written through the driver and read back.
struct Sample {
  Sample() {
    turnpoints.push_back(Turnpoint("Alpha", 50.5F, -7.25F, 120, "", 1));
    turnpoints.push_back(Turnpoint("Zell am See", 47.2925F, 12.7875F, 753, "122.500", 0x300));
    turnpoints.push_back(
        Turnpoint("Kap S\xFC"
                  "d",
                  -33.9F, 18.6F, -5, "", 1));
    route.name = "Dreieck";
    for (const char* point : {"Start", "Alpha", "Zell am See", "Ziel"}) {
      AppendRoutePoint(route, point, 0.0F, 0.0F, kFIOPointKindPlain);
    }
  }

  std::vector<FIO_TPEntry> turnpoints;
  FIO_Route route;
};

// Writes the sample through the exports, on a stream opened in text mode as a Windows host does.
void WriteSample(const LoadedDriver& driver, const Sample& sample, const char* path) {
  auto* writeHeader = driver.Get<decltype(FIO_WriteHeader)>("FIO_WriteHeader");
  auto* writeTp = driver.Get<decltype(FIO_WriteTP)>("FIO_WriteTP");
  auto* writeRoute = driver.Get<decltype(FIO_WriteRoute)>("FIO_WriteRoute");
  CHostTextFile file(path, CFile::modeCreate | CFile::modeWrite | CFile::typeText);
  FIO_HeaderRequest request;
  request.stage = kFIOStageFileStart;
  writeHeader(&file, &request);
  for (const FIO_TPEntry& tp : sample.turnpoints) writeTp(&file, &tp);
  request.stage = kFIOStageTurnpointsDone;
  writeHeader(&file, &request);
  writeRoute(&file, &sample.route);
  request.stage = kFIOStageRoutesDone;
  writeHeader(&file, &request);
  file.Close();
}

std::size_t CountOf(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// The written file has the fixed layout, its lines ending in a carriage return and a line feed.
void CheckWrittenFile(const std::string& bytes) {
  Check(bytes.rfind(kHeader, 0) == 0, "the file begins with the two header lines");
  const std::size_t lines = koordin::kFileLines;
  Check(CountOf(bytes, "\r\n") == lines, "the file has all its lines");
  Check(CountOf(bytes, "\n") == lines, "every line ends in a carriage return and a line feed");
  Check(bytes.find("Alpha              \r\n50:30:00\r\nN\r\n007:15:00\r\nW\r\n0120:0.000\r\n") !=
            std::string::npos,
        "the first turnpoint's six lines");
  Check(bytes.find("Zell am See       \xA0\r\n") != std::string::npos,
        "a marked turnpoint's name line ends in the marker byte");
  Check(bytes.find("Dreieck            \r\nAlpha              \r\nZell am See        \r\n"
                   "-------------------\r\n") != std::string::npos,
        "the route slot holds its inner points");
}

// A write to a stream opened for reading fails in the C runtime; the runtime's file exception
// reaches the host by its type, carrying the file's name.
void CheckFailedWriteThrowsFileException() {
  TempPath path;
  path.Write("");
  CHostTextFile file(path.path(), CFile::modeRead | CFile::typeText);
  bool caught = false;
  try {
    file.WriteString("no room\n");
  } catch (CFileException* e) {
    caught = true;
    Check(e->m_strFileName == path.path(), "the file exception names the file");
    e->Delete();
  }
  Check(caught, "a failed write in vp6fio-afx.dll throws CFileException* to the host");
}

// The same failure inside the driver's writer passes through the driver to the host, caught by
// the exception's own type and by its base.
void CheckFailedDriverWriteThrowsFileException(const LoadedDriver& driver) {
  TempPath path;
  path.Write("");
  CHostTextFile file(path.path(), CFile::modeRead | CFile::typeText);
  FIO_HeaderRequest request;
  request.stage = kFIOStageFileStart;
  bool caught = false;
  try {
    driver.Get<decltype(FIO_WriteHeader)>("FIO_WriteHeader")(&file, &request);
  } catch (CFileException* e) {
    caught = true;
    Check(e->m_cause == CFileException::genericException, "a failed write's cause is generic");
    Check(e->m_strFileName == path.path(), "a failed write names the file");
    e->Delete();
  }
  Check(caught, "a failed FIO_WriteHeader throws CFileException* to the host");

  caught = false;
  const FIO_TPEntry tp = Turnpoint("Alpha", 50.5F, -7.25F, 120, "", 1);
  try {
    driver.Get<decltype(FIO_WriteTP)>("FIO_WriteTP")(&file, &tp);
  } catch (CException* e) {
    caught = dynamic_cast<CFileException*>(e) != nullptr;
    e->Delete();
  }
  Check(caught, "a failed FIO_WriteTP throws a file exception the host catches as CException*");
}

// Reads the written file back through the exports: every slot in file order, then the end.
void CheckReadingBack(const LoadedDriver& driver, const Sample& sample, const char* path) {
  auto* isMine = driver.Get<decltype(FIO_IsFileOfMyType)>("FIO_IsFileOfMyType");
  auto* readObject = driver.Get<decltype(FIO_ReadObject)>("FIO_ReadObject");
  CHostTextFile file(path, CFile::modeRead | CFile::typeText);
  Check(isMine(&file) == kFIOSuccess, "FIO_IsFileOfMyType knows the written file");
  Check(file.GetPosition() == 0, "FIO_IsFileOfMyType leaves the file at its beginning");

  std::vector<FIO_TPEntry> turnpoints;
  std::vector<FIO_Route> routes;
  int empty = 0;
  int other = 0;
  for (int slot = 0; slot < kSlots; ++slot) {
    FIO_TPEntry tp;
    FIO_Route route;
    switch (readObject(&file, &tp, &route)) {
      case kFIOReadTurnpoint:
        turnpoints.push_back(tp);
        break;
      case kFIOReadRoute:
        routes.push_back(std::move(route));
        break;
      case kFIOReadEmptySlot:
        ++empty;
        break;
      default:
        ++other;
    }
  }
  FIO_TPEntry unusedTp;
  FIO_Route unusedRoute;
  Check(readObject(&file, &unusedTp, &unusedRoute) == kFIOReadEnd,
        "after the last slot FIO_ReadObject ends");
  Check(turnpoints.size() == sample.turnpoints.size() && routes.size() == 1 && other == 0 &&
            empty == kSlots - 1 - static_cast<int>(sample.turnpoints.size()),
        "every slot reads back as written or empty");

  for (std::size_t i = 0; i < turnpoints.size() && i < sample.turnpoints.size(); ++i) {
    const FIO_TPEntry& got = turnpoints[i];
    const FIO_TPEntry& sent = sample.turnpoints[i];
    const std::string what = "turnpoint " + sent.name + " reads back: ";
    constexpr float kHalfSecond = 0.5F / 3600.0F + 1e-5F;
    Check(got.number == static_cast<std::int32_t>(i) + 1, what + "number");
    Check(got.name == sent.name, what + "name");
    Check(std::fabs(got.latitude - sent.latitude) <= kHalfSecond &&
              std::fabs(got.longitude - sent.longitude) <= kHalfSecond,
          what + "coordinates");
    Check(got.altitude == sent.altitude, what + "altitude");
    Check(got.frequency == (sent.frequency.empty() ? koordin::kEmptyFrequency : sent.frequency),
          what + "frequency");
    Check(got.flags == ((sent.flags & koordin::kMarkerFlagsMask) != 0 ? koordin::kMarkedFlags : 1U),
          what + "flags");
  }
  if (routes.empty()) return;

  FIO_Route& route = routes.front();
  Check(route.name == sample.route.name, "the route's name reads back");
  const std::size_t inner = sample.route.points.size() - 2;
  Check(route.points.size() == inner, "the route reads back with its inner points");
  for (std::size_t i = 0; i < route.points.size() && i < inner; ++i) {
    const FIO_TPEntry* point = route.points[i];
    Check(point->name == sample.route.points[i + 1]->name, "route point " + point->name);
    // The point was made inside the driver: its virtual destructor is the driver's.
    Check(ModuleOf(*reinterpret_cast<void* const*>(point)) == driver.module(),
          "route point " + point->name + " is the driver's object");
  }
  route.ClearPoints();  // deletes the driver's points while the driver is loaded
  Check(route.points.empty(), "the host deletes the route points the driver created");
}

// Malformed input raises FIO_Error inside the driver; the host catches it by its type.
void CheckMalformedFilesThrowFIO_Error(const LoadedDriver& driver) {
  struct Case {
    const char* what;
    std::string bytes;
    bool recognition;  // raised by FIO_IsFileOfMyType, else by FIO_ReadObject
    const char* message;
    std::int32_t line;
  };
  const Case cases[] = {
      {"an over-long first line", std::string(201, 'x') + "\r\n", true, "", 1},
      {"a bad latitude", kHeader + "Alpha\r\n5x:30:00\r\nN\r\n", false, "bad latitude", 4},
      {"a bad longitude", kHeader + "Alpha\r\n50:30:00\r\nN\r\n\r\nW\r\n0120:0.000\r\n", false,
       "bad longtiude", 6},
  };
  auto* isMine = driver.Get<decltype(FIO_IsFileOfMyType)>("FIO_IsFileOfMyType");
  auto* readObject = driver.Get<decltype(FIO_ReadObject)>("FIO_ReadObject");
  for (const Case& c : cases) {
    TempPath path;
    path.Write(c.bytes);
    CHostTextFile file(path.path(), CFile::modeRead | CFile::typeText);
    FIO_TPEntry tp;
    FIO_Route route;
    bool caught = false;
    try {
      if (c.recognition) {
        isMine(&file);
      } else {
        readObject(&file, &tp, &route);
      }
    } catch (const FIO_Error& e) {
      caught = true;
      Check(e.message == c.message && e.line == c.line && e.code == kFIOErrorCode &&
                e.info == kFIOErrorInfo,
            std::string(c.what) + ": FIO_Error carries message, line, code and info");
    }
    Check(caught, std::string(c.what) + ": the host catches FIO_Error by its type");
  }
}

void CheckWritingAndReading(const LoadedDriver& driver) {
  const Sample sample;
  TempPath path;
  driver.Get<decltype(FIO_InitDriver)>("FIO_InitDriver")();
  WriteSample(driver, sample, path.path());
  CheckWrittenFile(path.Read());
  CheckReadingBack(driver, sample, path.path());
  CheckMalformedFilesThrowFIO_Error(driver);
  CheckFailedDriverWriteThrowsFileException(driver);
}

// Prints the closing line; the program's exit status.
int Finish() {
  std::printf("%d passed, %d failed\n", g_passed, g_failed);
  return g_failed == 0 ? 0 : 1;
}

// Reads the KOORDIN file `in` through the driver and writes its turnpoints and routes to `out`
// as a Windows host does, so that a file written elsewhere can be compared with the DLL's.
int Rewrite(const LoadedDriver& driver, const char* in, const char* out) {
  auto* isMine = driver.Get<decltype(FIO_IsFileOfMyType)>("FIO_IsFileOfMyType");
  auto* readObject = driver.Get<decltype(FIO_ReadObject)>("FIO_ReadObject");
  std::vector<FIO_TPEntry> turnpoints;
  std::vector<FIO_Route> routes;
  {
    CHostTextFile file(in, CFile::modeRead | CFile::typeText);
    if (isMine(&file) != 1) return 1;
    driver.Get<decltype(FIO_InitDriver)>("FIO_InitDriver")();
    for (;;) {
      FIO_TPEntry tp;
      FIO_Route read;
      const std::int32_t result = readObject(&file, &tp, &read);
      if (result == -1) break;
      if (result == 1) turnpoints.push_back(tp);
      if (result != 2) continue;
      FIO_Route route;  // the inner points between an empty takeoff and landing
      route.name = read.name;
      AppendRoutePoint(route, "", 0.0F, 0.0F, 1);
      for (const FIO_TPEntry* point : read.points) {
        AppendRoutePoint(route, point->name.c_str(), 0.0F, 0.0F, 1);
      }
      AppendRoutePoint(route, "", 0.0F, 0.0F, 1);
      read.ClearPoints();
      routes.push_back(std::move(route));
    }
  }
  auto* writeHeader = driver.Get<decltype(FIO_WriteHeader)>("FIO_WriteHeader");
  CHostTextFile file(out, CFile::modeCreate | CFile::modeWrite | CFile::typeText);
  FIO_HeaderRequest request;
  request.stage = 3;
  writeHeader(&file, &request);
  for (const FIO_TPEntry& tp : turnpoints)
    driver.Get<decltype(FIO_WriteTP)>("FIO_WriteTP")(&file, &tp);
  request.stage = 2;
  writeHeader(&file, &request);
  for (const FIO_Route& route : routes) {
    driver.Get<decltype(FIO_WriteRoute)>("FIO_WriteRoute")(&file, &route);
  }
  request.stage = 4;
  writeHeader(&file, &request);
  file.Close();
  std::printf("%s: %d turnpoints, %d routes\n", out, static_cast<int>(turnpoints.size()),
              static_cast<int>(routes.size()));
  return 0;
}

}  // namespace

// Without arguments: the checks. With "--rewrite IN OUT": IN read and written anew as OUT.
int main(int argc, char** argv) {
  HMODULE module = LoadLibraryA(kDriverFile);
  if (argc == 4 && std::strcmp(argv[1], "--rewrite") == 0) {
    return module == nullptr ? 1 : Rewrite(LoadedDriver(module), argv[2], argv[3]);
  }
  Check(module != nullptr, "LoadLibrary finds vp6fio.dll beside the program");
  if (module == nullptr) return Finish();
  const LoadedDriver driver(module);
  Check(IsRegistered(module), "loading registers the driver as an extension module");

  CheckExportTable(driver);
  if (g_failed > 0) return Finish();  // an entry point that is missing cannot be called
  CheckDescription(driver);
  CheckFailedWriteThrowsFileException();
  CheckWritingAndReading(driver);

  // Unloading with a driver state: the library's detach ends it.
  driver.Get<decltype(FIO_InitDriver)>("FIO_InitDriver")();
  Check(FreeLibrary(module) != FALSE, "FreeLibrary unloads the driver");
  Check(GetModuleHandleA(kDriverFile) == nullptr, "the driver has left the process");
  Check(!IsRegistered(module), "unloading removes the driver's extension module entry");
  return Finish();
}
