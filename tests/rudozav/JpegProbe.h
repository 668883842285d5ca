#pragma once
// Reads back a JPEG file the component wrote: its size, whether it is progressive, its pixels.

#include <string>
#include <vector>

namespace rudozav_test {

struct TJpegProbe {
  bool ok = false;
  int width = 0;
  int height = 0;
  bool progressive = false;
  std::vector<unsigned char> rgb;  // top row first, 3 bytes a pixel
};

TJpegProbe ProbeJpeg(const std::string& fileName);

}  // namespace rudozav_test
