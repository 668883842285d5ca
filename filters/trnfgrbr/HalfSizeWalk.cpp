#include "filters/trnfgrbr/HalfSizeWalk.h"

#include <cstring>

#include "gdi/BitmapInfo.h"

namespace {

LONG Absolute(LONG value) {
  return value < 0 ? -value : value;
}

// Every second pixel of a row from the first index the phase selects, at most `count` of them.
template <std::size_t kPixelBytes>
void CopyEverySecondPixel(const BYTE* from, BYTE* to, LONG first, LONG width, LONG count) {
  from += static_cast<std::size_t>(first) * kPixelBytes;
  for (LONG x = first; x < width && count > 0; x += 2, --count) {
    std::memcpy(to, from, kPixelBytes);
    to += kPixelBytes;
    from += 2 * kPixelBytes;
  }
}

}  // namespace

HalfSizeGeometry MakeHalfSizeGeometry(LONG width, LONG height, WORD depth) {
  HalfSizeGeometry geometry;
  geometry.inWidth = Absolute(width);
  geometry.inHeight = Absolute(height);
  geometry.outWidth = geometry.inWidth / 2;
  geometry.outHeight = geometry.inHeight / 2;
  geometry.depth = depth;
  geometry.inStride = DibStride(geometry.inWidth, depth);
  geometry.outStride = DibStride(geometry.outWidth, depth);
  return geometry;
}

void WalkHalfSize(const HalfSizeGeometry& geometry, const BYTE* in, BYTE* out, int& columnPhase) {
  const bool oddWidth = (geometry.inWidth & 1) != 0;
  LONG written = 0;
  // Rows 0, 2, 4 ... are kept (row phase 0); the others are skipped whole.
  for (LONG row = 0; row < geometry.inHeight; row += 2) {
    if (written < geometry.outHeight) {
      const BYTE* from = in + static_cast<std::size_t>(row) * geometry.inStride;
      BYTE* to = out + static_cast<std::size_t>(written) * geometry.outStride;
      // A pixel is copied where the phase is 1; the phase flips after every pixel.
      const LONG first = columnPhase == 1 ? 0 : 1;
      if (geometry.depth == 24) {
        CopyEverySecondPixel<3>(from, to, first, geometry.inWidth, geometry.outWidth);
      } else {
        CopyEverySecondPixel<4>(from, to, first, geometry.inWidth, geometry.outWidth);
      }
      ++written;
    }
    if (oddWidth) columnPhase ^= 1;
  }
}
