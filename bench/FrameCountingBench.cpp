// What frame counting adds to each frame event of a running preview.
// - BM_FrameEventCounting: TRavorOderiri::HandleFrameEvent with delivered frames, sample time
//   and progress counted from the frame events (the defaults), a progress handler assigned.
// - BM_FrameEventWithoutCounting: the same handler with counting off and no progress handler:
//   the reference the counting is measured against.
// - BM_FrameCopyReference: memcpy of one 640x480 RGB24 frame, the copy the grabber makes of
//   every frame, for scale.
//
// Build and run (a Release build gives meaningful numbers):
//   scripts/build build-bench -DRUDOZAV_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   build-bench/bench/frame_counting_bench

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "BenchComponent.h"
#include "rudozav/core/ComponentState.h"

namespace {

// A component in preview whose active grabber record announces a new frame at every call.
struct TCountingFixture {
  explicit TCountingFixture(bool counting) {
    TRavorOderiri& component = *bench.component;
    component.SetFrameCountMethod(counting ? fim_FrameEvent : fim_None);
    component.SetDroppedFrameCountMethod(fim_None);
    component.SetTimeCodeReaderMethod(fim_None);
    if (counting) {
      component.OnCaptureProgress = [this](TRavorOderiri*, double seconds, int delivered, int) {
        lastSeconds = seconds;
        lastDelivered = delivered;
      };
    }
    component.ChangeState(cs_Preview);
    TGraphState& graph = *component.State().graph;
    graph.graphMode = gm_Run;
    graph.activeRecord = &record;
    graph.frameEventGrabber = true;
  }
  ~TCountingFixture() {
    TGraphState& graph = *bench.component->State().graph;
    graph.activeRecord = nullptr;
    graph.graphMode = gm_Stop;
  }

  void Frame() {
    record.FrameCount.fetch_add(1);
    record.SampleTime.fetch_add(333'333);
    bench.component->HandleFrameEvent();
  }

  TBenchComponent bench{"frame_counting_bench"};
  TGrabberControl record;
  double lastSeconds = 0;
  int lastDelivered = 0;
};

void BM_FrameEventCounting(benchmark::State& state) {
  TCountingFixture fixture(true);
  for (auto _ : state)
    fixture.Frame();
  benchmark::DoNotOptimize(fixture.lastSeconds);
  state.counters["delivered"] = fixture.lastDelivered;
}

void BM_FrameEventWithoutCounting(benchmark::State& state) {
  TCountingFixture fixture(false);
  for (auto _ : state)
    fixture.Frame();
}

void BM_FrameCopyReference(benchmark::State& state) {
  std::vector<char> from(640 * 480 * 3, 1);
  std::vector<char> to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_FrameEventCounting);
BENCHMARK(BM_FrameEventWithoutCounting);
BENCHMARK(BM_FrameCopyReference);

}  // namespace

BENCHMARK_MAIN();
