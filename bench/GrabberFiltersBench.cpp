// The grabber filter modules' per-frame cost.
// - BM_HalfSizeWalk: the deinterlacer's picture walk for 720x576 and 1920x1080 RGB24 frames,
//   next to BM_FrameMemcpy, a plain copy of the same input frames.
// - BM_InplaceGrabber: 1080p RGB24 frames through a graph with the in-place grabber (copying
//   every frame, with and without the caption) into a null renderer, loaded from its module.
//
// Build and run (a Release build gives meaningful numbers):
//   scripts/build build-bench -DRUDOZAV_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   build-bench/bench/grabber_filters_bench
// The module registers itself in a registry database of its own in a temporary folder.

#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "com/Com.h"
#include "dshow/GraphInterfaces.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "dshow/base/Source.h"
#include "filters/common/GrabberClasses.h"
#include "filters/common/GrabberControl.h"
#include "filters/trnfgrbr/HalfSizeWalk.h"
#include "gdi/Gdi.h"

namespace {

constexpr int kFramesPerBatch = 50;

// ---- The picture walk -------------------------------------------------------------------------

void BM_HalfSizeWalk(benchmark::State& state) {
  const auto geometry = MakeHalfSizeGeometry(static_cast<LONG>(state.range(0)),
                                             static_cast<LONG>(state.range(1)), 24);
  std::vector<BYTE> in(geometry.InputBytes(), 0x5A);
  std::vector<BYTE> out(geometry.OutputBytes());
  int phase = 0;
  for (auto _ : state) {
    WalkHalfSize(geometry, in.data(), out.data(), phase);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * geometry.InputBytes());
}

void BM_FrameMemcpy(benchmark::State& state) {
  const DWORD bytes =
      DibImageSize(static_cast<LONG>(state.range(0)), static_cast<LONG>(state.range(1)), 24);
  std::vector<BYTE> from(bytes, 0x5A);
  std::vector<BYTE> to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
}

BENCHMARK(BM_HalfSizeWalk)->Args({720, 576})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameMemcpy)->Args({720, 576})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

// ---- The in-place grabber in a graph ----------------------------------------------------------

MediaType FrameType() {
  return *MakeVideoMediaType(MEDIASUBTYPE_RGB24, 1920, 1080, kUnitsPerSecond / 30);
}

// Delivers a set number of frames as fast as downstream takes them, then ends the stream.
class BenchStream final : public CSourceStream {
 public:
  explicit BenchStream(CSource* source) : CSourceStream(source, "Out") {}

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
    wanted.cbBuffer = std::max<LONG>(wanted.cbBuffer, static_cast<LONG>(FrameType()->lSampleSize));
    ALLOCATOR_PROPERTIES actual;
    return allocator->SetProperties(&wanted, &actual);
  }
  // Application thread, while stopped.
  void SetFrames(int frames) { remaining_ = frames; }

 protected:
  HRESULT FillBuffer(IMediaSample* sample) override {
    if (remaining_ == 0) return S_FALSE;
    --remaining_;
    return sample->SetActualDataLength(static_cast<LONG>(FrameType()->lSampleSize));
  }

 private:
  int remaining_ = 0;
};

class BenchSource final : public CSource {
 public:
  BenchSource() : CSource(GUID_NULL) { stream_ = AddPin(std::make_unique<BenchStream>(this)); }
  BenchStream* Stream() { return stream_; }

 private:
  BenchStream* stream_;
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

bool RegisterInplaceGrabber() {
  void* module = dlopen(RUDOZAV_INPLGRBR_MODULE, RTLD_NOW | RTLD_LOCAL);
  auto registerServer = module != nullptr
                            ? reinterpret_cast<HRESULT (*)()>(dlsym(module, "DllRegisterServer"))
                            : nullptr;
  return registerServer != nullptr && SUCCEEDED(registerServer());
}

// range(0): 1 draws the caption into every frame.
void BM_InplaceGrabber(benchmark::State& state) {
  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> grabber;
  ComPtr<IBaseFilter> renderer;
  if (!RegisterInplaceGrabber() || FAILED(CoCreateInstance(CLSID_FilterGraph, &graph)) ||
      FAILED(CoCreateInstance(CLSID_InplGrabber, &grabber)) ||
      FAILED(CoCreateInstance(CLSID_NullRenderer, &renderer))) {
    state.SkipWithError("the grabber module or the graph classes are missing");
    return;
  }
  TGrabberControl* record = nullptr;
  grabber.As<IGrabberControl>()->GetControlRecord(&record);
  record->Mode = kModeFrameGrabber;
  record->CopyFrames = 1;
  record->CheckInputFormat = 1;
  record->RequiredSubtype = &MEDIASUBTYPE_RGB24;
  static const char kCaption[] = "2024-01-01 12:00:00 Kamera 1";
  record->Text = kCaption;
  record->TextLength = static_cast<LONG>(std::strlen(kCaption));
  record->TextRect = RECT{5, 5, 1910, 1070};
  record->TextFont.lfHeight = -32;
  record->TextColor = 0x00FFFFFF;
  record->TextFormat = DT_LEFT | DT_BOTTOM | DT_SINGLELINE;
  record->TextEnabled = state.range(0) != 0 ? 1 : 0;

  auto source = MakeComObject<BenchSource>();
  graph->AddFilter(source.Get(), "source");
  graph->AddFilter(grabber.Get(), " Frame Grabber");
  graph->AddFilter(renderer.Get(), "null renderer");
  if (FAILED(graph->Connect(FirstPin(source.Get(), PINDIR_OUTPUT).Get(),
                            FirstPin(grabber.Get(), PINDIR_INPUT).Get())) ||
      FAILED(graph->Connect(FirstPin(grabber.Get(), PINDIR_OUTPUT).Get(),
                            FirstPin(renderer.Get(), PINDIR_INPUT).Get()))) {
    state.SkipWithError("the filters do not connect");
    return;
  }
  const auto control = graph.As<IMediaControl>();
  const auto events = graph.As<IMediaEvent>();
  for (auto _ : state) {
    source->Stream()->SetFrames(kFramesPerBatch);
    control->Run();
    LONG code = 0;
    events->WaitForCompletion(-1, &code);
    control->Stop();
  }
  const double frames = static_cast<double>(state.iterations()) * kFramesPerBatch;
  state.counters["fps"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
  state.counters["ms_per_frame"] =
      benchmark::Counter(frames, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_InplaceGrabber)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  // The module registers in a store of its own; text is drawn without a display.
  const auto store = std::filesystem::temp_directory_path() / "rudozav-grabber-bench.db";
  setenv("RUDOZAV_REGISTRY", store.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication application(argc, argv);
  CoInitialize(nullptr);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  CoUninitialize();
  std::filesystem::remove(store);
  return 0;
}
