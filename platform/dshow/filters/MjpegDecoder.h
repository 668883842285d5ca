#pragma once
// The MJPG decoder: decodes MEDIASUBTYPE_MJPG video frames (VIDEOINFOHEADER or VIDEOINFOHEADER2,
// any size) with libavcodec and converts them with libswscale, at the input's size, to RGB24,
// RGB32 (bottom-up unless the output type's height is negative) or YUY2, offered in that order.
// Full-range JPEG YUV becomes full-range RGB and limited-range YUY2. Frames without Huffman
// tables (the "AVI1" frames of some cameras) decode with the standard tables. A frame that does
// not decode (cut short, without its end marker, damaged) is dropped and counted.
//
// Threads: connection hooks on the application's thread; Transform on the upstream's streaming
// thread, which alone uses the decoder while the filter runs; DroppedFrames on any thread.

#include <atomic>
#include <memory>

#include "dshow/Uuids.h"
#include "dshow/base/TransformFilter.h"

class MjpegFrameDecoder;

class MjpegDecoder final : public CTransformFilter {
 public:
  static constexpr char kGraphName[] = "MJPEG Decompressor";

  MjpegDecoder();

  // Whether it takes `from` and can give `to`; a null type is not known and fits.
  static bool CanDecode(const AM_MEDIA_TYPE* from, const AM_MEDIA_TYPE* to);

  // Frames dropped because they did not decode, since the filter was made.
  LONG DroppedFrames() const { return dropped_.load(std::memory_order_relaxed); }

  HRESULT CheckInputType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT BreakConnect(PIN_DIRECTION direction) override;
  HRESULT StartStreaming() override;
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override;

 private:
  ~MjpegDecoder() override;

  // Made when streaming first starts on a connection and kept until either pin disconnects, so
  // that a stop and a new run reuse the codec and the scaler.
  std::unique_ptr<MjpegFrameDecoder> decoder_;
  std::atomic<LONG> dropped_{0};
};
