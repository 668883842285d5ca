// What the V4L2 capture path costs per 1920x1080 frame, each figure next to its floor measured in
// the same run, before and after it (this machine's speed drifts, so only the ratios travel):
// - BM_V4l2YuyvToRenderer: an unpaced in-memory node serving YUYV -> V4l2CaptureFilter -> a
//   counting renderer in a running graph. cpu_us: the process CPU time per delivered frame, all
//   threads. fake_us: the thread CPU time spent inside the fake's Poll and DQBUF, where it makes
//   frames; its painter fills each of the node's buffers once, so this is the fake's own
//   bookkeeping (an eventfd, a poll(2) and three allocations per Poll), which a kernel driver
//   does not cost the same. path_us = cpu_us - fake_us: the capture path; ratio = path_us /
//   ref_us, ref_us being one memcpy of a 1920x1080x2 frame between two buffers (goal: at most
//   1.1); ratio_rot = path_us / ref_rot_us, that memcpy rotating over 4 sources and 3
//   destinations as the driver's buffers and the samples do (a working set beyond the caches).
// - BM_V4l2MjpgToRenderer: the same with a node serving MJPG frames, passed on undecoded. The
//   fake encodes every frame with libavcodec; that encoding is in fake_us, out of path_us.
//   ref_us: a memcpy of a frame's JPEG bytes. The fake's test picture (colour bars) makes small
//   JPEGs (jpeg_kb), far smaller than a camera's.
// - BM_V4l2MjpgDecodedToRgb: MJPG node -> V4l2CaptureFilter -> whatever decoder (and converter)
//   the graph's Connect finds -> a renderer taking RGB24 only (the label names them). ref_us:
//   libavcodec decoding the same JPEG frames alone (avcodec_send_packet/receive_frame,
//   kDecoderThreads threads); ref_rgb_us: that decoding plus libswscale to bottom-up RGB24.
//   Skipped, saying so, while the platform has no decoder for MJPG.
// - BM_MjpgDecodeAlone/*: those two references on their own.
// - BM_CopyV4l2Frame/*: CopyV4l2Frame of one frame: YUYV with rows padded to 3840+64 bytes,
//   BGR24 with its rows flipped, RGB24 swapped and flipped; ref_us: one memcpy of the bytes it
//   writes.
// Every figure is process CPU time (CLOCK_PROCESS_CPUTIME_ID) in microseconds per frame; the
// Time column is wall time per batch. allocs: operator new calls per frame outside the fake
// (the capture path and the graph); fake_allocs: those inside the fake's calls. Memory that
// libav* takes with av_malloc is not counted.
//
// Build and run (RelWithDebInfo is the default build type):
//   cmake -S . -B build -G Ninja -DRUDOZAV_BENCH=ON
//   cmake --build build --target v4l2_capture_bench
//   build/bench/v4l2_capture_bench --benchmark_repetitions=3
//       --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "BenchGraph.h"
#include "BenchSupport.h"
#include "devices/v4l2/FakeV4l2.h"
#include "devices/v4l2/V4l2CaptureFilter.h"
#include "devices/v4l2/V4l2FrameCopy.h"
#include "devices/virtual/CompressedFrameEncoder.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "dshow/base/BaseRenderer.h"
#include "dshow/graph/PinQueries.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

namespace {

constexpr std::uint32_t kWidth = 1920;
constexpr std::uint32_t kHeight = 1080;
constexpr int kFramesPerBatch = 50;
constexpr int kReferenceFrames = 50;  // frames of each reference measurement
constexpr int kJpegFrames = 30;       // distinct JPEG frames the decoding references cycle through
constexpr int kDecoderThreads = 1;
constexpr char kNode[] = "/dev/video0";

double MemcpyUs(std::size_t bytes) {
  std::vector<std::uint8_t> from(bytes, 0x5A);
  std::vector<std::uint8_t> to(bytes, 0);
  return bench::CpuUsPerCall(kReferenceFrames, [&](int) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  });
}

// memcpy from kDriverBuffers sources into kSamples destinations in turn, as the capture path's
// buffers rotate: a working set larger than the caches, where MemcpyUs copies between two
// buffers that may stay cached.
double RotatingMemcpyUs(std::size_t bytes) {
  constexpr int kDriverBuffers = 4;  // what V4l2Stream asks for
  constexpr int kSamples = 3;        // what VideoCapturePin's allocator gets
  std::vector<std::vector<std::uint8_t>> from(kDriverBuffers, std::vector<std::uint8_t>(bytes, 1));
  std::vector<std::vector<std::uint8_t>> to(kSamples, std::vector<std::uint8_t>(bytes, 0));
  return bench::CpuUsPerCall(kReferenceFrames, [&](int n) {
    std::memcpy(to[n % kSamples].data(), from[n % kDriverBuffers].data(), bytes);
    benchmark::DoNotOptimize(to[n % kSamples].data());
    benchmark::ClobberMemory();
  });
}

// The fake, with the thread CPU time spent inside its Poll and DQBUF (where it makes frames)
// added up.
class TimedV4l2 final : public devices::V4l2Api {
 public:
  explicit TimedV4l2(std::shared_ptr<devices::FakeV4l2> fake) : fake_(std::move(fake)) {}

  double FakeSeconds() const { return share_.Seconds(); }

  int Open(const std::string& path, int flags) override { return fake_->Open(path, flags); }
  int Close(int fd) override { return fake_->Close(fd); }
  int Ioctl(int fd, unsigned long request, void* argument) override {
    if (request != VIDIOC_DQBUF) return fake_->Ioctl(fd, request, argument);
    bench::FakeShare::Call call(share_);
    return fake_->Ioctl(fd, request, argument);
  }
  int Mmap(int fd, std::size_t length, long offset, void** address) override {
    return fake_->Mmap(fd, length, offset, address);
  }
  int Munmap(void* address, std::size_t length) override { return fake_->Munmap(address, length); }
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override {
    bench::FakeShare::Call call(share_);
    return fake_->Poll(fds, count, timeoutMs);
  }
  std::vector<devices::V4l2NodeInfo> ListNodes() override { return fake_->ListNodes(); }

 private:
  const std::shared_ptr<devices::FakeV4l2> fake_;
  bench::FakeShare share_;
};

// A renderer of one subtype that counts its frames; the application thread waits for them.
class FrameCounter final : public CBaseRenderer {
 public:
  explicit FrameCounter(GUID subtype) : CBaseRenderer(GUID_NULL), subtype_(subtype) {}

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override {
    return mediaType->majortype == MEDIATYPE_Video && mediaType->subtype == subtype_ ? S_OK
                                                                                     : S_FALSE;
  }
  HRESULT DoRenderSample(IMediaSample* /*sample*/) override {
    std::lock_guard lock(mutex_);
    if (++frames_ == target_) arrived_.notify_one();
    return S_OK;
  }

  // Waits until count more frames have been rendered; false after a generous deadline.
  bool WaitForMore(long long count) {
    std::unique_lock lock(mutex_);
    target_ = frames_ + count;
    return arrived_.wait_for(lock, std::chrono::seconds(60), [&] { return frames_ >= target_; });
  }

 private:
  const GUID subtype_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  long long frames_ = 0;  // under mutex_
  long long target_ = 0;  // under mutex_
};

devices::FakeV4l2Device FakeCamera(std::uint32_t fourcc) {
  devices::FakeV4l2Device camera;
  camera.card = "Bench Camera";
  devices::FakeV4l2Format format;
  format.fourcc = fourcc;
  format.compressed = fourcc == V4L2_PIX_FMT_MJPEG;
  format.description = format.compressed ? "Motion-JPEG" : "YUYV 4:2:2";
  format.sizes.sizes = {{kWidth, kHeight, {{1, 30}}}};
  camera.formats = {format};
  camera.paced = false;
  // Raw frames: each of the node's few buffers is painted once, so that the fake's own picture
  // making does not count; MJPG frames are encoded by the fake whatever the painter does.
  auto painted = std::make_shared<std::vector<std::uint8_t*>>();
  camera.painter = [painted](std::uint32_t, const v4l2_pix_format& pixels, std::uint8_t* data) {
    if (std::find(painted->begin(), painted->end(), data) != painted->end()) return;
    painted->push_back(data);
    for (std::uint32_t y = 0; y < pixels.height; ++y)
      std::memset(data + std::size_t{y} * pixels.bytesperline, 0x80, pixels.bytesperline);
  };
  return camera;
}

// The fake node -> V4l2CaptureFilter -> [graph's converters] -> FrameCounter, running.
class CaptureGraph {
 public:
  CaptureGraph(std::uint32_t fourcc, GUID sinkSubtype)
      : fake_(std::make_shared<devices::FakeV4l2>()),
        api_(std::make_shared<TimedV4l2>(fake_)),
        sink_(MakeComObject<FrameCounter>(sinkSubtype)) {
    fake_->Plug(kNode, FakeCamera(fourcc), true);
  }
  ~CaptureGraph() {
    if (control_) control_->Stop();
  }

  // Empty on success, else what failed.
  std::string Build() {
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, &graph_))) return "no filter graph class";
    HRESULT hr = E_FAIL;
    camera_ = devices::V4l2CaptureFilter::Open(api_, kNode, "Bench Camera", &hr);
    if (!camera_) return "the fake node does not open";
    graph_->AddFilter(camera_.Get(), "camera");
    graph_->AddFilter(sink_.Get(), "counter");
    if (FAILED(graph_->Connect(dshow::FirstFreePin(camera_.Get(), PINDIR_OUTPUT).Get(),
                               sink_->InputPin()))) {
      return "Connect finds no way from the camera to the renderer";
    }
    control_ = graph_.As<IMediaControl>();
    return control_ ? "" : "no IMediaControl";
  }

  // The names of the filters Connect placed between the camera and the renderer.
  std::string Converters() {
    std::string names;
    ComPtr<IEnumFilters> filters;
    if (FAILED(graph_->EnumFilters(filters.GetAddressOf()))) return names;
    ComPtr<IBaseFilter> filter;
    while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
      FILTER_INFO info{};
      if (SUCCEEDED(filter->QueryFilterInfo(&info)) && filter.Get() != camera_.Get() &&
          !IsSameObject(filter.Get(), static_cast<IBaseFilter*>(sink_.Get()))) {
        names += (names.empty() ? "" : "+") + std::string(info.achName);
      }
    }
    return names;
  }

  bool Run() { return SUCCEEDED(control_->Run()); }
  void Stop() { control_->Stop(); }
  bool WaitForFrames(int count) { return sink_->WaitForMore(count); }
  double FakeSeconds() const { return api_->FakeSeconds(); }

 private:
  std::shared_ptr<devices::FakeV4l2> fake_;
  std::shared_ptr<TimedV4l2> api_;
  ComPtr<FrameCounter> sink_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<devices::V4l2CaptureFilter> camera_;
  ComPtr<IMediaControl> control_;
};

// Runs the graph over the benchmark's iterations (kFramesPerBatch frames each) and reports the
// process CPU per frame with and without the fake's part; path_us stays unset on failure.
void MeasureGraph(benchmark::State& state, CaptureGraph& graph) {
  if (!graph.Run()) {
    state.SkipWithError("the graph does not run");
    return;
  }
  if (!graph.WaitForFrames(kFramesPerBatch)) {  // warm: buffers mapped, pools primed
    state.SkipWithError("no frames arrive");
    return;
  }
  const double fakeStart = graph.FakeSeconds();
  const long long allocStart = bench::Allocations();
  const long long fakeAllocStart = bench::FakeAllocations();
  const double cpuStart = bench::ProcessCpuSeconds();
  for (auto _ : state) {
    if (!graph.WaitForFrames(kFramesPerBatch)) {
      state.SkipWithError("the frames stopped");
      graph.Stop();
      return;
    }
  }
  const double cpu = bench::ProcessCpuSeconds() - cpuStart;
  const double fake = graph.FakeSeconds() - fakeStart;
  const double frames = static_cast<double>(state.iterations()) * kFramesPerBatch;
  const long long allocs = bench::Allocations() - allocStart;
  const long long fakeAllocs = bench::FakeAllocations() - fakeAllocStart;
  graph.Stop();
  state.counters["fps"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
  state.counters["cpu_us"] = cpu * 1e6 / frames;
  state.counters["fake_us"] = fake * 1e6 / frames;
  state.counters["path_us"] = (cpu - fake) * 1e6 / frames;
  state.counters["allocs"] = static_cast<double>(allocs) / frames;
  state.counters["fake_allocs"] = static_cast<double>(fakeAllocs) / frames;
}

// A reference taken before and after the graph ran, and the ratio of path_us to it.
void ReportReference(benchmark::State& state, const char* name, const char* ratioName,
                     double before, double after) {
  bench::ReportReference(state, "path_us", name, ratioName, before, after);
}

// JPEG frames as the fake node makes them (the same encoder and picture).
const std::vector<std::vector<std::uint8_t>>& JpegFrames() {
  static const auto frames = [] {
    std::vector<std::vector<std::uint8_t>> encoded;
    auto encoder = devices::CompressedFrameEncoder::Create(MEDIASUBTYPE_MJPG, kWidth, kHeight);
    std::vector<std::uint8_t> buffer(std::size_t{kWidth} * kHeight * 2);
    for (int frame = 0; encoder && frame < kJpegFrames; ++frame) {
      const DWORD bytes = encoder->Encode(devices::PictureDescription{}, frame, buffer.data(),
                                          static_cast<DWORD>(buffer.size()));
      if (bytes > 0) encoded.emplace_back(buffer.begin(), buffer.begin() + bytes);
    }
    return encoded;
  }();
  return frames;
}

std::size_t AverageJpegBytes() {
  std::size_t total = 0;
  for (const auto& frame : JpegFrames())
    total += frame.size();
  return JpegFrames().empty() ? 0 : total / JpegFrames().size();
}

// libavcodec's MJPG decoder alone, optionally followed by libswscale to bottom-up RGB24.
class ReferenceDecoder {
 public:
  ReferenceDecoder() : rgb_(std::size_t{kWidth} * kHeight * 3) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
    context_ = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (context_ == nullptr) return;
    context_->thread_count = kDecoderThreads;
    if (avcodec_open2(context_, codec, nullptr) < 0) avcodec_free_context(&context_);
    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
  }
  ~ReferenceDecoder() {
    sws_freeContext(scaler_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&context_);
  }
  ReferenceDecoder(const ReferenceDecoder&) = delete;
  ReferenceDecoder& operator=(const ReferenceDecoder&) = delete;

  bool Ready() const { return context_ && packet_ && frame_ && !JpegFrames().empty(); }

  // Decodes JPEG frame n (cycling through the frames); false on failure.
  bool Decode(int n, bool toRgb) {
    const auto& jpeg = JpegFrames()[static_cast<std::size_t>(n) % JpegFrames().size()];
    packet_->data = const_cast<std::uint8_t*>(jpeg.data());
    packet_->size = static_cast<int>(jpeg.size());
    if (avcodec_send_packet(context_, packet_) < 0 || avcodec_receive_frame(context_, frame_) < 0) {
      return false;
    }
    if (toRgb) {
      if (scaler_ == nullptr && !OpenScaler()) return false;
      const int stride = static_cast<int>(kWidth * 3);
      std::uint8_t* lastRow = rgb_.data() + std::size_t{kHeight - 1} * stride;
      std::uint8_t* planes[4] = {lastRow, nullptr, nullptr, nullptr};
      const int strides[4] = {-stride, 0, 0, 0};  // bottom-up, as a bitmap
      sws_scale(scaler_, frame_->data, frame_->linesize, 0, frame_->height, planes, strides);
      benchmark::DoNotOptimize(rgb_.data());
    }
    av_frame_unref(frame_);
    return true;
  }

  // The decoder's full-range ("J") YUV read as such, point sampling as the platform's
  // converter does.
  bool OpenScaler() {
    auto format = static_cast<AVPixelFormat>(frame_->format);
    const bool fullRange = format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P ||
                           format == AV_PIX_FMT_YUVJ444P || frame_->color_range == AVCOL_RANGE_JPEG;
    if (format == AV_PIX_FMT_YUVJ420P) format = AV_PIX_FMT_YUV420P;
    if (format == AV_PIX_FMT_YUVJ422P) format = AV_PIX_FMT_YUV422P;
    if (format == AV_PIX_FMT_YUVJ444P) format = AV_PIX_FMT_YUV444P;
    scaler_ = sws_getContext(frame_->width, frame_->height, format, kWidth, kHeight,
                             AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
    if (scaler_ == nullptr) return false;
    const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
    (void)sws_setColorspaceDetails(scaler_, coefficients, fullRange ? 1 : 0, coefficients, 1, 0,
                                   1 << 16, 1 << 16);  // best effort, as the platform's
    return true;
  }

  double UsPerFrame(bool toRgb) {
    bool ok = true;
    const double us =
        bench::CpuUsPerCall(kReferenceFrames, [&](int n) { ok = Decode(n, toRgb) && ok; });
    return ok ? us : 0;
  }

 private:
  AVCodecContext* context_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  SwsContext* scaler_ = nullptr;
  std::vector<std::uint8_t> rgb_;
};

void BM_V4l2YuyvToRenderer(benchmark::State& state) {
  CaptureGraph graph(V4L2_PIX_FMT_YUYV, MEDIASUBTYPE_YUY2);
  if (const std::string error = graph.Build(); !error.empty()) {
    state.SkipWithError(error.c_str());
    return;
  }
  const std::size_t frameBytes = std::size_t{kWidth} * kHeight * 2;
  const double before = MemcpyUs(frameBytes);
  const double rotatingBefore = RotatingMemcpyUs(frameBytes);
  MeasureGraph(state, graph);
  ReportReference(state, "ref_us", "ratio", before, MemcpyUs(frameBytes));
  ReportReference(state, "ref_rot_us", "ratio_rot", rotatingBefore, RotatingMemcpyUs(frameBytes));
}

void BM_V4l2MjpgToRenderer(benchmark::State& state) {
  CaptureGraph graph(V4L2_PIX_FMT_MJPEG, MEDIASUBTYPE_MJPG);
  if (const std::string error = graph.Build(); !error.empty()) {
    state.SkipWithError(error.c_str());
    return;
  }
  const double before = MemcpyUs(AverageJpegBytes());
  MeasureGraph(state, graph);
  ReportReference(state, "ref_us", "ratio", before, MemcpyUs(AverageJpegBytes()));
  state.counters["jpeg_kb"] = static_cast<double>(AverageJpegBytes()) / 1024;
}

void BM_V4l2MjpgDecodedToRgb(benchmark::State& state) {
  CaptureGraph graph(V4L2_PIX_FMT_MJPEG, MEDIASUBTYPE_RGB24);
  if (const std::string error = graph.Build(); !error.empty()) {
    state.SkipWithError((error + " (no MJPG decoder is registered)").c_str());
    return;
  }
  state.SetLabel(graph.Converters());
  ReferenceDecoder decoder;
  if (!decoder.Ready()) {
    state.SkipWithError("libavcodec has no MJPG decoder");
    return;
  }
  const double decodeBefore = decoder.UsPerFrame(false);
  const double rgbBefore = decoder.UsPerFrame(true);
  MeasureGraph(state, graph);
  ReportReference(state, "ref_us", "ratio", decodeBefore, decoder.UsPerFrame(false));
  ReportReference(state, "ref_rgb_us", "ratio_rgb", rgbBefore, decoder.UsPerFrame(true));
}

void BM_MjpgDecodeAlone(benchmark::State& state, bool toRgb) {
  ReferenceDecoder decoder;
  if (!decoder.Ready()) {
    state.SkipWithError("libavcodec has no MJPG decoder");
    return;
  }
  int n = 0;
  const double cpuStart = bench::ProcessCpuSeconds();
  for (auto _ : state) {
    if (!decoder.Decode(n++, toRgb)) {
      state.SkipWithError("decoding failed");
      break;
    }
  }
  state.counters["cpu_us"] = (bench::ProcessCpuSeconds() - cpuStart) * 1e6 / static_cast<double>(n);
  state.counters["jpeg_kb"] = static_cast<double>(AverageJpegBytes()) / 1024;
}

// CopyV4l2Frame of one 1920x1080 frame whose driver rows are bytesPerLine long.
void BM_CopyV4l2Frame(benchmark::State& state, std::uint32_t fourcc, std::uint32_t bytesPerLine,
                      std::uint32_t pixelBytes) {
  v4l2_pix_format driver{};
  driver.width = kWidth;
  driver.height = kHeight;
  driver.pixelformat = fourcc;
  driver.bytesperline = bytesPerLine;
  driver.sizeimage = bytesPerLine * kHeight;
  const std::size_t outBytes = std::size_t{kWidth} * pixelBytes * kHeight;
  std::vector<std::uint8_t> from(driver.sizeimage, 0x5A);
  std::vector<std::uint8_t> to(outBytes, 0);
  const double refBefore = MemcpyUs(outBytes);
  std::size_t written = 0;
  const double cpuStart = bench::ProcessCpuSeconds();
  for (auto _ : state) {
    written = devices::CopyV4l2Frame(from.data(), from.size(), driver, kWidth, kHeight, to.data(),
                                     to.size());
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  const double us =
      (bench::ProcessCpuSeconds() - cpuStart) * 1e6 / static_cast<double>(state.iterations());
  if (written != outBytes) {
    state.SkipWithError("CopyV4l2Frame did not write the frame");
    return;
  }
  const double ref = (refBefore + MemcpyUs(outBytes)) / 2;
  state.counters["cpu_us"] = us;
  state.counters["ref_us"] = ref;
  state.counters["ratio"] = us / ref;
}

BENCHMARK(BM_V4l2YuyvToRenderer)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_V4l2MjpgToRenderer)
    ->Iterations(4)  // 200 frames: the fake's encoding makes each batch slow
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_V4l2MjpgDecodedToRgb)
    ->Iterations(4)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(BM_MjpgDecodeAlone, decode, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MjpgDecodeAlone, decode_to_rgb24, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_CopyV4l2Frame, yuyv_padded, V4L2_PIX_FMT_YUYV, kWidth * 2 + 64, 2)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CopyV4l2Frame, bgr24_flip, V4L2_PIX_FMT_BGR24, kWidth * 3, 3)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CopyV4l2Frame, rgb24_swap_flip, V4L2_PIX_FMT_RGB24, kWidth * 3, 3)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return bench::RunBenchmarks(argc, argv);
}
