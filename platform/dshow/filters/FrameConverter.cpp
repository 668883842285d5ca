#include "dshow/filters/FrameConverter.h"

extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"

namespace {

// Rows converted through scratch at either end; a multiple of every chroma subsampling.
constexpr int kEdgeRows = 4;
// Room past the end of a scratch piece for swscale's reads and writes beyond a row.
constexpr size_t kScratchPadding = 256;

// How a subtype maps onto a swscale pixel format.
struct PixelLayout {
  GUID subtype;
  AVPixelFormat format;
  bool writable;     // every writable layout has one plane
  bool dib;          // RGB rows: padded, bottom-up unless the height is negative
  bool swapChroma;   // planar V before U in memory (YV12, YVU9)
  int chromaShiftX;  // planar chroma subsampling
  int chromaShiftY;
};

constexpr PixelLayout kLayouts[] = {
    {MEDIASUBTYPE_RGB24, AV_PIX_FMT_BGR24, true, true, false, 0, 0},
    {MEDIASUBTYPE_RGB32, AV_PIX_FMT_BGR0, true, true, false, 0, 0},
    {MEDIASUBTYPE_ARGB32, AV_PIX_FMT_BGRA, false, true, false, 0, 0},
    {MEDIASUBTYPE_RGB565, AV_PIX_FMT_RGB565LE, true, true, false, 0, 0},
    {MEDIASUBTYPE_RGB555, AV_PIX_FMT_RGB555LE, true, true, false, 0, 0},
    {MEDIASUBTYPE_YUY2, AV_PIX_FMT_YUYV422, true, false, false, 0, 0},
    {MEDIASUBTYPE_YUYV, AV_PIX_FMT_YUYV422, true, false, false, 0, 0},
    {MEDIASUBTYPE_UYVY, AV_PIX_FMT_UYVY422, true, false, false, 0, 0},
    {MEDIASUBTYPE_YVYU, AV_PIX_FMT_YVYU422, true, false, false, 0, 0},
    {MEDIASUBTYPE_I420, AV_PIX_FMT_YUV420P, false, false, false, 1, 1},
    {MEDIASUBTYPE_IYUV, AV_PIX_FMT_YUV420P, false, false, false, 1, 1},
    {MEDIASUBTYPE_YV12, AV_PIX_FMT_YUV420P, false, false, true, 1, 1},
    {MEDIASUBTYPE_YVU9, AV_PIX_FMT_YUV410P, false, false, true, 2, 2},
    {MEDIASUBTYPE_NV12, AV_PIX_FMT_NV12, false, false, false, 1, 1},
    {MEDIASUBTYPE_Y800, AV_PIX_FMT_GRAY8, false, false, false, 0, 0},
};

const PixelLayout* FindLayout(const GUID& subtype) {
  for (const PixelLayout& layout : kLayouts) {
    if (layout.subtype == subtype) return &layout;
  }
  return nullptr;
}

int CeilShift(int value, int shift) {
  return (value + (1 << shift) - 1) >> shift;
}

// One plane of a frame, in swscale's plane order (Y, U, V).
struct PlaneShape {
  size_t offset = 0;
  int stride = 0;
  int rows = 0;
  int shiftY = 0;
};

struct FrameShape {
  int count = 0;
  std::array<PlaneShape, 3> planes;
};

FrameShape ShapeOf(const PixelLayout& layout, int width, int height) {
  FrameShape shape;
  if (layout.dib) {
    shape.count = 1;
    shape.planes[0] = {
        0, static_cast<int>(DibStride(width, FindVideoSubtype(layout.subtype)->bitCount)), height,
        0};
    return shape;
  }
  switch (layout.format) {
    case AV_PIX_FMT_YUYV422:
    case AV_PIX_FMT_UYVY422:
    case AV_PIX_FMT_YVYU422:
      shape.count = 1;
      shape.planes[0] = {0, CeilShift(width, 1) * 4, height, 0};
      break;
    case AV_PIX_FMT_GRAY8:
      shape.count = 1;
      shape.planes[0] = {0, width, height, 0};
      break;
    case AV_PIX_FMT_NV12:
      shape.count = 2;
      shape.planes[0] = {0, width, height, 0};
      shape.planes[1] = {static_cast<size_t>(width) * height, CeilShift(width, 1) * 2,
                         CeilShift(height, 1), 1};
      break;
    default: {  // three planes
      const int chromaWidth = CeilShift(width, layout.chromaShiftX);
      const int chromaHeight = CeilShift(height, layout.chromaShiftY);
      const size_t first = static_cast<size_t>(width) * height;
      const size_t second = first + static_cast<size_t>(chromaWidth) * chromaHeight;
      shape.count = 3;
      shape.planes[0] = {0, width, height, 0};
      shape.planes[1] = {layout.swapChroma ? second : first, chromaWidth, chromaHeight,
                         layout.chromaShiftY};
      shape.planes[2] = {layout.swapChroma ? first : second, chromaWidth, chromaHeight,
                         layout.chromaShiftY};
      break;
    }
  }
  return shape;
}

// The rows of a plane that processing rows [first, first + count) of the picture cover.
struct RowSpan {
  int first = 0;  // in processing order
  int count = 0;
};

RowSpan SpanOf(const PlaneShape& plane, int first, int count) {
  const int begin = first >> plane.shiftY;
  const int end = std::min(CeilShift(first + count, plane.shiftY), plane.rows);
  return {begin, end - begin};
}

// The memory row where a span starts and ends when rows are processed against memory order.
int FirstMemoryRow(const PlaneShape& plane, const RowSpan& span, bool flip) {
  return flip ? plane.rows - span.first - span.count : span.first;
}

struct Planes {
  std::array<const BYTE*, 4> data{};
  std::array<int, 4> stride{};
};

// Pointers to the first processed row of each plane of a span whose memory rows start at
// base's rows (memory rows of the span are contiguous per plane).
Planes SpanPlanes(const FrameShape& shape, const std::array<const BYTE*, 3>& spanStarts,
                  const std::array<RowSpan, 3>& spans, bool flip) {
  Planes planes;
  for (int i = 0; i < shape.count; ++i) {
    const int stride = shape.planes[i].stride;
    if (flip) {
      planes.data[i] = spanStarts[i] + static_cast<ptrdiff_t>(stride) * (spans[i].count - 1);
      planes.stride[i] = -stride;
    } else {
      planes.data[i] = spanStarts[i];
      planes.stride[i] = stride;
    }
  }
  return planes;
}

bool IsYuv(AVPixelFormat format) {
  switch (format) {
    case AV_PIX_FMT_BGR24:
    case AV_PIX_FMT_BGR0:
    case AV_PIX_FMT_BGRA:
    case AV_PIX_FMT_RGB565LE:
    case AV_PIX_FMT_RGB555LE:
      return false;
    default:
      return true;
  }
}

bool IsBottomUp(const PixelLayout& layout, const FrameFormat& format) {
  return layout.dib && format.height > 0;
}

}  // namespace

FrameConverter::~FrameConverter() {
  Release();
}

bool FrameConverter::CanRead(const GUID& subtype) {
  return FindLayout(subtype) != nullptr;
}

bool FrameConverter::CanWrite(const GUID& subtype) {
  const PixelLayout* layout = FindLayout(subtype);
  return layout != nullptr && layout->writable;
}

size_t FrameConverter::FrameBytes(const FrameFormat& format) {
  if (FindLayout(format.subtype) == nullptr) return 0;
  return VideoImageSize(format.subtype, format.width, format.height);
}

void FrameConverter::Release() {
  for (Piece& piece : pieces_)
    sws_freeContext(piece.context);
  pieces_.clear();
}

bool FrameConverter::AddPiece(int firstRow, int rows, bool scratchInput, bool scratchOutput) {
  const PixelLayout* in = FindLayout(input_.subtype);
  const PixelLayout* out = FindLayout(output_.subtype);
  const int width = std::abs(input_.width);
  // No scaling: nearest-neighbour chroma is the fastest path and good enough for display.
  // The fast planar-YUV-to-RGB path works on whole groups of 16 pixels and leaves the last
  // pixels of a row unwritten when the row has no room for a whole group; the accurate path
  // writes every pixel.
  const int outBytesPerPixel = FindVideoSubtype(out->subtype)->bitCount / 8;
  const int outStride = ShapeOf(*out, width, rows).planes[0].stride;
  const bool roomForGroups = outStride >= ((width + 15) & ~15) * outBytesPerPixel;
  const int flags = SWS_POINT | (roomForGroups ? 0 : SWS_ACCURATE_RND);
  SwsContext* context = sws_getContext(width, rows, in->format, width, rows, out->format, flags,
                                       nullptr, nullptr, nullptr);
  if (context == nullptr) return false;
  // Video YUV is limited range (16-235), RGB full range; BT.601 coefficients both ways.
  const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
  sws_setColorspaceDetails(context, coefficients, IsYuv(in->format) ? 0 : 1, coefficients,
                           IsYuv(out->format) ? 0 : 1, 0, 1 << 16, 1 << 16);
  pieces_.push_back({context, firstRow, rows, scratchInput, scratchOutput});
  return true;
}

bool FrameConverter::Configure(const FrameFormat& input, const FrameFormat& output) {
  Release();
  const PixelLayout* in = FindLayout(input.subtype);
  const PixelLayout* out = FindLayout(output.subtype);
  if (in == nullptr || out == nullptr || !out->writable) return false;
  const int width = std::abs(input.width);
  const int height = std::abs(input.height);
  if (width == 0 || height == 0 || width != std::abs(output.width) ||
      height != std::abs(output.height)) {
    return false;
  }
  input_ = input;
  output_ = output;
  flipInput_ = IsBottomUp(*in, input) != IsBottomUp(*out, output);

  // The first rows in processing order end the input buffer when it is flipped; the last ones
  // end it otherwise, and always end the output buffer.
  bool ok = true;
  if (height < 3 * kEdgeRows) {
    ok = AddPiece(0, height, true, true);
  } else {
    const int tailStart = (height - kEdgeRows) & ~(kEdgeRows - 1);
    ok = AddPiece(0, kEdgeRows, flipInput_, false) &&
         AddPiece(kEdgeRows, tailStart - kEdgeRows, false, false) &&
         AddPiece(tailStart, height - tailStart, !flipInput_, true);
  }
  if (!ok) {
    Release();
    return false;
  }
  const int scratchRows = pieces_.back().rows;
  const FrameShape inShape = ShapeOf(*in, width, height);
  size_t inputBytes = kScratchPadding;
  for (int i = 0; i < inShape.count; ++i) {
    inputBytes += static_cast<size_t>(inShape.planes[i].stride) *
                  (CeilShift(scratchRows, inShape.planes[i].shiftY) + 1);
  }
  inputScratch_.assign(inputBytes, 0);
  const FrameShape outShape = ShapeOf(*out, width, height);
  outputScratch_.assign(
      static_cast<size_t>(outShape.planes[0].stride) * scratchRows + kScratchPadding, 0);
  return true;
}

void FrameConverter::ConvertPiece(const Piece& piece, const BYTE* source, BYTE* target) const {
  const PixelLayout& in = *FindLayout(input_.subtype);
  const PixelLayout& out = *FindLayout(output_.subtype);
  const int width = std::abs(input_.width);
  const int height = std::abs(input_.height);

  const FrameShape inShape = ShapeOf(in, width, height);
  std::array<RowSpan, 3> spans;
  std::array<const BYTE*, 3> starts{};
  BYTE* scratch = inputScratch_.data();
  for (int i = 0; i < inShape.count; ++i) {
    const PlaneShape& plane = inShape.planes[i];
    spans[i] = SpanOf(plane, piece.firstRow, piece.rows);
    const BYTE* memory =
        source + plane.offset +
        static_cast<size_t>(plane.stride) * FirstMemoryRow(plane, spans[i], flipInput_);
    if (piece.scratchInput) {
      const size_t bytes = static_cast<size_t>(plane.stride) * spans[i].count;
      std::memcpy(scratch, memory, bytes);
      memory = scratch;
      scratch += bytes;
    }
    starts[i] = memory;
  }
  const Planes planes = SpanPlanes(inShape, starts, spans, flipInput_);

  const int outStride = static_cast<int>(ShapeOf(out, width, height).planes[0].stride);
  BYTE* outRows = piece.scratchOutput ? outputScratch_.data()
                                      : target + static_cast<size_t>(outStride) * piece.firstRow;
  BYTE* const outData[4] = {outRows, nullptr, nullptr, nullptr};
  const int outStrides[4] = {outStride, 0, 0, 0};
  sws_scale(piece.context, planes.data.data(), planes.stride.data(), 0, piece.rows, outData,
            outStrides);
  if (piece.scratchOutput) {
    std::memcpy(target + static_cast<size_t>(outStride) * piece.firstRow, outRows,
                static_cast<size_t>(outStride) * piece.rows);
  }
}

bool FrameConverter::Convert(const BYTE* source, size_t sourceSize, BYTE* target,
                             size_t targetSize) const {
  if (pieces_.empty() || source == nullptr || target == nullptr) return false;
  if (sourceSize < FrameBytes(input_) || targetSize < FrameBytes(output_)) return false;
  for (const Piece& piece : pieces_)
    ConvertPiece(piece, source, target);
  return true;
}
