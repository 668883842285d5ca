// What virtual devices deliver: the moving test picture in each layout, the tone, time codes.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "devices/virtual/TestPattern.h"
#include "devices/virtual/Timecode.h"
#include "devices/virtual/ToneGenerator.h"
#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace {

using devices::PaintTestPattern;
using devices::PatternKind;
using devices::PictureDescription;

std::vector<BYTE> Paint(const PictureDescription& picture, const GUID& subtype, LONG width,
                        LONG height, LONGLONG frame) {
  const MediaType type = *MakeVideoMediaType(subtype, width, height);
  std::vector<BYTE> buffer(VideoImageSize(subtype, width, height) + 16, 0xEE);
  const DWORD written = PaintTestPattern(picture, type.Get(), frame, buffer.data(),
                                         static_cast<DWORD>(buffer.size()));
  EXPECT_EQ(written, VideoImageSize(subtype, width, height));
  EXPECT_EQ(buffer.back(), 0xEE) << "wrote past the image";
  buffer.resize(written);
  return buffer;
}

TEST(TestPattern, SolidColoursComeOutInEachLayout) {
  PictureDescription red;
  red.pattern = PatternKind::kSolid;
  red.moving = false;
  red.colour = {255, 0, 0};
  const auto rgb24 = Paint(red, MEDIASUBTYPE_RGB24, 6, 2, 0);
  EXPECT_EQ(rgb24[0], 0);  // blue first
  EXPECT_EQ(rgb24[2], 255);
  const auto rgb32 = Paint(red, MEDIASUBTYPE_RGB32, 4, 2, 0);
  EXPECT_EQ(rgb32[2], 255);
  EXPECT_EQ(rgb32[3], 255);
  const auto rgb565 = Paint(red, MEDIASUBTYPE_RGB565, 4, 2, 0);
  WORD pixel = 0;
  std::memcpy(&pixel, rgb565.data(), 2);
  EXPECT_EQ(pixel, 0xF800);
  const auto yuy2 = Paint(red, MEDIASUBTYPE_YUY2, 4, 2, 0);
  EXPECT_EQ(yuy2[0], 82);   // Y of red
  EXPECT_EQ(yuy2[1], 90);   // U
  EXPECT_EQ(yuy2[3], 240);  // V
  const auto uyvy = Paint(red, MEDIASUBTYPE_UYVY, 4, 2, 0);
  EXPECT_EQ(uyvy[1], 82);
  EXPECT_EQ(uyvy[0], 90);
  const auto i420 = Paint(red, MEDIASUBTYPE_I420, 4, 4, 0);
  EXPECT_EQ(i420[0], 82);
  EXPECT_EQ(i420[16], 90);       // the U plane follows the luma
  EXPECT_EQ(i420[16 + 4], 240);  // then the V plane
  const auto yv12 = Paint(red, MEDIASUBTYPE_YV12, 4, 4, 0);
  EXPECT_EQ(yv12[16], 240);  // V first
}

TEST(TestPattern, RgbRowsAreStoredBottomUp) {
  PictureDescription gradient;
  gradient.pattern = PatternKind::kGradient;
  gradient.moving = false;
  const auto image = Paint(gradient, MEDIASUBTYPE_RGB24, 8, 4, 0);
  // Green rises from the top of the picture to its bottom; the top row is stored last.
  const std::size_t stride = DibStride(8, 24);
  EXPECT_EQ(image[stride * 3 + 1], 0);
  EXPECT_EQ(image[1], 255);
}

TEST(TestPattern, MovingPicturesChangeFromFrameToFrame) {
  PictureDescription bars;
  EXPECT_NE(Paint(bars, MEDIASUBTYPE_YUY2, 64, 48, 0), Paint(bars, MEDIASUBTYPE_YUY2, 64, 48, 1));
  bars.moving = false;
  EXPECT_EQ(Paint(bars, MEDIASUBTYPE_YUY2, 64, 48, 0), Paint(bars, MEDIASUBTYPE_YUY2, 64, 48, 7));
}

TEST(TestPattern, AlternatingFramesAreWholeFramesOfTheirTwoColours) {
  PictureDescription alternate;  // moving by default: no marker is drawn all the same
  alternate.pattern = PatternKind::kAlternate;
  alternate.colour = {255, 0, 0};
  alternate.colour2 = {0, 0, 255};
  const auto even = Paint(alternate, MEDIASUBTYPE_RGB24, 16, 16, 4);
  const auto odd = Paint(alternate, MEDIASUBTYPE_RGB24, 16, 16, 7);
  for (std::size_t i = 0; i < even.size(); i += 3) {
    ASSERT_EQ((std::vector<BYTE>{even[i], even[i + 1], even[i + 2]}),
              (std::vector<BYTE>{0, 0, 255}));  // blue, green, red
    ASSERT_EQ((std::vector<BYTE>{odd[i], odd[i + 1], odd[i + 2]}), (std::vector<BYTE>{255, 0, 0}));
  }
}

TEST(TestPattern, ABufferTooSmallGetsNothing) {
  const MediaType type = *MakeVideoMediaType(MEDIASUBTYPE_RGB24, 64, 48);
  std::vector<BYTE> buffer(100);
  EXPECT_EQ(PaintTestPattern({}, type.Get(), 0, buffer.data(), 100), 0u);
}

TEST(ToneGenerator, WritesTheSameContinuousToneOnEveryChannel) {
  const MediaType type = MakePcmMediaType(8000, 16, 2);
  devices::ToneGenerator tone({1000.0, 0.5}, *WaveFormatOf(type.Get()));
  std::vector<std::int16_t> first(16);
  std::vector<std::int16_t> second(16);
  tone.Fill(reinterpret_cast<BYTE*>(first.data()), 32);
  tone.Fill(reinterpret_cast<BYTE*>(second.data()), 32);
  for (std::size_t i = 0; i < first.size(); i += 2) {
    EXPECT_EQ(first[i], first[i + 1]);
    EXPECT_LE(std::abs(first[i]), 16384);
  }
  // 1000 Hz at 8000 samples a second repeats every eight samples, across calls too.
  EXPECT_EQ(first[0], 0);
  EXPECT_EQ(first[4], 16384);  // a quarter period: the peak
  EXPECT_EQ(second[0], first[0]);
  EXPECT_EQ(second[4], first[4]);
}

TEST(Timecode, CountsFramesAcrossSecondsMinutesAndHours) {
  EXPECT_EQ(devices::TimecodeToFrames(0x01234517, 25), ((1 * 60 + 23) * 60 + 45) * 25 + 17);
  EXPECT_EQ(devices::FramesToTimecode(devices::TimecodeToFrames(0x00595924, 25) + 1, 25),
            0x01000000u);
  EXPECT_EQ(devices::FramesToTimecode(24LL * 3600 * 30, 30), 0u);  // hours wrap at 24
}

}  // namespace
