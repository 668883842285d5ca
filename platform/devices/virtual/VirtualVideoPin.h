#pragma once
// An output pin of a virtual camera: capture, preview, video port, analog video or interleaved
// DV, with its category (IKsPropertySet), its formats (IAMStreamConfig, VideoPinFormats) and, on
// capture pins of devices that count them, its frame counters (IAMDroppedFrames). It paints the
// test picture into each sample and delivers it at the format's frame rate.
//
// Threads: as VideoCapturePin; FillBuffer on the pin's streaming thread.

#include <chrono>
#include <memory>

#include "devices/capture/VideoCapturePin.h"
#include "devices/capture/VideoPinFormats.h"
#include "devices/virtual/CompressedFrameEncoder.h"

namespace devices {

class VirtualCaptureFilter;

class VirtualVideoPin : public VideoCapturePin {
 public:
  VirtualVideoPin(VirtualCaptureFilter* filter, const VideoPinDescription& pin, LONG videoStandards,
                  bool countsFrames);

 protected:
  int CapabilityCount() const override { return formats_.Count(); }
  MediaType CapabilityType(int index) const override { return formats_.TypeOf(index); }
  int CapsSize() const override { return sizeof(VIDEO_STREAM_CONFIG_CAPS); }
  void WriteCaps(int index, BYTE* caps) const override;
  bool Accepts(const AM_MEDIA_TYPE& mediaType) const override {
    return formats_.Accepts(mediaType);
  }

  HRESULT OnThreadStartPlay() override;
  HRESULT FillBuffer(IMediaSample* sample) override;

 private:
  // Waits for the next frame time; false when the filter stops. Counts frames it fell behind.
  bool WaitForFrame(REFERENCE_TIME interval);
  void StampSample(IMediaSample* sample, LONGLONG frame, REFERENCE_TIME interval);
  // Paints or encodes the frame into the sample; the bytes written.
  DWORD Picture(const AM_MEDIA_TYPE& type, LONGLONG frame, BYTE* buffer, DWORD capacity);

  VirtualCaptureFilter* const device_;
  const VideoPinFormats formats_;

  // Streaming thread only.
  LONGLONG frame_ = 0;
  std::chrono::steady_clock::time_point nextFrame_;
  std::unique_ptr<CompressedFrameEncoder> encoder_;  // for compressed subtypes
  bool encoderTried_ = false;
};

}  // namespace devices
