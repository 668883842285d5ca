#pragma once
// Device-independent bitmap descriptions: the header every DIB, video format block and BMP file
// carries, its colour table entries and the BMP file header. Layouts are fixed because they are
// written to files and shared with filter modules byte for byte.

#include "com/Types.h"

inline constexpr DWORD BI_RGB = 0;
inline constexpr DWORD BI_RLE8 = 1;
inline constexpr DWORD BI_RLE4 = 2;
inline constexpr DWORD BI_BITFIELDS = 3;
inline constexpr DWORD BI_JPEG = 4;
inline constexpr DWORD BI_PNG = 5;

struct BITMAPINFOHEADER {
  DWORD biSize = 0;
  LONG biWidth = 0;
  LONG biHeight = 0;  // positive: rows stored bottom-up; negative: top-down
  WORD biPlanes = 0;
  WORD biBitCount = 0;
  DWORD biCompression = 0;  // BI_* or a FourCC
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RGBQUAD {
  BYTE rgbBlue = 0;
  BYTE rgbGreen = 0;
  BYTE rgbRed = 0;
  BYTE rgbReserved = 0;
};
static_assert(sizeof(RGBQUAD) == 4);

// The header followed by its colour table (or, for BI_BITFIELDS, the three colour masks); the
// table is as long as the header says, so a BITMAPINFO is only ever used through a pointer.
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

#pragma pack(push, 2)
// The 14 bytes in front of a DIB in a ".bmp" file.
struct BITMAPFILEHEADER {
  WORD bfType = 0x4D42;  // "BM"
  DWORD bfSize = 0;
  WORD bfReserved1 = 0;
  WORD bfReserved2 = 0;
  DWORD bfOffBits = 0;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14);

// Bytes per row of an uncompressed DIB: rows are padded to a multiple of four bytes.
constexpr DWORD DibStride(LONG width, WORD bitCount) {
  const auto absWidth = static_cast<ULONGLONG>(width < 0 ? -static_cast<LONGLONG>(width) : width);
  return static_cast<DWORD>((absWidth * bitCount + 31) / 32 * 4);
}

// Bytes of pixel data of an uncompressed DIB of that size and depth.
constexpr DWORD DibImageSize(LONG width, LONG height, WORD bitCount) {
  const auto rows = static_cast<ULONGLONG>(height < 0 ? -static_cast<LONGLONG>(height) : height);
  return static_cast<DWORD>(DibStride(width, bitCount) * rows);
}

// Number of colour table entries that follow the header: biClrUsed, or the full table for
// depths of 8 bits and less; three masks for BI_BITFIELDS.
constexpr DWORD DibColorEntries(const BITMAPINFOHEADER& header) {
  if (header.biCompression == BI_BITFIELDS) return 3;
  if (header.biClrUsed != 0) return header.biClrUsed;
  return header.biBitCount <= 8 ? (DWORD{1} << header.biBitCount) : 0;
}
