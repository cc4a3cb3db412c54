// The least a host does to write a KOORDIN file: it loads the driver, resolves the exports it
// calls, and writes the turnpoints and routes compiled into it (those koordin writes from the
// benchmark's CUP file) with CR LF line ends, as koordin does. It reads nothing; scripts/bench
// times koordin convert against it.
//
//   minimal_host DRIVER OUTPUT

#include "bench/listing.h"  // generated: kTurnpoints, kRoutes
#include "driver/fio_api.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace {

template <typename Function>
Function* Resolve(void* library, const char* name) {
  auto* function = reinterpret_cast<Function*>(dlsym(library, name));
  if (function == nullptr) {
    std::fprintf(stderr, "minimal_host: no %s in the driver\n", name);
    std::exit(1);
  }
  return function;
}

// Writes `bytes` to `path` with every LF ended as CR LF.
bool WriteWithCrLf(const char* bytes, std::size_t size, const char* path) {
  std::FILE* out = std::fopen(path, "wb");
  if (out == nullptr) return false;
  std::size_t from = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (bytes[i] != '\n' || (i > 0 && bytes[i - 1] == '\r')) continue;
    std::fwrite(bytes + from, 1, i - from, out);
    std::fputs("\r\n", out);
    from = i + 1;
  }
  std::fwrite(bytes + from, 1, size - from, out);
  return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: minimal_host DRIVER OUTPUT\n");
    return 2;
  }
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    std::fprintf(stderr, "minimal_host: %s\n", dlerror());
    return 1;
  }
  auto* initDriver = Resolve<decltype(FIO_InitDriver)>(library, "FIO_InitDriver");
  auto* exitDriver = Resolve<decltype(FIO_ExitDriver)>(library, "FIO_ExitDriver");
  auto* writeHeader = Resolve<decltype(FIO_WriteHeader)>(library, "FIO_WriteHeader");
  auto* writeTp = Resolve<decltype(FIO_WriteTP)>(library, "FIO_WriteTP");
  auto* writeRoute = Resolve<decltype(FIO_WriteRoute)>(library, "FIO_WriteRoute");

  char* bytes = nullptr;
  std::size_t size = 0;
  {
    std::FILE* memory = open_memstream(&bytes, &size);
    if (memory == nullptr) return 1;
    CHostTextFile file(memory);
    initDriver();
    FIO_HeaderRequest request;
    request.stage = kFIOStageFileStart;
    writeHeader(&file, &request);
    for (const ListedTurnpoint& listed : kTurnpoints) {
      FIO_TPEntry tp;
      tp.name = listed.name;
      tp.latitude = static_cast<float>(listed.latitude);
      tp.longitude = static_cast<float>(listed.longitude);
      tp.altitude = listed.altitude;
      tp.frequency = listed.frequency;
      if (listed.marked) tp.flags = 0x300;  // asks for the marker
      writeTp(&file, &tp);
    }
    request.stage = kFIOStageTurnpointsDone;
    writeHeader(&file, &request);
    for (const ListedRoute& listed : kRoutes) {
      FIO_Route route;
      route.name = listed.name;
      // The driver leaves out a route's first and last points, its takeoff and landing.
      AppendRoutePoint(route, "", 0.0F, 0.0F, kFIOPointKindPlain);
      for (int i = 0; i < listed.pointCount; ++i) {
        AppendRoutePoint(route, listed.points[i], 0.0F, 0.0F, kFIOPointKindPlain);
      }
      AppendRoutePoint(route, "", 0.0F, 0.0F, kFIOPointKindPlain);
      writeRoute(&file, &route);
    }
    request.stage = kFIOStageRoutesDone;
    writeHeader(&file, &request);
    exitDriver();
    std::fclose(memory);
  }
  const bool written = WriteWithCrLf(bytes, size, argv[2]);
  std::free(bytes);
  dlclose(library);
  if (!written) {
    std::perror(argv[2]);
    return 1;
  }
  return 0;
}
