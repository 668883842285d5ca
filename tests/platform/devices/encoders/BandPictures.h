#pragma once
// Test pictures of two horizontal bands (top and bottom colour) in each uncompressed subtype a
// compressor takes, laid out as devices deliver them: RGB DIBs bottom-up, YUV top-down.

#include <vector>

#include "TestPictures.h"
#include "com/Guid.h"

namespace encoder_test {

std::vector<BYTE> BandPicture(const GUID& subtype, int width, int height,
                              const test_pictures::Rgb& top, const test_pictures::Rgb& bottom);

}  // namespace encoder_test
