// The DV video codec between a source of real DV frames (encoded with libavcodec like the
// virtual camcorders') and an RGB sink: the display sizes, the RGB range and damaged frames.

#include "dshow/filters/DVVideoCodec.h"

#include <gtest/gtest.h>

#include <functional>

#include "FilterTestSupport.h"
#include "devices/virtual/CompressedFrameEncoder.h"
#include "dshow/VideoMediaType.h"

namespace {

using filter_test::CapturingRenderer;
using filter_test::ConnectFilters;
using filter_test::FilterChain;
using filter_test::FrameSource;
using filter_test::PinOf;

std::vector<BYTE> DVFrame(LONG height) {
  auto encoder = devices::CompressedFrameEncoder::Create(MEDIASUBTYPE_dvsd, 720, height);
  std::vector<BYTE> frame(VideoImageSize(MEDIASUBTYPE_dvsd, 720, height));
  devices::PictureDescription picture;
  picture.pattern = devices::PatternKind::kSolid;
  picture.colour = {255, 255, 255};
  picture.moving = false;
  const DWORD written =
      encoder ? encoder->Encode(picture, 0, frame.data(), static_cast<DWORD>(frame.size())) : 0;
  frame.resize(written);
  return frame;
}

struct Decoded {
  LONG width = 0;
  LONG height = 0;
  std::vector<BYTE> frame;
};

// Runs one DV frame through the codec, set up by configure, into an RGB24 sink.
Decoded Decode(LONG height, const std::function<void(DVVideoCodec&)>& configure,
               std::vector<BYTE> frame = {}) {
  if (frame.empty()) frame = DVFrame(height);
  auto source =
      MakeComObject<FrameSource>(*MakeVideoMediaType(MEDIASUBTYPE_dvsd, 720, height), frame);
  auto codec = MakeComObject<DVVideoCodec>();
  configure(*codec.Get());
  auto sink = MakeComObject<CapturingRenderer>(std::vector<GUID>{MEDIASUBTYPE_RGB24});
  Decoded result;
  if (ConnectFilters(source.Get(), codec.Get()) != S_OK ||
      ConnectFilters(codec.Get(), sink.Get()) != S_OK) {
    filter_test::DisconnectAll(codec.Get());
    return result;
  }
  MediaType connected;
  PinOf(sink.Get(), PINDIR_INPUT)->ConnectionMediaType(connected.ResetAndGet());
  const auto format = ReadVideoFormat(connected.Get());
  result.width = format->width;
  result.height = format->height;
  FilterChain chain;
  chain.Add(source.Get(), "source");
  chain.Add(codec.Get(), "DV Codec");
  chain.Add(sink.Get(), "sink");
  source->Stream()->frameLimit = 2;
  if (SUCCEEDED(chain.Run())) {
    filter_test::WaitUntil([&] { return chain.Graph().Count(EC_COMPLETE) == 1; });
    result.frame = sink->LastFrame();
  }
  return result;  // the chain stops and disconnects the filters
}

TEST(DVVideoCodecTest, DecodesToHalfSizeByDefaultAndToTheChosenDisplaySize) {
  const Decoded half = Decode(480, [](DVVideoCodec&) {});
  EXPECT_EQ(half.width, 360);
  EXPECT_EQ(half.height, 240);
  EXPECT_EQ(half.frame.size(), 360u * 240 * 3);

  const Decoded full = Decode(
      576, [](DVVideoCodec& codec) { EXPECT_EQ(codec.put_IPDisplay(DVRESOLUTION_FULL), S_OK); });
  EXPECT_EQ(full.width, 720);
  EXPECT_EQ(full.height, 576);

  const Decoded dc = Decode(480, [](DVVideoCodec& codec) {
    codec.put_IPDisplay(DVRESOLUTION_DC);
    int display = 0;
    codec.get_IPDisplay(&display);
    EXPECT_EQ(display, DVRESOLUTION_DC);
    EXPECT_EQ(codec.put_IPDisplay(999), E_INVALIDARG);
  });
  EXPECT_EQ(dc.width, 88);
  EXPECT_EQ(dc.height, 60);
}

TEST(DVVideoCodecTest, StudioRangeKeepsWhiteBelowFullRange) {
  const Decoded full = Decode(480, [](DVVideoCodec&) {});
  const Decoded studio = Decode(480, [](DVVideoCodec& codec) { codec.SetRGB219(TRUE); });
  ASSERT_FALSE(full.frame.empty());
  ASSERT_FALSE(studio.frame.empty());
  const BYTE fullMiddle = full.frame[full.frame.size() / 2];
  const BYTE studioMiddle = studio.frame[studio.frame.size() / 2];
  EXPECT_GE(fullMiddle, 245);
  EXPECT_LE(studioMiddle, 240);
  EXPECT_GE(studioMiddle, 225);
}

TEST(DVVideoCodecTest, AFrameThatDoesNotDecodeIsDroppedWithoutEndingTheStream) {
  const Decoded damaged = Decode(
      480, [](DVVideoCodec&) {}, std::vector<BYTE>(1000, 0x55));
  EXPECT_EQ(damaged.width, 360);
  EXPECT_TRUE(damaged.frame.empty());
}

}  // namespace
