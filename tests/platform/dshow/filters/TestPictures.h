#pragma once
// Pictures of known colours for the conversion and renderer tests, and reading pixels back.

#include <cstdlib>
#include <vector>

#include "com/Types.h"

namespace test_pictures {

struct Rgb {
  int r = 0;
  int g = 0;
  int b = 0;
};

inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kGreen{0, 255, 0};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kWhite{255, 255, 255};

// Within a small tolerance: limited-range YUV does not map to every RGB value exactly.
inline bool Near(const Rgb& a, const Rgb& b, int tolerance = 4) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

// BT.601 limited-range Y, U, V of a colour.
void ToYuv(const Rgb& colour, BYTE* y, BYTE* u, BYTE* v);

// A YUY2 picture of horizontal bands of equal height, top to bottom.
std::vector<BYTE> Yuy2Bands(int width, int height, const std::vector<Rgb>& bands);
// A 4:2:0 planar picture of one colour, chroma planes U then V (I420) or V then U (YV12).
std::vector<BYTE> Planar420(int width, int height, const Rgb& colour, bool vFirst);

// The pixel at buffer row `row` (not picture row) of a padded RGB24 DIB.
Rgb Rgb24At(const std::vector<BYTE>& dib, int width, int row, int x);
Rgb Rgb24At(const BYTE* dib, int width, int row, int x);

}  // namespace test_pictures
