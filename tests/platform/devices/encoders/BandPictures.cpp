#include "BandPictures.h"

#include "dshow/Uuids.h"
#include "gdi/BitmapInfo.h"

namespace encoder_test {
namespace {

using test_pictures::Rgb;

struct Yuv {
  BYTE y, u, v;
};

Yuv YuvOf(const Rgb& colour) {
  Yuv yuv{};
  test_pictures::ToYuv(colour, &yuv.y, &yuv.u, &yuv.v);
  return yuv;
}

std::vector<BYTE> RgbBands(int width, int height, const Rgb& top, const Rgb& bottom, int bytes) {
  const auto stride = static_cast<int>(DibStride(width, static_cast<WORD>(bytes * 8)));
  std::vector<BYTE> frame(static_cast<size_t>(stride) * height);
  for (int row = 0; row < height; ++row) {
    // Buffer row 0 is the picture's bottom row.
    const Rgb& colour = height - 1 - row < height / 2 ? top : bottom;
    for (int x = 0; x < width; ++x) {
      BYTE* p = &frame[static_cast<size_t>(row) * stride + static_cast<size_t>(x) * bytes];
      p[0] = static_cast<BYTE>(colour.b);
      p[1] = static_cast<BYTE>(colour.g);
      p[2] = static_cast<BYTE>(colour.r);
      if (bytes == 4) p[3] = 0xFF;
    }
  }
  return frame;
}

std::vector<BYTE> UyvyBands(int width, int height, const Rgb& top, const Rgb& bottom) {
  std::vector<BYTE> frame = test_pictures::Yuy2Bands(width, height, {top, bottom});
  for (size_t i = 0; i + 1 < frame.size(); i += 2)
    std::swap(frame[i], frame[i + 1]);  // Y U Y V -> U Y V Y
  return frame;
}

// 4:2:0: Y plane, then chroma as U and V planes (in either order) or interleaved U V (NV12).
std::vector<BYTE> Bands420(int width, int height, const Rgb& top, const Rgb& bottom,
                           const GUID& subtype) {
  const size_t luma = static_cast<size_t>(width) * height;
  const int chromaWidth = width / 2;
  const int chromaHeight = height / 2;
  const size_t chroma = static_cast<size_t>(chromaWidth) * chromaHeight;
  std::vector<BYTE> frame(luma + 2 * chroma);
  for (int row = 0; row < height; ++row) {
    const Yuv yuv = YuvOf(row < height / 2 ? top : bottom);
    std::fill_n(frame.begin() + static_cast<std::ptrdiff_t>(row) * width, width, yuv.y);
  }
  for (int row = 0; row < chromaHeight; ++row) {
    const Yuv yuv = YuvOf(row < chromaHeight / 2 ? top : bottom);
    for (int x = 0; x < chromaWidth; ++x) {
      const size_t at = static_cast<size_t>(row) * chromaWidth + x;
      if (subtype == MEDIASUBTYPE_NV12) {
        frame[luma + 2 * at] = yuv.u;
        frame[luma + 2 * at + 1] = yuv.v;
      } else {
        const bool vFirst = subtype == MEDIASUBTYPE_YV12;
        frame[luma + at] = vFirst ? yuv.v : yuv.u;
        frame[luma + chroma + at] = vFirst ? yuv.u : yuv.v;
      }
    }
  }
  return frame;
}

}  // namespace

std::vector<BYTE> BandPicture(const GUID& subtype, int width, int height, const Rgb& top,
                              const Rgb& bottom) {
  if (subtype == MEDIASUBTYPE_RGB24) return RgbBands(width, height, top, bottom, 3);
  if (subtype == MEDIASUBTYPE_RGB32) return RgbBands(width, height, top, bottom, 4);
  if (subtype == MEDIASUBTYPE_YUY2) return test_pictures::Yuy2Bands(width, height, {top, bottom});
  if (subtype == MEDIASUBTYPE_UYVY) return UyvyBands(width, height, top, bottom);
  return Bands420(width, height, top, bottom, subtype);
}

}  // namespace encoder_test
