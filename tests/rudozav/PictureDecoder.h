#pragma once
// Decodes the pictures of a media file's first video stream to RGB with libavcodec and libswscale,
// as a player outside the component would, so that a frame the component showed can be compared
// with the file's own picture at that time.

#include <cstdint>
#include <string>
#include <vector>

namespace rudozav_test {

struct TDecodedPicture {
  std::int64_t start = 0;  // in 100-ns units from the stream's start
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;  // top row first, 3 bytes a pixel
};

// Every picture of the file in order; empty when it cannot be read.
std::vector<TDecodedPicture> DecodePictures(const std::string& file);

// Mean absolute difference per byte of two RGB pictures of one size; 255 when sizes differ.
double PictureDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b);

}  // namespace rudozav_test
