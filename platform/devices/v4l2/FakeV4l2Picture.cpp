// The fake node's default picture of raw formats.

#include "devices/v4l2/FakeV4l2Picture.h"

#include <algorithm>
#include <cstring>

namespace devices::fakev4l2 {

void PaintGreyRamp(std::uint32_t sequence, const v4l2_pix_format& format, std::uint8_t* data) {
  const std::uint32_t width = format.width;
  const std::uint32_t height = format.height;
  const auto grey = [&](std::uint32_t x) { return static_cast<std::uint8_t>(x + sequence); };
  switch (format.pixelformat) {
    case V4L2_PIX_FMT_YUYV:
    case V4L2_PIX_FMT_YVYU:
    case V4L2_PIX_FMT_UYVY: {
      // Luma first in YUYV/YVYU, second in UYVY; the chroma bytes neutral.
      const std::uint32_t luma = format.pixelformat == V4L2_PIX_FMT_UYVY ? 1 : 0;
      for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* row = data + static_cast<std::size_t>(y) * format.bytesperline;
        for (std::uint32_t x = 0; x < width; ++x) {
          row[x * 2 + luma] = grey(x);
          row[x * 2 + 1 - luma] = 128;
        }
      }
      return;
    }
    case V4L2_PIX_FMT_GREY:
    case V4L2_PIX_FMT_NV12:
    case V4L2_PIX_FMT_YUV420:
    case V4L2_PIX_FMT_YVU420: {
      for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x)
          data[static_cast<std::size_t>(y) * width + x] = grey(x);
      }
      const std::size_t luma = static_cast<std::size_t>(width) * height;
      std::memset(data + luma, 128, format.sizeimage - luma);
      return;
    }
    default: {
      // RGB and anything else: every byte of a pixel the same grey.
      const std::uint32_t bytes = width == 0 ? 1 : std::max(format.bytesperline / width, 1U);
      for (std::uint32_t y = 0; y < height; ++y) {
        std::uint8_t* row = data + static_cast<std::size_t>(y) * width * bytes;
        for (std::uint32_t x = 0; x < width; ++x)
          std::memset(row + x * bytes, grey(x), bytes);
      }
      return;
    }
  }
}

}  // namespace devices::fakev4l2
