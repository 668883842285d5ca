// Full-HD frames through a filter graph: a source pushes 1920x1080 RGB24 frames through an
// in-place transform that copies each frame (as a frame grabber keeps the last one) into a null
// renderer. Reported next to a plain memcpy of the same frames, so that what the framework adds
// per frame (allocators, thread hand-over, delivery) can be read off directly.
//
// Build and run (a Release build gives meaningful numbers):
//   scripts/build build-bench -DRUDOZAV_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   build-bench/bench/filter_pipeline_bench
// Columns: Time is wall time and CPU the whole process's CPU time per batch of frames;
// fps is frames per second of wall time and cpu_us_per_frame the process CPU time per frame.

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "BenchGraph.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "dshow/base/TransInPlaceFilter.h"

namespace {

constexpr LONG kWidth = 1920;
constexpr LONG kHeight = 1080;
constexpr int kFramesPerBatch = 100;

MediaType FrameType() {
  return *MakeVideoMediaType(MEDIASUBTYPE_RGB24, kWidth, kHeight, kUnitsPerSecond / 30);
}

size_t FrameBytes() {
  return VideoImageSize(MEDIASUBTYPE_RGB24, kWidth, kHeight);
}

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Copies every frame into a buffer of its own and passes the sample on unchanged.
class CopyingInPlace final : public CTransInPlaceFilter {
 public:
  CopyingInPlace() : CTransInPlaceFilter(GUID_NULL), copy_(FrameBytes()) {}

  HRESULT CheckInputType(const AM_MEDIA_TYPE* mediaType) override {
    return mediaType->majortype == MEDIATYPE_Video ? S_OK : S_FALSE;
  }
  HRESULT Transform(IMediaSample* sample) override {
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    std::memcpy(copy_.data(), data, std::min(copy_.size(), size_t(sample->GetActualDataLength())));
    benchmark::DoNotOptimize(copy_.data());
    return S_OK;
  }

 private:
  std::vector<BYTE> copy_;  // streaming thread
};

// Frames per second of wall time and the process CPU time per frame since cpuStart.
void ReportFrames(benchmark::State& state, double cpuStart) {
  const double cpuSeconds = ProcessCpuSeconds() - cpuStart;
  const double frames = static_cast<double>(state.iterations()) * kFramesPerBatch;
  state.counters["fps"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
  state.counters["cpu_us_per_frame"] = cpuSeconds * 1e6 / frames;
  state.SetBytesProcessed(static_cast<int64_t>(frames * static_cast<double>(FrameBytes())));
}

void BM_GraphCopyToNullRenderer(benchmark::State& state) {
  bench::BenchGraph graph(FrameType());
  if (!graph.Create()) {
    state.SkipWithError("the graph classes are missing");
    return;
  }
  auto transform = MakeComObject<CopyingInPlace>();
  if (!graph.Insert(transform.Get(), "copy")) {
    state.SkipWithError("the filters do not connect");
    return;
  }
  const double cpuStart = ProcessCpuSeconds();
  for (auto _ : state)
    graph.RunBatch(kFramesPerBatch);
  ReportFrames(state, cpuStart);
}

void BM_PlainMemcpy(benchmark::State& state) {
  std::vector<BYTE> from(FrameBytes(), 0x5A);
  std::vector<BYTE> to(FrameBytes());
  const double cpuStart = ProcessCpuSeconds();
  for (auto _ : state) {
    for (int i = 0; i < kFramesPerBatch; ++i) {
      std::memcpy(to.data(), from.data(), to.size());
      benchmark::DoNotOptimize(to.data());
      benchmark::ClobberMemory();
    }
  }
  ReportFrames(state, cpuStart);
}

BENCHMARK(BM_GraphCopyToNullRenderer)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_PlainMemcpy)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace

int main(int argc, char** argv) {
  return bench::RunBenchmarks(argc, argv);
}
