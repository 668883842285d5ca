#include "devices/v4l2/V4l2FrameCopy.h"

#include <cstring>

#include "devices/v4l2/V4l2Formats.h"

namespace devices {
namespace {

struct Plane {
  std::size_t rowBytes;  // of the packed output
  std::size_t stride;    // in the driver's frame
  std::uint32_t rows;
};

// The planes of a frame: one for packed formats, Y then chroma for planar ones.
int PlanesOf(std::uint32_t fourcc, std::uint32_t width, std::uint32_t height,
             std::size_t bytesPerLine, Plane planes[3]) {
  switch (fourcc) {
    case V4L2_PIX_FMT_NV12:
      planes[0] = {width, bytesPerLine, height};
      planes[1] = {width, bytesPerLine, height / 2};
      return 2;
    case V4L2_PIX_FMT_YUV420:
    case V4L2_PIX_FMT_YVU420:
      planes[0] = {width, bytesPerLine, height};
      planes[1] = {width / 2, bytesPerLine / 2, height / 2};
      planes[2] = planes[1];
      return 3;
    case V4L2_PIX_FMT_GREY:
      planes[0] = {width, bytesPerLine, height};
      return 1;
    case V4L2_PIX_FMT_BGR24:
    case V4L2_PIX_FMT_RGB24:
      planes[0] = {width * 3u, bytesPerLine, height};
      return 1;
    case V4L2_PIX_FMT_XBGR32:
    case V4L2_PIX_FMT_BGR32:
      planes[0] = {width * 4u, bytesPerLine, height};
      return 1;
    default:  // packed 4:2:2
      planes[0] = {width * 2u, bytesPerLine, height};
      return 1;
  }
}

void CopyRows(const std::uint8_t* from, const Plane& plane, std::uint8_t* to, FrameLayout layout) {
  for (std::uint32_t row = 0; row < plane.rows; ++row) {
    const std::uint8_t* source = from + row * plane.stride;
    const std::uint32_t target = layout == FrameLayout::kAsIs ? row : plane.rows - 1 - row;
    std::uint8_t* dest = to + target * plane.rowBytes;
    if (layout != FrameLayout::kSwapAndFlip) {
      std::memcpy(dest, source, plane.rowBytes);
      continue;
    }
    for (std::size_t x = 0; x + 2 < plane.rowBytes; x += 3) {
      dest[x] = source[x + 2];
      dest[x + 1] = source[x + 1];
      dest[x + 2] = source[x];
    }
  }
}

}  // namespace

std::size_t CopyV4l2Frame(const std::uint8_t* data, std::size_t bytes,
                          const v4l2_pix_format& driver, std::uint32_t width, std::uint32_t height,
                          std::uint8_t* out, std::size_t capacity) {
  if (driver.pixelformat == V4L2_PIX_FMT_MJPEG || driver.pixelformat == V4L2_PIX_FMT_JPEG) {
    if (bytes > capacity) return 0;
    std::memcpy(out, data, bytes);
    return bytes;
  }
  if (width > driver.width || height > driver.height) return 0;
  Plane planes[3];
  const int count = PlanesOf(driver.pixelformat, width, height, driver.bytesperline, planes);
  Plane driverPlanes[3];
  PlanesOf(driver.pixelformat, driver.width, driver.height, driver.bytesperline, driverPlanes);
  std::size_t needed = 0;
  std::size_t written = 0;
  for (int i = 0; i < count; ++i) {
    needed += driverPlanes[i].stride * driverPlanes[i].rows;
    written += planes[i].rowBytes * planes[i].rows;
  }
  if (bytes < needed - (driverPlanes[count - 1].stride - planes[count - 1].rowBytes) ||
      written > capacity) {
    return 0;  // a short frame (or a sample too small) is never read or written past its end
  }
  const FrameLayout layout = LayoutOfPixelFormat(driver.pixelformat);
  if (layout == FrameLayout::kAsIs && written == needed) {
    std::memcpy(out, data, written);  // unpadded rows of the connection's size: one copy
    return written;
  }
  const std::uint8_t* from = data;
  std::uint8_t* to = out;
  for (int i = 0; i < count; ++i) {
    CopyRows(from, planes[i], to, layout);
    from += driverPlanes[i].stride * driverPlanes[i].rows;
    to += planes[i].rowBytes * planes[i].rows;
  }
  return written;
}

bool IsCompleteJpeg(const std::uint8_t* data, std::size_t bytes) {
  if (bytes < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
  std::size_t end = bytes;
  while (end > 2 && data[end - 1] == 0)
    --end;
  return end >= 4 && data[end - 2] == 0xFF && data[end - 1] == 0xD9;
}

}  // namespace devices
