#pragma once
// Writing a grabbed frame (a 24- or 32-bit DIB) as a BMP or a JPEG file. Any thread; each call
// stands alone.

#include <string>

#include "gdi/BitmapInfo.h"

struct TJpegSettings {
  int Quality = 100;         // 1..100, with baseline quantisation tables
  bool Progressive = false;  // the library's simple progressive scan script
};

// A standard BMP file: file header, the DIB's header and its rows as they are. False when the
// file cannot be written.
bool WriteBmpFile(const std::string& fileName, const BITMAPINFOHEADER& header, const BYTE* bits);

// Encodes the DIB's rows (top row first whatever their order in memory) as a JPEG of RGB
// pixels. False for a depth other than 24 or 32 bits and when the file cannot be written.
bool WriteJpegFile(const std::string& fileName, const BITMAPINFOHEADER& header, const BYTE* bits,
                   const TJpegSettings& settings);
