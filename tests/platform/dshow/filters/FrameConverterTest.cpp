// Pixel layouts and colours of the swscale-backed frame conversion.

#include "dshow/filters/FrameConverter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "TestPictures.h"
#include "dshow/Uuids.h"

namespace {

using test_pictures::kBlue;
using test_pictures::kGreen;
using test_pictures::kRed;
using test_pictures::kWhite;
using test_pictures::Rgb;

std::vector<BYTE> Convert(const FrameFormat& in, const std::vector<BYTE>& source,
                          const FrameFormat& out) {
  FrameConverter converter;
  EXPECT_TRUE(converter.Configure(in, out));
  std::vector<BYTE> target(FrameConverter::FrameBytes(out), 0xCD);
  EXPECT_TRUE(converter.Convert(source.data(), source.size(), target.data(), target.size()));
  return target;
}

TEST(FrameConverterTest, Yuy2BandsBecomeBottomUpRgb24) {
  // Red over green over blue over white, in quarters from the top.
  const std::vector<Rgb> bands = {kRed, kGreen, kBlue, kWhite};
  const auto yuy2 = test_pictures::Yuy2Bands(640, 480, bands);
  const auto rgb = Convert({MEDIASUBTYPE_YUY2, 640, 480}, yuy2, {MEDIASUBTYPE_RGB24, 640, 480});
  for (int band = 0; band < 4; ++band) {
    const int topRow = band * 120 + 60;
    // Bottom-up: the picture's top row is the buffer's last one.
    for (int x : {0, 321, 639}) {
      EXPECT_TRUE(
          test_pictures::Near(test_pictures::Rgb24At(rgb, 640, 479 - topRow, x), bands[band]))
          << "band " << band << " x " << x;
    }
  }
}

TEST(FrameConverterTest, NegativeHeightWritesTopDownRows) {
  const auto yuy2 = test_pictures::Yuy2Bands(64, 32, {kRed, kBlue});
  const auto rgb = Convert({MEDIASUBTYPE_YUY2, 64, 32}, yuy2, {MEDIASUBTYPE_RGB24, 64, -32});
  EXPECT_TRUE(test_pictures::Near(test_pictures::Rgb24At(rgb, 64, 0, 5), kRed));
  EXPECT_TRUE(test_pictures::Near(test_pictures::Rgb24At(rgb, 64, 31, 5), kBlue));
}

// A picture whose rows are greys of different levels, in YUY2 or I420.
std::vector<BYTE> GreyRows(const GUID& subtype, int w, int h) {
  const auto level = [](int row) { return static_cast<BYTE>(16 + row * 7 % 200); };
  std::vector<BYTE> frame(FrameConverter::FrameBytes({subtype, w, h}), 128);
  const bool packed = subtype == MEDIASUBTYPE_YUY2;
  const int stride = packed ? (w + 1) / 2 * 4 : w;
  for (int row = 0; row < h; ++row) {
    for (int x = 0; x < (packed ? stride : w); x += packed ? 2 : 1) {
      frame[static_cast<size_t>(row) * stride + x] = level(row);
    }
  }
  return frame;
}

TEST(FrameConverterTest, EveryRowLandsInPlaceAtAwkwardSizes) {
  // Odd widths make the vector code write past row ends; small heights take the scratch path.
  struct Size {
    int w, h;
  };
  for (const Size size : {Size{3, 2}, Size{8, 4}, Size{642, 20}, Size{646, 13}, Size{100, 12}}) {
    for (const GUID& in : {MEDIASUBTYPE_YUY2, MEDIASUBTYPE_I420}) {
      for (const LONG outHeight : {LONG{size.h}, LONG{-size.h}}) {
        const auto rgb = Convert({in, size.w, size.h}, GreyRows(in, size.w, size.h),
                                 {MEDIASUBTYPE_RGB24, size.w, outHeight});
        for (int row = 0; row < size.h; ++row) {
          const int expected = std::lround((row * 7 % 200) * 255.0 / 219.0);
          const int bufferRow = outHeight > 0 ? size.h - 1 - row : row;
          for (int x : {0, 1, size.w - 1}) {
            ASSERT_NEAR(test_pictures::Rgb24At(rgb, size.w, bufferRow, x).g, expected, 3)
                << size.w << "x" << size.h << " height " << outHeight << " row " << row << " x "
                << x << (in == MEDIASUBTYPE_I420 ? " I420" : " YUY2");
          }
        }
      }
    }
  }
}

TEST(FrameConverterTest, SixteenBitRgbPacksChannels) {
  const auto yuy2 = test_pictures::Yuy2Bands(16, 4, {kRed});
  const auto rgb565 = Convert({MEDIASUBTYPE_YUY2, 16, 4}, yuy2, {MEDIASUBTYPE_RGB565, 16, 4});
  const auto rgb555 = Convert({MEDIASUBTYPE_YUY2, 16, 4}, yuy2, {MEDIASUBTYPE_RGB555, 16, 4});
  const auto word = [](const std::vector<BYTE>& b) { return b[0] | (b[1] << 8); };
  EXPECT_EQ(word(rgb565) & 0xF800, 0xF800);
  EXPECT_EQ(word(rgb565) & 0x07FF, 0);
  EXPECT_EQ(word(rgb555) & 0x7C00, 0x7C00);
  EXPECT_EQ(word(rgb555) & 0x03FF, 0);
}

TEST(FrameConverterTest, PlanarChromaOrderFollowsTheFourCC) {
  // The same red picture in I420 (U before V) and YV12 (V before U) must both come out red.
  const int w = 8, h = 4;
  const auto i420 = test_pictures::Planar420(w, h, kRed, /*vFirst=*/false);
  const auto yv12 = test_pictures::Planar420(w, h, kRed, /*vFirst=*/true);
  const auto a = Convert({MEDIASUBTYPE_I420, w, h}, i420, {MEDIASUBTYPE_RGB32, w, h});
  const auto b = Convert({MEDIASUBTYPE_YV12, w, h}, yv12, {MEDIASUBTYPE_RGB32, w, h});
  EXPECT_TRUE(test_pictures::Near(Rgb{a[2], a[1], a[0]}, kRed));
  EXPECT_TRUE(test_pictures::Near(Rgb{b[2], b[1], b[0]}, kRed));
}

TEST(FrameConverterTest, RgbToYuy2AndBackKeepsTheColours) {
  std::vector<BYTE> rgb32(16 * 8 * 4);
  for (size_t i = 0; i < rgb32.size(); i += 4) {
    rgb32[i] = kBlue.b;  // the whole picture blue
    rgb32[i + 1] = kBlue.g;
    rgb32[i + 2] = kBlue.r;
  }
  const auto yuy2 = Convert({MEDIASUBTYPE_RGB32, 16, 8}, rgb32, {MEDIASUBTYPE_YUY2, 16, 8});
  EXPECT_NEAR(yuy2[0], 41, 2);   // Y of blue, limited range
  EXPECT_NEAR(yuy2[1], 240, 2);  // U
  const auto back = Convert({MEDIASUBTYPE_YUY2, 16, 8}, yuy2, {MEDIASUBTYPE_RGB24, 16, 8});
  EXPECT_TRUE(test_pictures::Near(test_pictures::Rgb24At(back, 16, 3, 7), kBlue));
}

TEST(FrameConverterTest, RefusesWhatItCannotDo) {
  FrameConverter converter;
  EXPECT_FALSE(FrameConverter::CanRead(MEDIASUBTYPE_MJPG));
  EXPECT_FALSE(FrameConverter::CanWrite(MEDIASUBTYPE_YV12));  // read-only formats
  EXPECT_FALSE(converter.Configure({MEDIASUBTYPE_MJPG, 8, 8}, {MEDIASUBTYPE_RGB24, 8, 8}));
  EXPECT_FALSE(converter.Configure({MEDIASUBTYPE_YUY2, 0, 8}, {MEDIASUBTYPE_RGB24, 8, 8}));
  EXPECT_FALSE(converter.IsConfigured());

  ASSERT_TRUE(converter.Configure({MEDIASUBTYPE_YUY2, 8, 8}, {MEDIASUBTYPE_RGB24, 8, 8}));
  std::vector<BYTE> small(8 * 8 * 2 - 1), target(8 * 8 * 3);
  EXPECT_FALSE(converter.Convert(small.data(), small.size(), target.data(), target.size()));
}

}  // namespace
