#pragma once
// Reads a written AVI back with libavformat and decodes every packet with libavcodec, as a
// player would, for the compressor tests.

#include <string>
#include <vector>

#include "TestPictures.h"
#include "av/AvOwners.h"

namespace encoder_test {

struct DecodedStream {
  AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
  AVCodecID codec = AV_CODEC_ID_NONE;
  unsigned tag = 0;
  std::vector<bool> keyFrames;  // per packet with bytes, from the index
  int decodeErrors = 0;
  // Video: decoded pictures, the size and the last picture's colours at the middle of its
  // top and bottom quarters.
  int pictures = 0;
  int width = 0;
  int height = 0;
  test_pictures::Rgb top;
  test_pictures::Rgb bottom;
  // Audio: decoded samples of the first channel, scaled to -1..1.
  std::vector<float> samples;
};

// One entry per stream; empty when the file cannot be opened.
std::vector<DecodedStream> DecodeAvi(const std::string& path);

}  // namespace encoder_test
