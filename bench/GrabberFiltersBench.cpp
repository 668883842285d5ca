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

#include "BenchGraph.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
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

bool RegisterInplaceGrabber() {
  void* module = dlopen(RUDOZAV_INPLGRBR_MODULE, RTLD_NOW | RTLD_LOCAL);
  auto registerServer = module != nullptr
                            ? reinterpret_cast<HRESULT (*)()>(dlsym(module, "DllRegisterServer"))
                            : nullptr;
  return registerServer != nullptr && SUCCEEDED(registerServer());
}

// range(0): 1 draws the caption into every frame.
void BM_InplaceGrabber(benchmark::State& state) {
  bench::BenchGraph graph(FrameType());
  ComPtr<IBaseFilter> grabber;
  if (!RegisterInplaceGrabber() || !graph.Create() ||
      FAILED(CoCreateInstance(CLSID_InplGrabber, &grabber))) {
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

  if (!graph.Insert(grabber.Get(), " Frame Grabber")) {
    state.SkipWithError("the filters do not connect");
    return;
  }
  for (auto _ : state)
    graph.RunBatch(kFramesPerBatch);
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
  const int code = bench::RunBenchmarks(argc, argv);
  std::filesystem::remove(store);
  return code;
}
