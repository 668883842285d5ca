#pragma once
// The capture pin of a virtual microphone: PCM in the described formats (IAMStreamConfig with
// AUDIO_STREAM_CONFIG_CAPS), a tone in every buffer, delivered in real time.
//
// Threads: as StreamConfigPin; FillBuffer on the pin's streaming thread.

#include <chrono>
#include <memory>

#include "devices/capture/StreamConfigPin.h"
#include "devices/virtual/DeviceDescription.h"
#include "devices/virtual/ToneGenerator.h"

namespace devices {

class VirtualCaptureFilter;

class VirtualAudioPin : public StreamConfigPin {
 public:
  // Each buffer holds this much sound.
  static constexpr REFERENCE_TIME kBufferDuration = kUnitsPerSecond / 20;

  explicit VirtualAudioPin(VirtualCaptureFilter* filter);

  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

 protected:
  // IAMStreamConfig: the described formats, and any PCM format within their range.
  int CapabilityCount() const override;
  MediaType CapabilityType(int index) const override;
  int CapsSize() const override { return sizeof(AUDIO_STREAM_CONFIG_CAPS); }
  void WriteCaps(int index, BYTE* caps) const override;
  bool Accepts(const AM_MEDIA_TYPE& mediaType) const override;
  bool SameFormat(const AM_MEDIA_TYPE& chosen, const AM_MEDIA_TYPE& offered) const override;

  HRESULT OnThreadStartPlay() override;
  HRESULT FillBuffer(IMediaSample* sample) override;

 private:
  VirtualCaptureFilter* const device_;
  AUDIO_STREAM_CONFIG_CAPS range_{};

  // Streaming thread only.
  std::unique_ptr<ToneGenerator> tone_;
  LONGLONG buffers_ = 0;
  REFERENCE_TIME position_ = 0;
  std::chrono::steady_clock::time_point nextBuffer_;
};

}  // namespace devices
