// Writing uncompressed full-HD video into an AVI file through the AVI multiplexer: a source
// pushes 1920x1080 RGB24 frames into the multiplexer, which writes them with libavformat. In the
// same run the same number of bytes is written with plain sequential write() calls of one frame
// each (the two taking turns at going first), so that the two rates stand side by side and what
// the multiplexer costs can be read off.
//
// Build and run (a Release build gives meaningful numbers):
//   scripts/build build-bench -DRUDOZAV_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   build-bench/bench/avi_mux_bench [--benchmark_min_time=...]
// The files go to $TMPDIR (else /tmp) and are removed after each batch; the figures are of the
// page cache, not the disk, unless the batch outgrows it.
// Columns: mux_MBps and write_MBps are megabytes (10^6 bytes) a second of wall time for the
// multiplexer and for plain write(); mux_vs_write is their ratio; fps the multiplexer's frames a
// second.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchGraph.h"
#include "dshow/MuxInterfaces.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace {

constexpr LONG kWidth = 1920;
constexpr LONG kHeight = 1080;
constexpr int kFramesPerBatch = 100;

MediaType FrameType() {
  return *MakeVideoMediaType(MEDIASUBTYPE_RGB24, kWidth, kHeight, kUnitsPerSecond / 30);
}

std::filesystem::path BenchDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Plain write() of count frames of size bytes into a new file; the seconds it took.
double PlainWrite(const std::string& path, const std::vector<char>& frame, int count) {
  const auto start = std::chrono::steady_clock::now();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return 0;
  for (int i = 0; i < count; ++i) {
    size_t done = 0;
    while (done < frame.size()) {
      const ssize_t written = ::write(fd, frame.data() + done, frame.size() - done);
      if (written <= 0) break;
      done += static_cast<size_t>(written);
    }
  }
  ::close(fd);
  return SecondsSince(start);
}

void BM_AviMuxUncompressed1080p(benchmark::State& state) {
  const std::filesystem::path directory = BenchDirectory();
  const std::string aviFile = (directory / "rudozav-avi-mux-bench.avi").string();
  const std::string plainFile = (directory / "rudozav-avi-mux-bench.raw").string();
  const MediaType type = FrameType();
  const std::vector<char> frame(type->lSampleSize, 0x55);
  double muxSeconds = 0;
  double writeSeconds = 0;
  for (auto _ : state) {
    bench::BenchGraph graph(type);
    ComPtr<IBaseFilter> mux;
    if (!graph.Create() || FAILED(CoCreateInstance(CLSID_AviDest, &mux)) ||
        FAILED(mux.As<IFileSinkFilter>()->SetFileName(aviFile.c_str(), nullptr)) ||
        !graph.InsertSink(mux.Get(), "AVI mux")) {
      state.SkipWithError("no AVI multiplexer");
      return;
    }
    // Each goes first every other batch, so that neither always meets the page cache the
    // other filled.
    const bool plainFirst = state.iterations() % 2 == 1;
    if (plainFirst) writeSeconds += PlainWrite(plainFile, frame, kFramesPerBatch);
    const auto start = std::chrono::steady_clock::now();
    graph.RunBatch(kFramesPerBatch);
    muxSeconds += SecondsSince(start);
    if (!plainFirst) writeSeconds += PlainWrite(plainFile, frame, kFramesPerBatch);
    std::filesystem::remove(aviFile);
    std::filesystem::remove(plainFile);
  }
  const double bytes =
      static_cast<double>(state.iterations()) * kFramesPerBatch * static_cast<double>(frame.size());
  state.counters["mux_MBps"] = bytes / muxSeconds / 1e6;
  state.counters["write_MBps"] = bytes / writeSeconds / 1e6;
  state.counters["mux_vs_write"] = writeSeconds / muxSeconds;
  state.counters["fps"] = static_cast<double>(state.iterations()) * kFramesPerBatch / muxSeconds;
}
BENCHMARK(BM_AviMuxUncompressed1080p)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return bench::RunBenchmarks(argc, argv);
}
