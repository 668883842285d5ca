// The half-size deinterlacer: its types, its picture walk and its output samples.

#include <gtest/gtest.h>


#include "FilterTestSupport.h"
#include "ModuleTestSupport.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace {

using filter_test::CapturingRenderer;
using filter_test::FilterChain;
using filter_test::FrameSource;
using filter_test::PinOf;
using filter_test::WaitUntil;
using module_test::RecordOf;

constexpr REFERENCE_TIME kInterval = 400'000;

MediaType Rgb(WORD depth, LONG width, LONG height) {
  return *MakeVideoMediaType(depth == 24 ? MEDIASUBTYPE_RGB24 : MEDIASUBTYPE_RGB32, width, height,
                             kInterval);
}

// Each pixel holds its column (two bytes) and its row (one byte).
std::vector<BYTE> Numbered(WORD depth, LONG width, LONG height) {
  const DWORD stride = DibStride(width, depth);
  std::vector<BYTE> frame(static_cast<std::size_t>(stride) * height, 0xEE);
  for (LONG y = 0; y < height; ++y) {
    for (LONG x = 0; x < width; ++x) {
      BYTE* pixel = frame.data() + y * stride + x * (depth / 8);
      pixel[0] = static_cast<BYTE>(x & 0xFF);
      pixel[1] = static_cast<BYTE>(x >> 8);
      pixel[2] = static_cast<BYTE>(y);
    }
  }
  return frame;
}

struct Pixel {
  int x;
  int y;
};

Pixel PixelAt(const std::vector<BYTE>& frame, WORD depth, LONG width, LONG x, LONG y) {
  const BYTE* pixel = frame.data() + y * DibStride(width, depth) + x * (depth / 8);
  return {pixel[0] | (pixel[1] << 8), pixel[2]};
}

class Deinterlacer : public ::testing::Test {
 protected:
  void SetUp() override {
    filter_ = module_test::CreateDeinterlacer();
    ASSERT_TRUE(filter_);
    record_ = RecordOf(filter_.Get());
    ASSERT_NE(record_, nullptr);
    record_->Mode = kModeHalfSizeDeinterlacer;
  }

  // Runs `frames` frames through source -> deinterlacer -> sink and takes the chain apart.
  void RunFrames(FrameSource* source, int frames) {
    FilterChain chain;
    ASSERT_EQ(filter_test::ConnectFilters(source, filter_.Get()), S_OK);
    ASSERT_EQ(filter_test::ConnectFilters(filter_.Get(), sink_.Get()), S_OK);
    outputType_ = ConnectionType();
    chain.Add(source, "source");
    chain.Add(filter_.Get(), "deinterlacer");
    chain.Add(sink_.Get(), "sink");
    source->Stream()->timeStamps = true;
    source->Stream()->frameLimit = frames;
    ASSERT_TRUE(SUCCEEDED(chain.Run()));
    EXPECT_TRUE(WaitUntil([&] { return sink_->Samples() >= frames; }));
    EXPECT_EQ(chain.Stop(), S_OK);
  }

  MediaType ConnectionType() {
    MediaType type;
    EXPECT_EQ(PinOf(filter_.Get(), PINDIR_OUTPUT)->ConnectionMediaType(type.ResetAndGet()), S_OK);
    return type;
  }

  ComPtr<IBaseFilter> filter_;
  TGrabberControl* record_ = nullptr;
  ComPtr<CapturingRenderer> sink_ = MakeComObject<CapturingRenderer>();
  MediaType outputType_;
};

TEST_F(Deinterlacer, HalvesAPalPictureIntoTheEvenRowsAndOddColumns) {
  auto source = MakeComObject<FrameSource>(Rgb(24, 720, 576), Numbered(24, 720, 576));
  RunFrames(source.Get(), 2);

  const std::optional<VideoFormatInfo> format = ReadVideoFormat(outputType_.Get());
  ASSERT_TRUE(format);
  EXPECT_EQ(outputType_->subtype, MEDIASUBTYPE_RGB24);
  EXPECT_EQ(format->width, 360);
  EXPECT_EQ(format->height, 288);
  EXPECT_EQ(format->bitCount, 24);
  EXPECT_EQ(format->avgTimePerFrame, kInterval);
  EXPECT_EQ(format->imageSize, 1080u * 288u);  // rows of 1080 bytes
  EXPECT_EQ(outputType_->lSampleSize, 1080u * 288u);

  const std::vector<BYTE> frame = sink_->LastFrame();
  ASSERT_EQ(frame.size(), 1080u * 288u) << "the output sample carries the output's length";
  EXPECT_TRUE(sink_->LastHadTimes());
  for (LONG y : {0, 1, 143, 287}) {
    for (LONG x : {0, 1, 180, 359}) {
      const Pixel pixel = PixelAt(frame, 24, 360, x, y);
      EXPECT_EQ(pixel.x, 2 * x + 1) << x << "," << y;
      EXPECT_EQ(pixel.y, (2 * y) & 0xFF) << x << "," << y;
    }
  }
}

TEST_F(Deinterlacer, AnOddWidthCarriesTheColumnPhaseFromRowToRowAndFrameToFrame) {
  // 321 x 5: three rows kept (two written), 160 columns from 321.
  auto source = MakeComObject<FrameSource>(Rgb(32, 321, 5), Numbered(32, 321, 5));
  RunFrames(source.Get(), 1);
  const std::optional<VideoFormatInfo> format = ReadVideoFormat(outputType_.Get());
  ASSERT_TRUE(format);
  EXPECT_EQ(format->width, 160);
  EXPECT_EQ(format->height, 2);
  std::vector<BYTE> frame = sink_->LastFrame();
  ASSERT_EQ(frame.size(), 160u * 4u * 2u);
  // First frame: odd columns of row 0, even columns of row 2.
  EXPECT_EQ(PixelAt(frame, 32, 160, 0, 0).x, 1);
  EXPECT_EQ(PixelAt(frame, 32, 160, 159, 0).x, 319);
  EXPECT_EQ(PixelAt(frame, 32, 160, 0, 1).x, 0);
  EXPECT_EQ(PixelAt(frame, 32, 160, 159, 1).x, 318);
  EXPECT_EQ(PixelAt(frame, 32, 160, 0, 1).y, 2);

  // The third kept row moved the phase on: the next frame starts with the even columns.
  RunFrames(source.Get(), 2);
  frame = sink_->LastFrame();
  EXPECT_EQ(PixelAt(frame, 32, 160, 0, 0).x, 0);
  EXPECT_EQ(PixelAt(frame, 32, 160, 0, 1).x, 1);
}

TEST_F(Deinterlacer, RefusesAnotherDepthAfterTheFirstAndUnwantedTypes) {
  const MediaType rgb24 = Rgb(24, 64, 32);
  const MediaType rgb32 = Rgb(32, 64, 32);
  const ComPtr<IPin> input = PinOf(filter_.Get(), PINDIR_INPUT);
  EXPECT_EQ(input->QueryAccept(MakeVideoMediaType(MEDIASUBTYPE_YUY2, 64, 32)->Ptr()),
            S_FALSE);
  auto first = MakeComObject<FrameSource>(rgb24);
  ASSERT_EQ(filter_test::ConnectFilters(first.Get(), filter_.Get()), S_OK);
  filter_test::DisconnectAll(first.Get());
  auto second = MakeComObject<FrameSource>(rgb32);
  EXPECT_FALSE(SUCCEEDED(filter_test::ConnectFilters(second.Get(), filter_.Get())));
  EXPECT_EQ(input->QueryAccept(rgb24.Ptr()), S_OK);

  // Output types: two offers of the half-size picture, then no more; none without an input.
  ComPtr<IEnumMediaTypes> types;
  const ComPtr<IPin> output = PinOf(filter_.Get(), PINDIR_OUTPUT);
  ASSERT_EQ(filter_test::ConnectFilters(first.Get(), filter_.Get()), S_OK);
  ASSERT_EQ(output->EnumMediaTypes(types.ReleaseAndGetAddressOf()), S_OK);
  int offered = 0;
  AM_MEDIA_TYPE* type = nullptr;
  while (types->Next(1, &type, nullptr) == S_OK) {
    const std::optional<VideoFormatInfo> format = ReadVideoFormat(*type);
    EXPECT_TRUE(format && format->width == 32 && format->height == 16 && format->bitCount == 24);
    DeleteMediaType(type);
    ++offered;
  }
  EXPECT_EQ(offered, 2);
  // A downstream type of another size would overrun the output buffers.
  EXPECT_EQ(output->QueryAccept(Rgb(24, 64, 32).Ptr()), S_FALSE);
  EXPECT_EQ(output->QueryAccept(Rgb(24, 32, 16).Ptr()), S_OK);
  filter_test::DisconnectAll(first.Get());
}

// The pixels are whatever the buffer held: only the length and times are known.
TEST_F(Deinterlacer, WithoutAModePassesTimesAndTheOutputLength) {
  record_->Mode = 0;
  auto source = MakeComObject<FrameSource>(Rgb(24, 64, 32), std::vector<BYTE>(64 * 3 * 32, 0x55));
  RunFrames(source.Get(), 1);
  const std::vector<BYTE> frame = sink_->LastFrame();
  ASSERT_EQ(frame.size(), 96u * 16u);
  EXPECT_TRUE(sink_->LastHadTimes());
}

}  // namespace
