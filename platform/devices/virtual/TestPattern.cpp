#include "devices/virtual/TestPattern.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace devices {
namespace {

struct Rgb {
  BYTE r = 0;
  BYTE g = 0;
  BYTE b = 0;
};

constexpr Rgb kBars[8] = {{235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
                          {235, 16, 235},  {235, 16, 16},  {16, 16, 235},  {16, 16, 16}};

// One row of the picture, top row 0, in RGB.
void PaintRow(const PictureDescription& picture, LONG width, LONG height, LONG y, LONGLONG frame,
              std::vector<Rgb>& row) {
  const LONG shift = picture.moving ? static_cast<LONG>((frame * 4) % std::max<LONG>(width, 1)) : 0;
  for (LONG x = 0; x < width; ++x) {
    const LONG moved = (x + shift) % width;
    Rgb& pixel = row[static_cast<std::size_t>(x)];
    switch (picture.pattern) {
      case PatternKind::kBars:
        pixel = kBars[moved * 8 / width];
        break;
      case PatternKind::kGradient:
        pixel = {static_cast<BYTE>(moved * 255 / std::max<LONG>(width - 1, 1)),
                 static_cast<BYTE>(y * 255 / std::max<LONG>(height - 1, 1)), 128};
        break;
      case PatternKind::kChecker:
        pixel = ((moved / 32 + y / 32) % 2 == 0) ? Rgb{235, 235, 235} : Rgb{16, 16, 16};
        break;
      case PatternKind::kSolid:
        pixel = {picture.colour[0], picture.colour[1], picture.colour[2]};
        break;
      case PatternKind::kAlternate: {
        const auto& colour = frame % 2 == 0 ? picture.colour : picture.colour2;
        pixel = {colour[0], colour[1], colour[2]};
        break;
      }
    }
  }
  // A white marker that travels down the picture, so that still patterns show movement too.
  // Alternating frames are whole colours: they move by changing colour.
  const bool marked = picture.moving && picture.pattern != PatternKind::kAlternate;
  const LONG markerY = marked ? static_cast<LONG>((frame * 2) % std::max<LONG>(height, 1)) : -1;
  if (marked && y >= markerY && y < markerY + 8) {
    for (LONG x = 0; x < std::min<LONG>(width, 8); ++x)
      row[static_cast<std::size_t>(x)] = {255, 255, 255};
  }
}

BYTE Clamp(int value) {
  return static_cast<BYTE>(std::clamp(value, 0, 255));
}
BYTE LumaOf(const Rgb& p) {
  return Clamp(((66 * p.r + 129 * p.g + 25 * p.b + 128) >> 8) + 16);
}
BYTE CbOf(const Rgb& p) {
  return Clamp(((-38 * p.r - 74 * p.g + 112 * p.b + 128) >> 8) + 128);
}
BYTE CrOf(const Rgb& p) {
  return Clamp(((112 * p.r - 94 * p.g - 18 * p.b + 128) >> 8) + 128);
}

// The camera's picture controls on one pixel, in YCbCr as a video decoder applies them.
Rgb Adjusted(const Rgb& p, const PictureAdjustment& a, double cosHue, double sinHue) {
  const double y = 0.299 * p.r + 0.587 * p.g + 0.114 * p.b;
  const double cb = (p.b - y) * 0.564;
  const double cr = (p.r - y) * 0.713;
  const double luma = (y - 16.0) * a.contrast / 256.0 * a.gain / 256.0 + 16.0 + a.brightness;
  const double chroma = a.contrast / 256.0 * a.saturation / 256.0;
  const double u = (cb * cosHue - cr * sinHue) * chroma;
  const double v = (cb * sinHue + cr * cosHue) * chroma;
  return {Clamp(static_cast<int>(std::lround(luma + 1.403 * v))),
          Clamp(static_cast<int>(std::lround(luma - 0.344 * u - 0.714 * v))),
          Clamp(static_cast<int>(std::lround(luma + 1.773 * u)))};
}

void AdjustRow(const PictureAdjustment& adjustment, std::vector<Rgb>& row) {
  if (adjustment.IsIdentity()) return;
  const double radians = adjustment.hue * 3.14159265358979323846 / 180.0;
  const double cosHue = std::cos(radians);
  const double sinHue = std::sin(radians);
  for (Rgb& pixel : row)
    pixel = Adjusted(pixel, adjustment, cosHue, sinHue);
}

// How one subtype is laid out.
enum class Layout { kRgb, kPacked422, kPlanar420, kGrey, kOther };

Layout LayoutOf(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_RGB1 || subtype == MEDIASUBTYPE_RGB4 ||
      subtype == MEDIASUBTYPE_RGB8 || subtype == MEDIASUBTYPE_RGB555 ||
      subtype == MEDIASUBTYPE_RGB565 || subtype == MEDIASUBTYPE_RGB24 ||
      subtype == MEDIASUBTYPE_RGB32 || subtype == MEDIASUBTYPE_ARGB32) {
    return Layout::kRgb;
  }
  if (subtype == MEDIASUBTYPE_YUY2 || subtype == MEDIASUBTYPE_YUYV ||
      subtype == MEDIASUBTYPE_UYVY || subtype == MEDIASUBTYPE_YVYU) {
    return Layout::kPacked422;
  }
  if (subtype == MEDIASUBTYPE_I420 || subtype == MEDIASUBTYPE_IYUV ||
      subtype == MEDIASUBTYPE_YV12 || subtype == MEDIASUBTYPE_NV12) {
    return Layout::kPlanar420;
  }
  if (subtype == MEDIASUBTYPE_Y800) return Layout::kGrey;
  return Layout::kOther;
}

// One RGB row written as a DIB row of bitCount bits (palette depths index the grey table).
void WriteRgbRow(const std::vector<Rgb>& row, WORD bitCount, bool rgb565, BYTE* out) {
  const std::size_t width = row.size();
  for (std::size_t x = 0; x < width; ++x) {
    const Rgb& p = row[x];
    switch (bitCount) {
      case 32:
        out[x * 4] = p.b, out[x * 4 + 1] = p.g, out[x * 4 + 2] = p.r, out[x * 4 + 3] = 255;
        break;
      case 24:
        out[x * 3] = p.b, out[x * 3 + 1] = p.g, out[x * 3 + 2] = p.r;
        break;
      case 16: {
        const WORD value =
            rgb565 ? static_cast<WORD>(((p.r >> 3) << 11) | ((p.g >> 2) << 5) | (p.b >> 3))
                   : static_cast<WORD>(((p.r >> 3) << 10) | ((p.g >> 3) << 5) | (p.b >> 3));
        std::memcpy(out + x * 2, &value, 2);
        break;
      }
      default: {
        // The grey table: the index scales the luma to the depth.
        const int levels = (1 << bitCount) - 1;
        const int index = LumaOf(p) * levels / 255;
        const std::size_t bit = x * bitCount;
        const int shift = 8 - bitCount - static_cast<int>(bit % 8);
        if (bit % 8 == 0) out[bit / 8] = 0;
        out[bit / 8] = static_cast<BYTE>(out[bit / 8] | (index << shift));
        break;
      }
    }
  }
}

void WritePackedRow(const std::vector<Rgb>& row, const GUID& subtype, BYTE* out) {
  // Byte positions of Y0, U, Y1, V in each four-byte group.
  int y0 = 0, u = 1, y1 = 2, v = 3;
  if (subtype == MEDIASUBTYPE_UYVY) u = 0, y0 = 1, v = 2, y1 = 3;
  if (subtype == MEDIASUBTYPE_YVYU) v = 1, u = 3;
  for (std::size_t x = 0; x < row.size(); x += 2) {
    const Rgb& a = row[x];
    const Rgb& b = row[std::min(x + 1, row.size() - 1)];
    BYTE* group = out + x * 2;
    group[y0] = LumaOf(a);
    group[y1] = LumaOf(b);
    group[u] = static_cast<BYTE>((CbOf(a) + CbOf(b)) / 2);
    group[v] = static_cast<BYTE>((CrOf(a) + CrOf(b)) / 2);
  }
}

}  // namespace

DWORD PaintTestPattern(const PictureDescription& picture, const AM_MEDIA_TYPE& mediaType,
                       LONGLONG frame, BYTE* buffer, DWORD capacity) {
  const auto format = ReadVideoFormat(mediaType);
  if (!format || format->width <= 0 || format->height == 0 || buffer == nullptr) return 0;
  const LONG width = format->width;
  const LONG height = std::abs(format->height);
  const DWORD size = VideoImageSize(mediaType.subtype, width, height);
  const DWORD imageSize = size != 0 ? size : format->imageSize;
  if (imageSize == 0 || imageSize > capacity) return 0;

  const Layout layout = LayoutOf(mediaType.subtype);
  if (layout == Layout::kOther) {
    std::memset(buffer, 0x80, imageSize);
    std::memcpy(buffer, &frame, std::min<DWORD>(sizeof frame, imageSize));
    return imageSize;
  }
  const auto w = static_cast<std::size_t>(width);
  const auto h = static_cast<std::size_t>(height);
  const bool bottomUp = layout == Layout::kRgb && format->height > 0;
  const DWORD stride = layout == Layout::kRgb         ? DibStride(width, format->bitCount)
                       : layout == Layout::kPacked422 ? static_cast<DWORD>((w + 1) / 2 * 4)
                                                      : static_cast<DWORD>(w);
  const std::size_t chromaWidth = (w + 1) / 2;
  BYTE* chroma = buffer + w * h;  // planar 4:2:0: the planes after the luma
  std::vector<Rgb> row(w);
  for (LONG y = 0; y < height; ++y) {
    PaintRow(picture, width, height, y, frame, row);
    AdjustRow(picture.adjustment, row);
    const std::size_t memoryRow =
        bottomUp ? h - 1 - static_cast<std::size_t>(y) : static_cast<std::size_t>(y);
    BYTE* out = buffer + memoryRow * stride;
    switch (layout) {
      case Layout::kRgb:
        WriteRgbRow(row, format->bitCount, mediaType.subtype == MEDIASUBTYPE_RGB565, out);
        break;
      case Layout::kPacked422:
        WritePackedRow(row, mediaType.subtype, out);
        break;
      case Layout::kGrey:
      case Layout::kPlanar420:
        for (std::size_t x = 0; x < w; ++x)
          out[x] = LumaOf(row[x]);
        if (layout == Layout::kGrey || y % 2 != 0) break;
        for (std::size_t x = 0; x < chromaWidth; ++x) {
          const std::size_t at = static_cast<std::size_t>(y / 2) * chromaWidth + x;
          const Rgb& p = row[x * 2];
          if (mediaType.subtype == MEDIASUBTYPE_NV12) {
            chroma[static_cast<std::size_t>(y / 2) * chromaWidth * 2 + x * 2] = CbOf(p);
            chroma[static_cast<std::size_t>(y / 2) * chromaWidth * 2 + x * 2 + 1] = CrOf(p);
          } else {
            const std::size_t plane = chromaWidth * ((h + 1) / 2);
            const bool vFirst = mediaType.subtype == MEDIASUBTYPE_YV12;
            chroma[(vFirst ? plane : 0) + at] = CbOf(p);
            chroma[(vFirst ? 0 : plane) + at] = CrOf(p);
          }
        }
        break;
      case Layout::kOther:
        break;
    }
  }
  return imageSize;
}

}  // namespace devices
