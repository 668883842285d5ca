#pragma once
// Converts uncompressed video frames between subtypes with libswscale: from the packed and planar
// YUV FourCCs and the RGB family to RGB24, RGB32, RGB565, RGB555 and the packed YUV formats.
//
// RGB frames are DIBs: rows padded to four bytes and stored bottom-up unless the header's height
// is negative. YUV frames are always stored top-down, whatever the sign of the height.
//
// swscale's vector code reads and writes a little past the end of rows. So that the caller's
// buffers need no padding and bottom-up rows are not overwritten by the row written after them,
// the output is always written in memory order (a bottom-up output flips the input instead), and
// the rows at either end of the frame go through small padded scratch pieces.
//
// An instance is used by one thread at a time (the streaming thread of the filter that owns it).

#include <cstddef>
#include <vector>

#include "com/Guid.h"
#include "gdi/BitmapInfo.h"

struct SwsContext;

// The layout of one frame buffer.
struct FrameFormat {
  GUID subtype;
  LONG width = 0;
  LONG height = 0;  // as in a bitmap header: negative for top-down RGB rows

  static FrameFormat FromHeader(const GUID& subtype, const BITMAPINFOHEADER& header) {
    return {subtype, header.biWidth, header.biHeight};
  }
};

class FrameConverter {
 public:
  FrameConverter() = default;
  ~FrameConverter();
  FrameConverter(const FrameConverter&) = delete;
  FrameConverter& operator=(const FrameConverter&) = delete;

  // Whether frames of the subtype can be read, respectively written.
  static bool CanRead(const GUID& subtype);
  static bool CanWrite(const GUID& subtype);
  // Bytes one frame of the format occupies (0 when the format is not convertible).
  static size_t FrameBytes(const FrameFormat& format);

  // Prepares the conversion of frames of one size. False when either side is not convertible,
  // the sizes differ or a size is empty.
  bool Configure(const FrameFormat& input, const FrameFormat& output);
  bool IsConfigured() const { return !pieces_.empty(); }
  const FrameFormat& Input() const { return input_; }
  const FrameFormat& Output() const { return output_; }

  // Converts one frame. False when not configured or a buffer is smaller than its frame.
  bool Convert(const BYTE* source, size_t sourceSize, BYTE* target, size_t targetSize) const;

 private:
  // A band of output rows converted as a picture of its own.
  struct Piece {
    SwsContext* context = nullptr;
    int firstRow = 0;  // in output memory order
    int rows = 0;
    bool scratchInput = false;
    bool scratchOutput = false;
  };

  void Release();
  bool AddPiece(int firstRow, int rows, bool scratchInput, bool scratchOutput);
  void ConvertPiece(const Piece& piece, const BYTE* source, BYTE* target) const;

  std::vector<Piece> pieces_;
  FrameFormat input_;
  FrameFormat output_;
  bool flipInput_ = false;  // input rows are read against their memory order
  // Padded copies of the end pieces; mutable because Convert is logically const.
  mutable std::vector<BYTE> inputScratch_;
  mutable std::vector<BYTE> outputScratch_;
};
