// What the ALSA capture path costs per second of 48 kHz stereo 16-bit sound, each figure next to
// its floor measured in the same run, before and after it (this machine's speed drifts, so only
// the ratios travel):
// - BM_AlsaFakeToNullRenderer: an unpaced in-memory capture device (FakeAlsa) -> AlsaCaptureFilter
//   -> the null renderer in a running graph, capturing as fast as the fake gives sound. cpu_us:
//   the process CPU time, all threads, per second of sound captured. fake_us: the fake's own
//   part of that, its Wait, Read and Timestamp for a second of sound, measured alone on the
//   benchmark's thread with the graph stopped (before and after it ran), not inside the graph,
//   where timing each call would add two thread-clock system calls per call to what is
//   measured. The fake is given samples, so it makes no tone (a sin(3) per frame, far dearer
//   than the rest); what remains is a mutex per call and a loop that copies the samples one
//   four-byte frame at a time with a modulo each. path_us = cpu_us - fake_us: the capture path
//   and the graph.
// - BM_AlsaLibasoundToNullRenderer: the same through libasound itself, over a private
//   configuration written at start (ALSA_CONFIG_PATH): a file PCM reading /dev/zero over a null
//   PCM, so that no sound card is needed. alsa_us: libasound's Wait, Read and Timestamp for a
//   second of sound alone, as fake_us above. Most of it is the file plugin's two system calls
//   per period, a read(2) of /dev/zero and a write(2) of what it captured to its output file
//   (/dev/null; libasound opens no file PCM without one), which a card's PCM does not make.
// ref_us: memcpy of one second of the sound (192000 bytes) from one buffer in 20 ms pieces (3840
// bytes, a period, as the pin reads them) into four period buffers in turn (the pin's samples).
// ratio = cpu_us / ref_us; ratio_path = path_us / ref_us. sound_x: seconds of sound captured per
// second of wall time. allocs: operator new calls per period (20 ms sample) outside the device's
// calls (the capture path and the graph); dev_allocs: those inside the device's calls (libasound
// allocates with malloc, which is not counted). Every figure is process CPU time
// (CLOCK_PROCESS_CPUTIME_ID) in microseconds per second of sound. The Time and CPU columns are
// per batch: a second of sound and what arrives while the benchmark's thread wakes, so more.
//
// Build and run (RelWithDebInfo is the default build type):
//   cmake -S . -B build -G Ninja -DRUDOZAV_BENCH=ON
//   cmake --build build --target alsa_capture_bench
//   build/bench/alsa_capture_bench --benchmark_repetitions=3
//       --benchmark_report_aggregates_only=true

#include <alsa/asoundlib.h>
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "BenchGraph.h"
#include "BenchSupport.h"
#include "devices/alsa/AlsaCaptureFilter.h"
#include "devices/alsa/FakeAlsa.h"
#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"
#include "dshow/graph/PinQueries.h"

namespace {

constexpr unsigned kRate = 48000;
constexpr unsigned kChannels = 2;
constexpr unsigned kFrameBytes = kChannels * 2;
constexpr unsigned kPeriodFrames = kRate / 50;  // 20 ms, as the pin reads
constexpr std::size_t kSecondBytes = std::size_t{kRate} * kFrameBytes;
constexpr std::size_t kPeriodBytes = std::size_t{kPeriodFrames} * kFrameBytes;
constexpr int kSampleBuffers = 4;       // what AlsaAudioPin asks its allocator for
constexpr int kReferenceSeconds = 200;  // seconds of sound each memcpy reference copies
constexpr int kAloneSeconds = 20;       // seconds of sound each device-alone measurement reads
constexpr char kFakePcm[] = "hw:CARD=Bench,DEV=0";
constexpr char kFilePcm[] = "rudozav_bench_zero";

// memcpy of a second of sound in periods into the sample buffers in turn, per second.
double MemcpyUsPerSecond() {
  std::vector<std::uint8_t> from(kSecondBytes, 0x5A);
  std::vector<std::vector<std::uint8_t>> to(kSampleBuffers,
                                            std::vector<std::uint8_t>(kPeriodBytes));
  int next = 0;
  return bench::CpuUsPerCall(kReferenceSeconds, [&](int) {
    for (std::size_t offset = 0; offset < kSecondBytes; offset += kPeriodBytes) {
      std::uint8_t* into = to[next].data();
      next = (next + 1) % kSampleBuffers;
      std::memcpy(into, from.data() + offset, kPeriodBytes);
      benchmark::DoNotOptimize(into);
      benchmark::ClobberMemory();
    }
  });
}

class CountingAlsa;

// A device's capture with its allocations counted apart, and the frames it hands out counted
// for a waiter.
class CountedCapture final : public AlsaCapture {
 public:
  CountedCapture(std::unique_ptr<AlsaCapture> inner, CountingAlsa& owner)
      : inner_(std::move(inner)), owner_(owner) {}

  bool Accepts(PcmSampleFormat format, unsigned channels, unsigned rate) override {
    return inner_->Accepts(format, channels, rate);
  }
  int SetParams(PcmSampleFormat format, unsigned channels, unsigned rate, unsigned periodFrames,
                unsigned periods) override {
    return inner_->SetParams(format, channels, rate, periodFrames, periods);
  }
  int Start() override { return inner_->Start(); }
  int Wait(int timeoutMs) override {
    bench::InsideFake inside;
    return inner_->Wait(timeoutMs);
  }
  long Read(void* data, unsigned long frames) override;
  int Timestamp(std::int64_t* monotonicNs, long* available) override {
    bench::InsideFake inside;
    return inner_->Timestamp(monotonicNs, available);
  }
  int Recover(int error) override { return inner_->Recover(error); }
  int Drop() override { return inner_->Drop(); }

 private:
  const std::unique_ptr<AlsaCapture> inner_;
  CountingAlsa& owner_;
};

// An ALSA whose captures count the frames they read; the benchmark's thread waits for them.
class CountingAlsa final : public AlsaApi {
 public:
  explicit CountingAlsa(std::shared_ptr<AlsaApi> inner) : inner_(std::move(inner)) {}

  std::unique_ptr<AlsaPcm> OpenPlayback(const std::string& device, int* error) override {
    return inner_->OpenPlayback(device, error);
  }
  std::unique_ptr<AlsaCapture> OpenCapture(const std::string& device, int* error) override {
    auto capture = inner_->OpenCapture(device, error);
    if (!capture) return nullptr;
    return std::make_unique<CountedCapture>(std::move(capture), *this);
  }
  std::vector<AlsaCaptureDeviceInfo> CaptureDevices() override { return inner_->CaptureDevices(); }

  // Streaming thread: frames were read.
  void Add(long frames) {
    const long long total = frames_.fetch_add(frames, std::memory_order_relaxed) + frames;
    if (total < target_.load(std::memory_order_relaxed)) return;
    std::lock_guard lock(mutex_);
    arrived_.notify_one();
  }

  long long Frames() const { return frames_.load(); }

  // Waits until count more frames have been read; false after a generous deadline.
  bool WaitForMore(long long count) {
    std::unique_lock lock(mutex_);
    target_.store(frames_.load() + count);
    const bool arrived = arrived_.wait_for(lock, std::chrono::seconds(30),
                                           [&] { return frames_.load() >= target_.load(); });
    target_.store(kNever);
    return arrived;
  }

 private:
  static constexpr long long kNever = std::numeric_limits<long long>::max();

  const std::shared_ptr<AlsaApi> inner_;
  std::atomic<long long> frames_{0};
  std::atomic<long long> target_{kNever};
  std::mutex mutex_;
  std::condition_variable arrived_;
};

long CountedCapture::Read(void* data, unsigned long frames) {
  long read = 0;
  {
    bench::InsideFake inside;
    read = inner_->Read(data, frames);
  }
  if (read > 0) owner_.Add(read);
  return read;
}

// The process CPU microseconds per second of sound of the device's Wait, Read and Timestamp
// alone, as the pin calls them, on this thread; 0 when the device does not capture.
double DeviceAloneUsPerSecond(AlsaApi& api, const char* pcm) {
  int error = 0;
  auto capture = api.OpenCapture(pcm, &error);
  if (!capture ||
      capture->SetParams(PcmSampleFormat::kS16LE, kChannels, kRate, kPeriodFrames, 8) < 0 ||
      capture->Start() < 0) {
    return 0;
  }
  std::vector<std::uint8_t> buffer(kPeriodBytes);
  long long frames = 0;
  const long long wanted = static_cast<long long>(kAloneSeconds) * kRate;
  const double start = bench::ProcessCpuSeconds();
  while (frames < wanted) {
    if (capture->Wait(100) < 0) return 0;
    const long read = capture->Read(buffer.data(), kPeriodFrames);
    if (read == -EAGAIN) continue;
    if (read <= 0) return 0;
    frames += read;
    std::int64_t stampNs = 0;
    long available = 0;
    (void)capture->Timestamp(&stampNs, &available);
    benchmark::DoNotOptimize(buffer.data());
  }
  return (bench::ProcessCpuSeconds() - start) * 1e6 * kRate / static_cast<double>(frames);
}

// A stereo 16-bit microphone at 48 kHz with a second of samples (so that the fake makes no
// tone), as fast as it is read.
FakeCaptureConfig UnpacedMicrophone() {
  FakeCaptureConfig config;
  config.formats = {PcmSampleFormat::kS16LE};
  config.channels = {kChannels};
  config.rates = {kRate};
  config.paced = false;
  config.samples.resize(kSecondBytes);
  for (std::size_t i = 0; i < config.samples.size(); ++i)
    config.samples[i] = static_cast<BYTE>(i * 7);
  return config;
}

// The capture filter of pcm -> the null renderer, at 48 kHz stereo 16-bit, running.
class CaptureGraph {
 public:
  explicit CaptureGraph(std::shared_ptr<CountingAlsa> api) : api_(std::move(api)) {}
  ~CaptureGraph() {
    if (control_) control_->Stop();
  }

  // Empty on success, else what failed.
  std::string Build(const char* pcm) {
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, &graph_)) ||
        FAILED(CoCreateInstance(CLSID_NullRenderer, &renderer_))) {
      return "no filter graph or null renderer class";
    }
    microphone_ = MakeComObject<devices::AlsaCaptureFilter>(api_, pcm, "Bench Microphone");
    graph_->AddFilter(microphone_.Get(), "microphone");
    graph_->AddFilter(renderer_.Get(), "null renderer");
    const ComPtr<IPin> capture = dshow::FirstFreePin(microphone_.Get(), PINDIR_OUTPUT);
    const auto config = capture.As<IAMStreamConfig>();
    MediaType format = MakePcmMediaType(kRate, 16, kChannels);
    if (!config || FAILED(config->SetFormat(&format.Get()))) {
      return "the device does not take 48 kHz stereo 16-bit";
    }
    if (FAILED(graph_->Connect(capture.Get(),
                               dshow::FirstFreePin(renderer_.Get(), PINDIR_INPUT).Get()))) {
      return "the microphone does not connect to the null renderer";
    }
    control_ = graph_.As<IMediaControl>();
    return control_ ? "" : "no IMediaControl";
  }

  bool Run() { return SUCCEEDED(control_->Run()); }
  void Stop() { control_->Stop(); }
  LONG Overruns() { return microphone_->Pin().Overruns(); }

 private:
  const std::shared_ptr<CountingAlsa> api_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IBaseFilter> renderer_;
  ComPtr<devices::AlsaCaptureFilter> microphone_;
  ComPtr<IMediaControl> control_;
};

// Runs the graph over the benchmark's iterations (a second of sound each) and reports the
// process CPU per second of sound; cpu_us stays unset on failure.
void MeasureGraph(benchmark::State& state, CaptureGraph& graph, CountingAlsa& api) {
  if (!graph.Run()) {
    state.SkipWithError("the graph does not run");
    return;
  }
  if (!api.WaitForMore(kRate)) {  // warm: the allocator's samples made, the device started
    state.SkipWithError("no sound arrives");
    graph.Stop();
    return;
  }
  const long long framesStart = api.Frames();
  const long long allocStart = bench::Allocations();
  const long long deviceAllocStart = bench::FakeAllocations();
  const double cpuStart = bench::ProcessCpuSeconds();
  const auto wallStart = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (!api.WaitForMore(kRate)) {
      state.SkipWithError("the sound stopped");
      graph.Stop();
      return;
    }
  }
  const double cpu = bench::ProcessCpuSeconds() - cpuStart;
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  const auto frames = static_cast<double>(api.Frames() - framesStart);
  const long long allocs = bench::Allocations() - allocStart;
  const long long deviceAllocs = bench::FakeAllocations() - deviceAllocStart;
  graph.Stop();
  const double seconds = frames / kRate;
  const double periods = frames / kPeriodFrames;
  state.counters["sound_x"] = seconds / wall;
  state.counters["cpu_us"] = cpu * 1e6 / seconds;
  state.counters["allocs"] = static_cast<double>(allocs) / periods;
  state.counters["dev_allocs"] = static_cast<double>(deviceAllocs) / periods;
  state.counters["overruns"] = graph.Overruns();
}

// The device's part (deviceName, measured alone before and after), path_us without it, the
// memcpy reference and the ratios.
void Report(benchmark::State& state, const char* deviceName, double deviceBefore,
            double deviceAfter, double refBefore, double refAfter) {
  const auto cpu = state.counters.find("cpu_us");
  if (cpu == state.counters.end()) return;
  const double device = (deviceBefore + deviceAfter) / 2;
  state.counters[deviceName] = device;
  state.counters["path_us"] = cpu->second.value - device;
  bench::ReportReference(state, "cpu_us", "ref_us", "ratio", refBefore, refAfter);
  bench::ReportReference(state, "path_us", "ref_us", "ratio_path", refBefore, refAfter);
}

void MeasureCapture(benchmark::State& state, std::shared_ptr<AlsaApi> device, const char* pcm,
                    const char* deviceName) {
  auto api = std::make_shared<CountingAlsa>(device);
  const double deviceBefore = DeviceAloneUsPerSecond(*device, pcm);
  if (deviceBefore == 0) {
    state.SkipWithError((std::string(pcm) + " does not capture").c_str());
    return;
  }
  const double refBefore = MemcpyUsPerSecond();
  {
    CaptureGraph graph(api);
    if (const std::string error = graph.Build(pcm); !error.empty()) {
      state.SkipWithError(error.c_str());
      return;
    }
    MeasureGraph(state, graph, *api);
  }  // the device closed again, for the measurement alone
  const double refAfter = MemcpyUsPerSecond();
  Report(state, deviceName, deviceBefore, DeviceAloneUsPerSecond(*device, pcm), refBefore,
         refAfter);
}

void BM_AlsaFakeToNullRenderer(benchmark::State& state) {
  auto fake = std::make_shared<FakeAlsa>();
  AlsaCaptureDeviceInfo info;
  info.pcm = kFakePcm;
  info.hardware = true;
  fake->AddCaptureDevice(info, UnpacedMicrophone());
  MeasureCapture(state, fake, kFakePcm, "fake_us");
}

void BM_AlsaLibasoundToNullRenderer(benchmark::State& state) {
  MeasureCapture(state, SystemAlsaApi(), kFilePcm, "alsa_us");
}

// memcpy of a second of sound in periods, on its own.
void BM_MemcpySecondInPeriods(benchmark::State& state) {
  for (auto _ : state)
    state.counters["ref_us"] = MemcpyUsPerSecond();
}

BENCHMARK(BM_AlsaFakeToNullRenderer)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_AlsaLibasoundToNullRenderer)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_MemcpySecondInPeriods)->Iterations(5)->Unit(benchmark::kMillisecond);

// This process's whole ALSA configuration: a capture PCM reading /dev/zero through the file
// plugin over a null PCM, so that libasound captures without a sound card. Set before
// libasound reads any configuration; the directory is left for the system's temp cleaning.
void UsePrivateAlsaConfiguration() {
  std::string dir = (std::filesystem::temp_directory_path() / "alsa_capture_bench.XXXXXX").string();
  if (mkdtemp(dir.data()) == nullptr) return;
  const std::string file = dir + "/asound.conf";
  std::ofstream(file) << "pcm." << kFilePcm << R"conf( {
  type file
  slave.pcm "rudozav_bench_null"
  file "/dev/null"
  infile "/dev/zero"
  format "raw"
}
pcm.rudozav_bench_null {
  type null
}
)conf";
  setenv("ALSA_CONFIG_PATH", file.c_str(), 1);
  snd_config_update_free_global();
}

}  // namespace

int main(int argc, char** argv) {
  UsePrivateAlsaConfiguration();
  return bench::RunBenchmarks(argc, argv);
}
