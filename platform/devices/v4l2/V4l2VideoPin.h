#pragma once
// The capture pin of a V4L2 camera or capture card: IAMStreamConfig from the node's probed
// formats (QueryAccept confirmed with TRY_FMT), frame counters (IAMDroppedFrames: sequence gaps
// and broken frames count as dropped), and mmap streaming with one copy into each sample. Sample
// times come from the driver's monotonic timestamps, on the graph clock.
//
// Threads: as VideoCapturePin. PrepareStreaming and EndStreaming on the application thread while
// the streaming thread is not running; Wake from any thread; FillBuffer on the streaming thread.

#include <cstdint>
#include <memory>

#include "devices/capture/VideoCapturePin.h"
#include "devices/capture/VideoPinFormats.h"
#include "devices/v4l2/V4l2Formats.h"
#include "devices/v4l2/V4l2Stream.h"

namespace devices {

class CaptureFilter;

class V4l2VideoPin : public VideoCapturePin {
 public:
  // videoStandards: the node's TV standards as AnalogVideo_* bits, reported in the capabilities
  // (0 for none).
  V4l2VideoPin(CaptureFilter* filter, std::shared_ptr<const V4l2Device> device,
               V4l2ProbedFormats formats, LONG videoStandards);
  ~V4l2VideoPin() override;

  // Sets the connected format on the node and maps its buffers: kDeviceInUse when another
  // program streams from it.
  HRESULT PrepareStreaming();
  // Stops the stream and frees its buffers.
  void EndStreaming();
  // Ends the streaming thread's wait for a frame.
  void Wake();

 protected:
  int CapabilityCount() const override { return formats_.Count(); }
  MediaType CapabilityType(int index) const override { return formats_.TypeOf(index); }
  int CapsSize() const override { return sizeof(VIDEO_STREAM_CONFIG_CAPS); }
  void WriteCaps(int index, BYTE* caps) const override;
  bool Accepts(const AM_MEDIA_TYPE& mediaType) const override;

  HRESULT OnThreadStartPlay() override;
  HRESULT FillBuffer(IMediaSample* sample) override;

 private:
  // Waits for the next good frame; false when the stream ends (stop, loss, failure).
  bool NextFrame(V4l2Frame* frame);
  // Whether a frame may be passed on; counts the broken ones and the frames the driver skipped.
  bool Usable(const V4l2Frame& frame);
  // Copies the frame into the sample in the connected layout; the bytes written, 0 when it does
  // not fit.
  DWORD CopyFrame(const V4l2Frame& frame, BYTE* buffer, DWORD capacity) const;
  void StampSample(IMediaSample* sample, const V4l2Frame& frame);

  CaptureFilter* const filter_;
  const std::shared_ptr<const V4l2Device> device_;
  const V4l2ProbedFormats probed_;
  const VideoPinFormats formats_;
  const int wakeFd_;  // an eventfd, owned
  std::unique_ptr<V4l2Stream> stream_;

  // Streaming thread only.
  std::uint32_t fourcc_ = 0;
  LONG width_ = 0;  // the connection's frame size
  LONG height_ = 0;
  LONGLONG frame_ = 0;
  bool haveSequence_ = false;
  std::uint32_t lastSequence_ = 0;
  bool gap_ = false;
  REFERENCE_TIME lastStart_ = 0;
  int stalls_ = 0;
  HRESULT started_ = S_OK;  // what STREAMON gave
};

}  // namespace devices
