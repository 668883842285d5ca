// The cost of a snapshot of a 1920x1080 RGB24 frame.
// - BM_CaptureFrameToJpeg: TRavorOderiri::CaptureFrameTo(fc_JpegFile, name) from the frame
//   grabber's record to the file on disk (the DIB copy, the encoding, the file), quality 100.
// - BM_LibjpegAlone: the same frame encoded into a file with libjpeg-turbo directly, with the
//   same settings: the floor the component's grab is measured against.
//
// Build and run (a Release build gives meaningful numbers):
//   scripts/build build-bench -DRUDOZAV_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   build-bench/bench/frame_grab_bench
// The component's settings store and system folder go to a temporary folder of its own.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "BenchComponent.h"
#include "dshow/VideoMediaType.h"
#include "filters/common/GrabberControl.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"

// After the platform's headers, whose TRUE and FALSE the library then leaves alone.
#include <jpeglib.h>

namespace {

constexpr LONG kWidth = 1920;
constexpr LONG kHeight = 1080;

// A frame with gradients and fine detail, so that the encoder has real work to do.
std::vector<BYTE> MakeFrame() {
  const DWORD stride = DibStride(kWidth, 24);
  std::vector<BYTE> frame(stride * kHeight);
  unsigned noise = 12345;
  for (LONG y = 0; y < kHeight; ++y) {
    for (LONG x = 0; x < kWidth; ++x) {
      noise = noise * 1103515245u + 12345u;
      BYTE* pixel = &frame[y * stride + x * 3];
      pixel[0] = static_cast<BYTE>(x * 255 / kWidth);
      pixel[1] = static_cast<BYTE>(y * 255 / kHeight);
      pixel[2] = static_cast<BYTE>(((x / 16 + y / 16) % 2) * 128 + ((noise >> 16) & 63));
    }
  }
  return frame;
}

const std::vector<BYTE>& Frame() {
  static const std::vector<BYTE> frame = MakeFrame();
  return frame;
}

// One component with a frame grabber record holding the frame.
struct TGrabFixture {
  TGrabFixture() {
    type = *MakeVideoMediaType(MEDIASUBTYPE_RGB24, kWidth, kHeight);
    buffer = Frame();
    record.FrameBuffer = buffer.data();
    record.FrameSize = static_cast<LONG>(buffer.size());
    record.FrameMediaType = type.Get();
    record.FrameMediaTypeValid = 1;
    record.FrameAvailable.store(1);
    bench.component->State().graph->frameGrabberRecord = &record;
  }
  ~TGrabFixture() { bench.component->State().graph->frameGrabberRecord = nullptr; }

  TBenchComponent bench{"frame_grab_bench"};
  MediaType type;
  std::vector<BYTE> buffer;
  TGrabberControl record;
};

void BM_CaptureFrameToJpeg(benchmark::State& state) {
  TGrabFixture fixture;
  for (auto _ : state) {
    if (!fixture.bench.component->CaptureFrameTo(fc_JpegFile, "grab.jpg")) {
      state.SkipWithError("CaptureFrameTo failed");
      break;
    }
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size("grab.jpg"));
}

void BM_LibjpegAlone(benchmark::State& state) {
  const std::vector<BYTE>& frame = Frame();
  const DWORD stride = DibStride(kWidth, 24);
  for (auto _ : state) {
    std::FILE* file = std::fopen("alone.jpg", "wb");
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = kWidth;
    info.image_height = kHeight;
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
      auto* row = const_cast<JSAMPLE*>(&frame[(kHeight - 1 - info.next_scanline) * stride]);
      jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size("alone.jpg"));
}

BENCHMARK(BM_CaptureFrameToJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibjpegAlone)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
