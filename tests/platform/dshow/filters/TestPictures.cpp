#include "TestPictures.h"

#include <algorithm>
#include <cmath>

#include "gdi/BitmapInfo.h"

namespace test_pictures {

void ToYuv(const Rgb& c, BYTE* y, BYTE* u, BYTE* v) {
  const auto clamp = [](double value) {
    return static_cast<BYTE>(std::clamp(std::lround(value), 0L, 255L));
  };
  const double r = c.r / 255.0, g = c.g / 255.0, b = c.b / 255.0;
  *y = clamp(16 + 65.481 * r + 128.553 * g + 24.966 * b);
  *u = clamp(128 - 37.797 * r - 74.203 * g + 112.0 * b);
  *v = clamp(128 + 112.0 * r - 93.786 * g - 18.214 * b);
}

std::vector<BYTE> Yuy2Bands(int width, int height, const std::vector<Rgb>& bands) {
  const int stride = (width + 1) / 2 * 4;
  std::vector<BYTE> frame(static_cast<size_t>(stride) * height);
  for (int row = 0; row < height; ++row) {
    BYTE y, u, v;
    ToYuv(bands[static_cast<size_t>(row) * bands.size() / height], &y, &u, &v);
    for (int pair = 0; pair < stride / 4; ++pair) {
      BYTE* p = &frame[static_cast<size_t>(row) * stride + pair * 4];
      p[0] = y;
      p[1] = u;
      p[2] = y;
      p[3] = v;
    }
  }
  return frame;
}

std::vector<BYTE> Planar420(int width, int height, const Rgb& colour, bool vFirst) {
  BYTE y, u, v;
  ToYuv(colour, &y, &u, &v);
  const size_t luma = static_cast<size_t>(width) * height;
  const size_t chroma = static_cast<size_t>((width + 1) / 2) * ((height + 1) / 2);
  std::vector<BYTE> frame(luma + 2 * chroma, y);
  std::fill_n(frame.begin() + luma, chroma, vFirst ? v : u);
  std::fill_n(frame.begin() + luma + chroma, chroma, vFirst ? u : v);
  return frame;
}

Rgb Rgb24At(const BYTE* dib, int width, int row, int x) {
  const BYTE* p = dib + static_cast<size_t>(DibStride(width, 24)) * row + x * 3;
  return Rgb{p[2], p[1], p[0]};
}

Rgb Rgb24At(const std::vector<BYTE>& dib, int width, int row, int x) {
  return Rgb24At(dib.data(), width, row, x);
}

}  // namespace test_pictures
