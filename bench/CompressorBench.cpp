// MJPEG compression of full-HD video at 30 frames a second: the same camera-like YUY2 pictures
// go through our FFmpeg compressor filter (source -> compressor -> null renderer, in a filter
// graph) and, in the same run, straight into libavcodec's MJPEG encoder with the same settings,
// once with pictures already in the encoder's 4:2:2 full-range format and once with libswscale
// converting them from YUY2 first (which the filter has to do as well). Both use FFmpeg's own
// threads, so CPU is the whole process's.
//
// Build and run (a Release build gives meaningful numbers):
//   scripts/build build-bench -DRUDOZAV_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   build-bench/bench/compressor_bench
// Columns: filter_cpu_ms, avcodec_cpu_ms and avcodec_sws_cpu_ms are process CPU milliseconds per
// frame; filter_vs_avcodec is the filter's CPU over libavcodec's with the conversion; filter_fps
// the filter graph's frames a second of wall time (30 keeps up with a camera).

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include "BenchGraph.h"
#include "BenchSupport.h"
#include "devices/encoders/CompressorFilter.h"
#include "devices/virtual/TestPattern.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace {

constexpr LONG kWidth = 1920;
constexpr LONG kHeight = 1080;
constexpr int kFramesPerBatch = 60;
constexpr int kPictures = 8;
// The compressor's default quality (0.75) as libavcodec's quantiser.
constexpr int kQuantiser = 9;

MediaType FrameType() {
  return *MakeVideoMediaType(MEDIASUBTYPE_YUY2, kWidth, kHeight, kUnitsPerSecond / 30);
}

// Moving colour bars with a little sensor-like noise on the brightness, so that the pictures
// cost what a camera's do rather than what flat areas do.
std::vector<std::vector<BYTE>> CameraPictures() {
  const MediaType type = FrameType();
  std::vector<std::vector<BYTE>> pictures;
  std::uint32_t noise = 12345;
  for (int i = 0; i < kPictures; ++i) {
    std::vector<BYTE> picture(type->lSampleSize);
    devices::PaintTestPattern(devices::PictureDescription{}, type.Get(), i, picture.data(),
                              static_cast<DWORD>(picture.size()));
    for (std::size_t at = 0; at < picture.size(); at += 2) {
      noise = noise * 1664525u + 1013904223u;
      const int y = picture[at] + static_cast<int>(noise >> 28) - 8;
      picture[at] = static_cast<BYTE>(std::clamp(y, 16, 235));
    }
    pictures.push_back(std::move(picture));
  }
  return pictures;
}

const std::vector<std::vector<BYTE>>& Pictures() {
  static const std::vector<std::vector<BYTE>> pictures = CameraPictures();
  return pictures;
}

struct Reference {
  av::CodecContextPtr context;
  av::SwsContextPtr scaler;
  std::vector<av::FramePtr> frames;  // the pictures in the encoder's format
  av::PacketPtr packet{av_packet_alloc()};
};

// libavcodec's MJPEG encoder set as the compressor sets it.
bool OpenEncoder(Reference& reference) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
  if (codec == nullptr) return false;
  reference.context.reset(avcodec_alloc_context3(codec));
  AVCodecContext* context = reference.context.get();
  context->width = kWidth;
  context->height = kHeight;
  context->pix_fmt = AV_PIX_FMT_YUVJ422P;
  context->color_range = AVCOL_RANGE_JPEG;
  context->time_base = AVRational{1, 30};
  context->thread_count = 0;
  context->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  context->flags |= AV_CODEC_FLAG_QSCALE;
  context->global_quality = FF_QP2LAMBDA * kQuantiser;
  return avcodec_open2(context, codec, nullptr) >= 0;
}

// The scaler, and the pictures converted once into the encoder's format.
bool OpenReference(Reference& reference) {
  reference.scaler.reset(sws_getContext(kWidth, kHeight, AV_PIX_FMT_YUYV422, kWidth, kHeight,
                                        AV_PIX_FMT_YUV422P, SWS_BILINEAR, nullptr, nullptr,
                                        nullptr));
  const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
  sws_setColorspaceDetails(reference.scaler.get(), coefficients, 0, coefficients, 1, 0, 1 << 16,
                           1 << 16);
  for (const std::vector<BYTE>& picture : Pictures()) {
    av::FramePtr frame(av_frame_alloc());
    frame->format = AV_PIX_FMT_YUVJ422P;
    frame->width = kWidth;
    frame->height = kHeight;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return false;
    const uint8_t* planes[1] = {picture.data()};
    const int strides[1] = {kWidth * 2};
    sws_scale(reference.scaler.get(), planes, strides, 0, kHeight, frame->data, frame->linesize);
    reference.frames.push_back(std::move(frame));
  }
  return true;
}

void Encode(Reference& reference, AVFrame* frame) {
  avcodec_send_frame(reference.context.get(), frame);
  while (avcodec_receive_packet(reference.context.get(), reference.packet.get()) == 0)
    av_packet_unref(reference.packet.get());
}

// libavcodec alone over count frames, from a new encoder (as the filter's is for each run);
// with convert, each picture is converted from YUY2 first. Negative when it does not open.
double ReferenceCpuMs(Reference& reference, int count, bool convert) {
  if (!OpenEncoder(reference)) return -1;
  const double start = bench::ProcessCpuSeconds();
  for (int i = 0; i < count; ++i) {
    const auto index = static_cast<std::size_t>(i % kPictures);
    av::FramePtr converted;
    AVFrame* frame = reference.frames[index].get();
    if (convert) {
      // A new picture each time, as the filter takes one when the encoder holds the last.
      converted.reset(av_frame_alloc());
      converted->format = AV_PIX_FMT_YUVJ422P;
      converted->width = kWidth;
      converted->height = kHeight;
      if (av_frame_get_buffer(converted.get(), 0) < 0) continue;
      const uint8_t* planes[1] = {Pictures()[index].data()};
      const int strides[1] = {kWidth * 2};
      sws_scale(reference.scaler.get(), planes, strides, 0, kHeight, converted->data,
                converted->linesize);
      frame = converted.get();
    }
    frame->pts = i;
    Encode(reference, frame);
  }
  Encode(reference, nullptr);
  return (bench::ProcessCpuSeconds() - start) * 1e3 / count;
}

void BM_MjpegCompressor1080p30(benchmark::State& state) {
  const auto encoder = devices::FindAvailableEncoder("mjpeg");
  if (!encoder) {
    state.SkipWithError("no MJPEG encoder in libavcodec");
    return;
  }
  double filterCpu = 0;
  double filterWall = 0;
  double referenceCpu = 0;
  double referenceSwsCpu = 0;
  for (auto _ : state) {
    bench::BenchGraph graph(FrameType());
    auto compressor = MakeComObject<devices::CompressorFilter>(*encoder);
    if (!graph.Create() ||
        !graph.Insert(static_cast<IBaseFilter*>(compressor.Get()), "MJPEG compressor")) {
      state.SkipWithError("the compressor does not connect");
      return;
    }
    graph.Stream()->SetPictures(Pictures());
    const double cpuStart = bench::ProcessCpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    graph.RunBatch(kFramesPerBatch);
    filterWall +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    filterCpu += (bench::ProcessCpuSeconds() - cpuStart) * 1e3 / kFramesPerBatch;
    // The encoder restarts for each batch, as the filter's does.
    Reference reference;
    if (!OpenReference(reference)) {
      state.SkipWithError("libavcodec's MJPEG encoder does not open");
      return;
    }
    const double plain = ReferenceCpuMs(reference, kFramesPerBatch, false);
    const double converting = ReferenceCpuMs(reference, kFramesPerBatch, true);
    if (plain < 0 || converting < 0) {
      state.SkipWithError("libavcodec's MJPEG encoder does not open");
      return;
    }
    referenceCpu += plain;
    referenceSwsCpu += converting;
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["filter_cpu_ms"] = filterCpu / iterations;
  state.counters["avcodec_cpu_ms"] = referenceCpu / iterations;
  state.counters["avcodec_sws_cpu_ms"] = referenceSwsCpu / iterations;
  state.counters["filter_vs_avcodec"] = filterCpu / referenceSwsCpu;
  state.counters["filter_fps"] = iterations * kFramesPerBatch / filterWall;
}
BENCHMARK(BM_MjpegCompressor1080p30)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return bench::RunBenchmarks(argc, argv);
}
