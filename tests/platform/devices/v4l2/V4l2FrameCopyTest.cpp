// Driver frames into samples: padded rows packed, RGB rows turned bottom-up (and R,G,B swapped),
// frames larger than the connection cut to it, short frames refused, and whole JPEG frames told
// from cut ones.

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "devices/v4l2/V4l2FrameCopy.h"

namespace {

v4l2_pix_format Driver(std::uint32_t fourcc, std::uint32_t width, std::uint32_t height,
                       std::uint32_t bytesPerLine) {
  v4l2_pix_format format{};
  format.pixelformat = fourcc;
  format.width = width;
  format.height = height;
  format.bytesperline = bytesPerLine;
  return format;
}

std::vector<std::uint8_t> Numbered(std::size_t bytes) {
  std::vector<std::uint8_t> data(bytes);
  std::iota(data.begin(), data.end(), std::uint8_t{0});
  return data;
}

TEST(V4l2FrameCopy, RowsArePackedFlippedOrSwappedAsTheSubtypeWants) {
  struct Case {
    const char* what;
    v4l2_pix_format driver;
    std::uint32_t width, height;
    // The output byte at index, as the index of the input byte it comes from.
    std::vector<std::pair<std::size_t, std::size_t>> picks;
    std::size_t written;
  };
  const Case cases[] = {
      {"YUYV padded to 8 bytes a row",
       Driver(V4L2_PIX_FMT_YUYV, 2, 2, 8),
       2,
       2,
       {{0, 0}, {3, 3}, {4, 8}, {7, 11}},
       8},
      {"YUYV taller than the connection",
       Driver(V4L2_PIX_FMT_YUYV, 2, 3, 4),
       2,
       2,
       {{4, 4}, {7, 7}},
       8},
      {"BGR24 rows bottom-up",
       Driver(V4L2_PIX_FMT_BGR24, 1, 2, 3),
       1,
       2,
       {{0, 3}, {2, 5}, {3, 0}},
       6},
      {"RGB24 swapped and bottom-up",
       Driver(V4L2_PIX_FMT_RGB24, 1, 2, 3),
       1,
       2,
       {{0, 5}, {2, 3}, {3, 2}, {5, 0}},
       6},
      {"I420 planes with padded luma",
       Driver(V4L2_PIX_FMT_YUV420, 2, 2, 4),
       2,
       2,
       {{0, 0}, {2, 4}, {4, 8}, {5, 10}},
       6},
  };
  for (const Case& c : cases) {
    const auto input = Numbered(64);
    std::vector<std::uint8_t> output(64, 0xEE);
    EXPECT_EQ(devices::CopyV4l2Frame(input.data(), input.size(), c.driver, c.width, c.height,
                                     output.data(), output.size()),
              c.written)
        << c.what;
    for (const auto& [out, in] : c.picks)
      EXPECT_EQ(output[out], input[in]) << c.what << " " << out;
  }
}

TEST(V4l2FrameCopy, ShortFramesAndSmallSamplesAreRefused) {
  const auto driver = Driver(V4L2_PIX_FMT_YUYV, 4, 4, 8);
  const auto input = Numbered(32);
  std::vector<std::uint8_t> output(32);
  EXPECT_EQ(devices::CopyV4l2Frame(input.data(), 31, driver, 4, 4, output.data(), 32), 0u);
  EXPECT_EQ(devices::CopyV4l2Frame(input.data(), 32, driver, 4, 4, output.data(), 31), 0u);
  EXPECT_EQ(devices::CopyV4l2Frame(input.data(), 32, driver, 8, 4, output.data(), 32), 0u);
  const auto mjpg = Driver(V4L2_PIX_FMT_MJPEG, 4, 4, 0);
  EXPECT_EQ(devices::CopyV4l2Frame(input.data(), 20, mjpg, 4, 4, output.data(), 32), 20u);
  EXPECT_EQ(devices::CopyV4l2Frame(input.data(), 32, mjpg, 4, 4, output.data(), 16), 0u);
}

TEST(V4l2FrameCopy, AJpegFrameIsWholeWithItsEndMarkerEvenWhenPadded) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    bool whole;
  };
  const Case cases[] = {
      {{0xFF, 0xD8, 0x00, 0xFF, 0xD9}, true},
      {{0xFF, 0xD8, 0x00, 0xFF, 0xD9, 0x00, 0x00}, true},
      {{0xFF, 0xD8, 0x00, 0x12, 0x34}, false},
      {{0x00, 0xD8, 0x00, 0xFF, 0xD9}, false},
      {{0xFF, 0xD8}, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(devices::IsCompleteJpeg(c.bytes.data(), c.bytes.size()), c.whole);
}

}  // namespace
