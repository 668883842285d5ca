// Playing a full-HD MJPEG AVI: the file the setup writes (60 pictures of 1920x1080, 4:2:2, made
// with libavcodec's MJPEG encoder into an AVI by libavformat) goes through the media file source
// and the MJPEG decoder into a sink that renders at once (no clock waits: unpaced), and, in the
// same run, through libavformat's reader and libavcodec's MJPEG decoder alone with the decoder's
// thread settings, once decoding only and once converting each picture to RGB24 with libswscale
// as the decoder filter does.
//
// Build and run (a Release build gives meaningful numbers):
//   scripts/build build-bench -DRUDOZAV_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   build-bench/bench/playback_bench
// Columns: graph_cpu_ms, avcodec_cpu_ms and avcodec_sws_cpu_ms are process CPU milliseconds per
// frame; graph_vs_avcodec is the graph's CPU over libavcodec's with the conversion; graph_fps
// the graph's frames a second of wall time.

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "BenchGraph.h"
#include "BenchSupport.h"
#include "av/AvOwners.h"
#include "dshow/Uuids.h"
#include "dshow/filters/UnpacedSink.h"
#include "dshow/graph/PinQueries.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kFrames = 60;
// The compressor's default quality (0.75) as libavcodec's quantiser.
constexpr int kQuantiser = 9;

// A camera-like picture: gradients that move, with a little noise on the brightness.
void Paint(AVFrame& frame, int n, std::uint32_t& noise) {
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = frame.data[0] + static_cast<ptrdiff_t>(y) * frame.linesize[0];
    for (int x = 0; x < kWidth; ++x) {
      noise = noise * 1664525u + 1013904223u;
      row[x] = static_cast<uint8_t>((x + y + n * 8) / 8 + static_cast<int>(noise >> 29));
    }
  }
  for (int plane = 1; plane < 3; ++plane) {
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* row = frame.data[plane] + static_cast<ptrdiff_t>(y) * frame.linesize[plane];
      for (int x = 0; x < kWidth / 2; ++x)
        row[x] = static_cast<uint8_t>(plane == 1 ? x / 8 + n : y / 5 + 40);
    }
  }
}

bool Drain(AVCodecContext* encoder, AVFormatContext* file, AVStream* stream, AVPacket* packet) {
  while (avcodec_receive_packet(encoder, packet) == 0) {
    av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
    packet->stream_index = stream->index;
    if (av_interleaved_write_frame(file, packet) < 0) return false;
  }
  return true;
}

// Writes the clip; false when libavcodec or libavformat cannot.
bool WriteClip(const std::string& path) {
  AVFormatContext* made = nullptr;
  if (avformat_alloc_output_context2(&made, nullptr, "avi", path.c_str()) < 0) return false;
  av::OutputFormatPtr file(made);
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
  if (codec == nullptr) return false;
  av::CodecContextPtr encoder(avcodec_alloc_context3(codec));
  AVStream* stream = avformat_new_stream(file.get(), nullptr);
  if (!encoder || stream == nullptr) return false;
  encoder->width = kWidth;
  encoder->height = kHeight;
  encoder->pix_fmt = AV_PIX_FMT_YUVJ422P;
  encoder->time_base = AVRational{1, 30};
  encoder->flags |= AV_CODEC_FLAG_QSCALE;
  encoder->global_quality = FF_QP2LAMBDA * kQuantiser;
  if (avcodec_open2(encoder.get(), codec, nullptr) < 0) return false;
  stream->time_base = encoder->time_base;
  if (avcodec_parameters_from_context(stream->codecpar, encoder.get()) < 0) return false;
  if (avio_open(&file->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return false;
  if (avformat_write_header(file.get(), nullptr) < 0) return false;
  av::FramePtr frame(av_frame_alloc());
  av::PacketPtr packet(av_packet_alloc());
  frame->format = encoder->pix_fmt;
  frame->width = kWidth;
  frame->height = kHeight;
  if (av_frame_get_buffer(frame.get(), 0) < 0) return false;
  std::uint32_t noise = 12345;
  bool written = true;
  for (int n = 0; n < kFrames && written; ++n) {
    written = av_frame_make_writable(frame.get()) >= 0;
    Paint(*frame, n, noise);
    frame->pts = n;
    written = written && avcodec_send_frame(encoder.get(), frame.get()) >= 0 &&
              Drain(encoder.get(), file.get(), stream, packet.get());
  }
  written = written && avcodec_send_frame(encoder.get(), nullptr) >= 0 &&
            Drain(encoder.get(), file.get(), stream, packet.get()) &&
            av_write_trailer(file.get()) >= 0;
  avio_closep(&file->pb);
  return written;
}

// The clip, written once per process into the temporary folder; empty when it cannot be.
const std::string& Clip() {
  static const std::string path = [] {
    const std::string file =
        (std::filesystem::temp_directory_path() / "rudozav-playback-bench.avi").string();
    return WriteClip(file) ? file : std::string();
  }();
  return path;
}

// The graph over the clip: CPU milliseconds per frame of one play to the end; negative when
// the graph cannot be built.
double GraphCpuMs(double* wallSeconds) {
  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> source;
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, &graph)) ||
      FAILED(graph->AddSourceFilter(Clip().c_str(), "Source", source.ReleaseAndGetAddressOf()))) {
    return -1;
  }
  auto sink = MakeComObject<UnpacedSink>();
  graph->AddFilter(sink.Get(), "Sink");
  const auto outputs = dshow::PinsOf(source.Get(), PINDIR_OUTPUT);
  if (outputs.empty() || FAILED(graph->Connect(outputs[0].Get(), sink->GetPin(0)))) return -1;
  ComPtr<IMediaControl> control = graph.As<IMediaControl>();
  ComPtr<IMediaEvent> events = graph.As<IMediaEvent>();
  const double start = bench::ProcessCpuSeconds();
  const auto wallStart = std::chrono::steady_clock::now();
  LONG code = 0;
  if (FAILED(control->Run()) || FAILED(events->WaitForCompletion(-1, &code))) return -1;
  *wallSeconds +=
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  const double cpu = (bench::ProcessCpuSeconds() - start) * 1e3;
  (void)control->Stop();  // measured already
  return sink->Samples() == kFrames ? cpu / kFrames : -1;
}

// libavformat and libavcodec alone over the clip, with the MJPEG decoder filter's thread
// settings; with convert, each picture becomes bottom-up-sized RGB24 through libswscale.
double ReferenceCpuMs(bool convert) {
  AVFormatContext* opened = nullptr;
  if (avformat_open_input(&opened, Clip().c_str(), nullptr, nullptr) < 0) return -1;
  av::InputFormatPtr file(opened);
  if (avformat_find_stream_info(file.get(), nullptr) < 0) return -1;
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
  av::CodecContextPtr decoder(avcodec_alloc_context3(codec));
  if (!decoder) return -1;
  decoder->thread_count = 0;
  decoder->thread_type = FF_THREAD_SLICE;
  if (avcodec_open2(decoder.get(), codec, nullptr) < 0) return -1;
  av::SwsContextPtr scaler(sws_getContext(kWidth, kHeight, AV_PIX_FMT_YUV422P, kWidth, kHeight,
                                          AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr));
  av::FramePtr picture(av_frame_alloc());
  av::FramePtr rgb(av_frame_alloc());
  av::PacketPtr packet(av_packet_alloc());
  rgb->format = AV_PIX_FMT_BGR24;
  rgb->width = kWidth;
  rgb->height = kHeight;
  if (!scaler || av_frame_get_buffer(rgb.get(), 64) < 0) return -1;
  int frames = 0;
  const double start = bench::ProcessCpuSeconds();
  while (av_read_frame(file.get(), packet.get()) >= 0) {
    if (avcodec_send_packet(decoder.get(), packet.get()) >= 0) {
      while (avcodec_receive_frame(decoder.get(), picture.get()) >= 0) {
        if (convert) {
          sws_scale(scaler.get(), picture->data, picture->linesize, 0, kHeight, rgb->data,
                    rgb->linesize);
        }
        ++frames;
        av_frame_unref(picture.get());
      }
    }
    av_packet_unref(packet.get());
  }
  const double cpu = (bench::ProcessCpuSeconds() - start) * 1e3;
  return frames == kFrames ? cpu / kFrames : -1;
}

void BM_PlayMjpegFile1080p(benchmark::State& state) {
  if (Clip().empty()) {
    state.SkipWithError("the clip cannot be written (no MJPEG encoder or AVI muxer?)");
    return;
  }
  double graphCpu = 0;
  double graphWall = 0;
  double referenceCpu = 0;
  double referenceSwsCpu = 0;
  for (auto _ : state) {
    const double graph = GraphCpuMs(&graphWall);
    const double plain = ReferenceCpuMs(false);
    const double converting = ReferenceCpuMs(true);
    if (graph < 0 || plain < 0 || converting < 0) {
      state.SkipWithError("the clip does not play through the graph or libavcodec");
      return;
    }
    graphCpu += graph;
    referenceCpu += plain;
    referenceSwsCpu += converting;
  }
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["graph_cpu_ms"] = graphCpu / iterations;
  state.counters["avcodec_cpu_ms"] = referenceCpu / iterations;
  state.counters["avcodec_sws_cpu_ms"] = referenceSwsCpu / iterations;
  state.counters["graph_vs_avcodec"] = graphCpu / referenceSwsCpu;
  state.counters["graph_fps"] = iterations * kFrames / graphWall;
}
BENCHMARK(BM_PlayMjpegFile1080p)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  const int result = bench::RunBenchmarks(argc, argv);
  std::error_code ignored;  // a clip that was never written is as good
  std::filesystem::remove(Clip(), ignored);
  return result;
}
