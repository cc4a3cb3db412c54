// The driver's read and write passes over a full KOORDIN file (255 turnpoints, 32 routes), each
// beside its floor: the same file's lines read with ReadString alone, or written with fputs alone;
// and ReadString itself beside the C library's getline. scripts/bench reports each as a multiple
// of its floor.

#include "driver/fio_api.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kTurnpoints = kFIOTurnpointCapacity;
constexpr int kRoutes = kFIORouteCapacity;
constexpr int kReadCalls = kTurnpoints + kRoutes + 1;  // the last one answers kFIOReadEnd

// A file in the temporary folder, removed when the object goes.
class TempPath {
 public:
  TempPath() {
    const char* folder = std::getenv("TMPDIR");
    path_ = std::string(folder != nullptr ? folder : "/tmp") + "/vp6fio-bench-XXXXXX";
    const int fd = mkstemp(path_.data());
    if (fd < 0) throw std::runtime_error("no temporary file");
    close(fd);
  }
  TempPath(const TempPath&) = delete;
  TempPath& operator=(const TempPath&) = delete;
  ~TempPath() { std::remove(path_.c_str()); }
  const char* get() const { return path_.c_str(); }

 private:
  std::string path_;
};

// What a host hands the writer: every turnpoint slot and every route slot used, with names of
// every length, both hemispheres, frequencies and marked turnpoints, and routes of 2 to 20 points.
struct HostData {
  std::vector<FIO_TPEntry> turnpoints;
  std::vector<FIO_Route> routes;
};

HostData MakeHostData() {
  static const char* const frequencies[] = {"", "122.500", "123.450", "130.125 Tower"};
  HostData data;
  data.turnpoints.resize(kTurnpoints);
  for (int i = 0; i < kTurnpoints; ++i) {
    FIO_TPEntry& tp = data.turnpoints[static_cast<std::size_t>(i)];
    tp.name = "Turnpoint " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 9), 'x');
    tp.latitude = static_cast<float>(-89.5 + 179.0 * i / kTurnpoints);
    tp.longitude = static_cast<float>(179.5 - 359.0 * ((i * 97) % kTurnpoints) / kTurnpoints);
    tp.altitude = (i * 37) % 3000;
    tp.frequency = frequencies[i % 4];
    tp.flags = i % 5 == 0 ? 0x300 : 1;
  }
  data.routes.resize(kRoutes);
  for (int r = 0; r < kRoutes; ++r) {
    FIO_Route& route = data.routes[static_cast<std::size_t>(r)];
    route.name = "Task " + std::to_string(r);
    const int points = 2 + r % 19;
    for (int p = 0; p < points; ++p) {
      const FIO_TPEntry& tp =
          data.turnpoints[static_cast<std::size_t>((r * 7 + p * 11) % kTurnpoints)];
      AppendRoutePoint(route, tp.name.c_str(), tp.latitude, tp.longitude, p % 4 == 3 ? 3 : 1);
    }
  }
  return data;
}

// One whole write pass, as a host makes it.
void WritePass(CHostTextFile& file, const HostData& data) {
  FIO_HeaderRequest request;
  request.stage = kFIOStageFileStart;
  FIO_WriteHeader(&file, &request);
  for (const FIO_TPEntry& tp : data.turnpoints) FIO_WriteTP(&file, &tp);
  request.stage = kFIOStageTurnpointsDone;
  FIO_WriteHeader(&file, &request);
  for (const FIO_Route& route : data.routes) FIO_WriteRoute(&file, &route);
  request.stage = kFIOStageRoutesDone;
  FIO_WriteHeader(&file, &request);
}

// The full file the write pass makes, written once for the whole run, and its lines.
struct FullFile {
  TempPath path;
  std::vector<std::string> lines;  // each with its line feed

  FullFile() {
    FIO_InitDriver();
    {
      CHostTextFile file(path.get(), CFile::modeCreate | CFile::modeWrite | CFile::typeText);
      WritePass(file, MakeHostData());
    }
    CHostTextFile file(path.get(), CFile::modeRead | CFile::typeText);
    CStringA line;
    while (file.ReadString(line)) lines.push_back(std::string(line.GetString()) + "\n");
  }
};

const FullFile& TheFile() {
  static const FullFile file;
  return file;
}

void BM_ReadPass(benchmark::State& state) {
  CHostTextFile file(TheFile().path.get(), CFile::modeRead | CFile::typeText);
  for (auto _ : state) {
    if (FIO_IsFileOfMyType(&file) != kFIOSuccess) state.SkipWithError("not recognised");
    FIO_TPEntry tp;
    FIO_Route route;
    int calls = 0;
    while (FIO_ReadObject(&file, &tp, &route) != kFIOReadEnd) ++calls;
    if (calls + 1 != kReadCalls) state.SkipWithError("not a full pass");
    benchmark::DoNotOptimize(route.points.data());
  }
}

void BM_ReadLinesFloor(benchmark::State& state) {
  CHostTextFile file(TheFile().path.get(), CFile::modeRead | CFile::typeText);
  CStringA line;
  for (auto _ : state) {
    file.Seek(0, CFile::begin);
    std::size_t lines = 0;
    while (file.ReadString(line)) ++lines;
    if (lines != TheFile().lines.size()) state.SkipWithError("not every line");
    benchmark::DoNotOptimize(line.GetString());
  }
}

void BM_GetlineFloor(benchmark::State& state) {
  FILE* stream = std::fopen(TheFile().path.get(), "r");
  char* line = nullptr;
  std::size_t capacity = 0;
  for (auto _ : state) {
    std::fseek(stream, 0, SEEK_SET);
    std::size_t lines = 0;
    while (getline(&line, &capacity, stream) >= 0) ++lines;
    if (lines != TheFile().lines.size()) state.SkipWithError("not every line");
    benchmark::DoNotOptimize(line);
  }
  std::free(line);
  std::fclose(stream);
}

void BM_WritePass(benchmark::State& state) {
  TheFile();  // the driver state, made with it
  const HostData data = MakeHostData();
  const TempPath path;
  CHostTextFile file(path.get(), CFile::modeCreate | CFile::modeWrite | CFile::typeText);
  for (auto _ : state) {
    file.Seek(0, CFile::begin);
    WritePass(file, data);
  }
}

void BM_WriteLinesFloor(benchmark::State& state) {
  const std::vector<std::string>& lines = TheFile().lines;
  const TempPath path;
  CHostTextFile file(path.get(), CFile::modeCreate | CFile::modeWrite | CFile::typeText);
  for (auto _ : state) {
    file.Seek(0, CFile::begin);
    for (const std::string& line : lines) std::fputs(line.c_str(), file.m_pStream);
  }
}

BENCHMARK(BM_ReadPass);
BENCHMARK(BM_ReadLinesFloor);
BENCHMARK(BM_GetlineFloor);
BENCHMARK(BM_WritePass);
BENCHMARK(BM_WriteLinesFloor);

}  // namespace

BENCHMARK_MAIN();
