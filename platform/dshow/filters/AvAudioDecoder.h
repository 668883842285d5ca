#pragma once
// The libavcodec audio decoder (CLSID_AvAudioDecoder), found by the graph's intelligent connect
// between compressed sound (MP3, MPEG audio, AAC, AC-3, ADPCM, float PCM ...: anything with a
// decoder here) and a pin that takes PCM: it gives 16-bit PCM at the input's rate and channels,
// converted with libswresample. Each decoded frame leaves with its own time (split over several
// buffers when it is longer than one); sound that ends before time 0 (preroll after a seek) is
// dropped; end of stream drains the decoder first, and a flush empties it.
//
// Threads: connection hooks on the application's thread; Receive and end of stream on the
// upstream's streaming thread; EndFlush on the application's thread while the upstream thread is
// stopped.

#include <vector>

#include "av/AvOwners.h"
#include "dshow/base/TransformFilter.h"
#include "dshow/filters/PlaybackIdentifiers.h"

class AvAudioDecoder final : public CTransformFilter {
 public:
  static constexpr char kGraphName[] = "Audio Decoder";

  AvAudioDecoder();

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
  ~AvAudioDecoder() override;
  HRESULT DeliverFrame(AVFrame& frame);
  // Converts the frame into the samples' buffers; the streaming thread.
  HRESULT DeliverPcm(const BYTE* pcm, size_t bytes, REFERENCE_TIME start);

  av::CodecContextPtr codec_;
  av::PacketPtr packet_;
  av::FramePtr frame_;
  // Makes the resampler again when the decoder's frames change their sample format, channel
  // layout or rate (a damaged or odd stream may, midway); false when it cannot be made.
  bool PrepareResampler(AVFrame& frame);

  av::SwrContextPtr resampler_;
  AVSampleFormat resamplerFormat_ = AV_SAMPLE_FMT_NONE;  // of the frames it takes
  int resamplerRate_ = 0;
  AVChannelLayout resamplerLayout_{};
  std::vector<BYTE> pcm_;  // one frame converted
  int rate_ = 0;
  int channels_ = 0;
  REFERENCE_TIME next_ = 0;  // where a frame without a time goes
  bool discontinuity_ = true;
};
