#pragma once
// The libavcodec video decoder (CLSID_AvVideoDecoder), found by the graph's intelligent connect
// between a compressed video output (H264, FMP4/XVID, FFV1, HFYU, MJPG, dvsd ...: anything with
// a decoder here) and a pin that takes pictures: it gives RGB24, RGB32 (bottom-up unless the
// output type's height is negative) or YUY2 at the input's size, in that order of preference.
//
// Decoders that reorder pictures give them later than their packets: every picture the decoder
// gives leaves as a sample of its own, with its own time, and end of stream first drains what the
// decoder still holds. Pictures of preroll packets (decoded only to reach a seek's target) end
// before time 0 and are dropped. A flush empties the decoder.
//
// Threads: connection hooks on the application's thread; Receive and end of stream on the
// upstream's streaming thread, which alone uses the decoder while the filter runs; EndFlush on
// the application's thread while the upstream thread is stopped.

#include <memory>

#include "av/AvOwners.h"
#include "dshow/base/TransformFilter.h"
#include "dshow/filters/PlaybackIdentifiers.h"

class VideoFrameWriter;

class AvVideoDecoder final : public CTransformFilter {
 public:
  static constexpr char kGraphName[] = "Video Decoder";

  AvVideoDecoder();

  // Whether it takes `from` and can give `to`; a null type is not known and fits.
  static bool CanDecode(const AM_MEDIA_TYPE* from, const AM_MEDIA_TYPE* to);

  HRESULT CheckInputType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT BreakConnect(PIN_DIRECTION direction) override;
  HRESULT StartStreaming() override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT EndFlush() override;

 private:
  ~AvVideoDecoder() override;
  // Delivers the decoder's picture; the streaming thread.
  HRESULT DeliverFrame(AVFrame& frame);

  av::CodecContextPtr codec_;
  av::PacketPtr packet_;
  av::FramePtr frame_;
  std::unique_ptr<VideoFrameWriter> writer_;
  REFERENCE_TIME interval_ = 0;  // of the input's pictures, for the stop times
  bool discontinuity_ = true;
};
