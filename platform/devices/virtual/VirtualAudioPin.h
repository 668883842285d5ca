#pragma once
// The capture pin of a virtual microphone: PCM in the described formats (IAMStreamConfig with
// AUDIO_STREAM_CONFIG_CAPS), a tone in every buffer, delivered in real time.
//
// Threads: IAMStreamConfig and connection on the application's thread; FillBuffer on the pin's
// streaming thread.

#include <chrono>
#include <mutex>

#include "devices/virtual/DeviceDescription.h"
#include "devices/virtual/ToneGenerator.h"
#include "dshow/base/SourceStream.h"

namespace devices {

class VirtualCaptureFilter;

class VirtualAudioPin : public CSourceStream, public IAMStreamConfig {
 public:
  // Each buffer holds this much sound.
  static constexpr REFERENCE_TIME kBufferDuration = kUnitsPerSecond / 20;

  explicit VirtualAudioPin(VirtualCaptureFilter* filter);

  HRESULT QueryInterface(REFIID riid, void** object) override {
    return CBasePin::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return CBasePin::AddRef(); }
  ULONG Release() override { return CBasePin::Release(); }

  // IAMStreamConfig: any PCM format within the range of the described ones.
  HRESULT SetFormat(AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetFormat(AM_MEDIA_TYPE** mediaType) override;
  HRESULT GetNumberOfCapabilities(int* count, int* size) override;
  HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* caps) override;

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

 protected:
  HRESULT QueryPinInterface(REFIID riid, void** object) override;
  HRESULT OnThreadStartPlay() override;
  HRESULT FillBuffer(IMediaSample* sample) override;

 private:
  MediaType TypeOf(int index) const;
  MediaType PreferredType() const;
  bool Accepts(const AM_MEDIA_TYPE& mediaType) const;

  VirtualCaptureFilter* const device_;
  AUDIO_STREAM_CONFIG_CAPS range_{};
  mutable std::mutex formatLock_;
  MediaType chosen_;  // guarded by formatLock_

  // Streaming thread only.
  std::unique_ptr<ToneGenerator> tone_;
  LONGLONG buffers_ = 0;
  REFERENCE_TIME position_ = 0;
  std::chrono::steady_clock::time_point nextBuffer_;
};

}  // namespace devices
