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

#include <cstring>
#include <vector>

#include "com/Com.h"
#include "dshow/GraphInterfaces.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "dshow/base/Source.h"
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

class BenchSource;

// Delivers a set number of frames as fast as downstream takes them, then ends the stream.
class BenchStream final : public CSourceStream {
 public:
  explicit BenchStream(BenchSource* source);

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override {
    return IsEqualMediaType(*mediaType, FrameType().Get()) ? S_OK : S_FALSE;
  }
  HRESULT GetMediaType(int position, MediaType* mediaType) override {
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    *mediaType = FrameType();
    return S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override {
    ALLOCATOR_PROPERTIES wanted = *request;
    wanted.cBuffers = std::max<LONG>(wanted.cBuffers, 3);
    wanted.cbBuffer = std::max<LONG>(wanted.cbBuffer, static_cast<LONG>(FrameBytes()));
    ALLOCATOR_PROPERTIES actual;
    return allocator->SetProperties(&wanted, &actual);
  }

  // Application thread, while stopped.
  void SetFrames(int frames) { remaining_ = frames; }

 protected:
  HRESULT FillBuffer(IMediaSample* sample) override {
    if (remaining_ == 0) return S_FALSE;
    --remaining_;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    data[0] = static_cast<BYTE>(remaining_);  // the picture itself stays what the pool holds
    return sample->SetActualDataLength(static_cast<LONG>(FrameBytes()));
  }

 private:
  int remaining_ = 0;  // set while stopped, then the stream thread's
};

class BenchSource final : public CSource {
 public:
  BenchSource() : CSource(GUID_NULL) { stream_ = AddPin(std::make_unique<BenchStream>(this)); }
  BenchStream* Stream() { return stream_; }

 private:
  BenchStream* stream_;
};

BenchStream::BenchStream(BenchSource* source) : CSourceStream(source, "Out") {}

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

ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) {
  ComPtr<IEnumPins> pins;
  filter->EnumPins(pins.ReleaseAndGetAddressOf());
  IPin* pin = nullptr;
  ULONG fetched = 0;
  while (pins->Next(1, &pin, &fetched) == S_OK) {
    ComPtr<IPin> owned = ComPtr<IPin>::Adopt(pin);
    PIN_DIRECTION found = PINDIR_INPUT;
    owned->QueryDirection(&found);
    if (found == direction) return owned;
  }
  return nullptr;
}

void BM_GraphCopyToNullRenderer(benchmark::State& state) {
  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> renderer;
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              graph.ReleaseAndGetVoidAddress())) ||
      FAILED(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              renderer.ReleaseAndGetVoidAddress()))) {
    state.SkipWithError("the graph classes are missing");
    return;
  }
  auto source = MakeComObject<BenchSource>();
  auto transform = MakeComObject<CopyingInPlace>();
  graph->AddFilter(source.Get(), "source");
  graph->AddFilter(transform.Get(), "copy");
  graph->AddFilter(renderer.Get(), "null renderer");
  if (FAILED(graph->Connect(FirstPin(source.Get(), PINDIR_OUTPUT).Get(),
                            FirstPin(transform.Get(), PINDIR_INPUT).Get())) ||
      FAILED(graph->Connect(FirstPin(transform.Get(), PINDIR_OUTPUT).Get(),
                            FirstPin(renderer.Get(), PINDIR_INPUT).Get()))) {
    state.SkipWithError("the filters do not connect");
    return;
  }
  const auto control = graph.As<IMediaControl>();
  const auto events = graph.As<IMediaEvent>();

  const double cpuStart = ProcessCpuSeconds();
  for (auto _ : state) {
    source->Stream()->SetFrames(kFramesPerBatch);
    control->Run();
    LONG code = 0;
    events->WaitForCompletion(-1, &code);
    control->Stop();
  }
  const double cpuSeconds = ProcessCpuSeconds() - cpuStart;
  const double frames = static_cast<double>(state.iterations()) * kFramesPerBatch;
  state.counters["fps"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
  state.counters["cpu_us_per_frame"] = cpuSeconds * 1e6 / frames;
  state.SetBytesProcessed(static_cast<int64_t>(frames * static_cast<double>(FrameBytes())));
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
  const double cpuSeconds = ProcessCpuSeconds() - cpuStart;
  const double frames = static_cast<double>(state.iterations()) * kFramesPerBatch;
  state.counters["fps"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
  state.counters["cpu_us_per_frame"] = cpuSeconds * 1e6 / frames;
  state.SetBytesProcessed(static_cast<int64_t>(frames * static_cast<double>(FrameBytes())));
}

BENCHMARK(BM_GraphCopyToNullRenderer)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_PlainMemcpy)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace

int main(int argc, char** argv) {
  CoInitialize(nullptr);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  CoUninitialize();
  return 0;
}
