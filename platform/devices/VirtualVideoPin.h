#pragma once
// An output pin of a virtual camera: capture, preview, video port, analog video or interleaved
// DV, with its category (IKsPropertySet), its formats (IAMStreamConfig) and, on capture pins of
// devices that count them, its frame counters (IAMDroppedFrames). It paints the test picture
// into each sample and delivers it at the format's frame rate.
//
// Threads: IAMStreamConfig and connection on the application's thread; FillBuffer on the pin's
// streaming thread; the frame counters are atomics that any thread may read.

#include <atomic>
#include <chrono>
#include <mutex>

#include "devices/CompressedFrameEncoder.h"
#include "devices/VideoPinFormats.h"
#include "dshow/base/SourceStream.h"

namespace devices {

class VirtualCaptureFilter;

class VirtualVideoPin : public CSourceStream, public IAMStreamConfig, public IAMDroppedFrames {
 public:
  VirtualVideoPin(VirtualCaptureFilter* filter, const VideoPinDescription& pin, LONG videoStandards,
                  bool countsFrames);

  // IUnknown, one for every interface of the pin.
  HRESULT QueryInterface(REFIID riid, void** object) override {
    return CBasePin::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return CBasePin::AddRef(); }
  ULONG Release() override { return CBasePin::Release(); }

  // IAMStreamConfig. SetFormat takes types the pin accepts (VFW_E_INVALIDMEDIATYPE otherwise),
  // only while the filter is stopped (VFW_E_NOT_STOPPED); a connected pin is connected again
  // with the new type.
  HRESULT SetFormat(AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetFormat(AM_MEDIA_TYPE** mediaType) override;
  HRESULT GetNumberOfCapabilities(int* count, int* size) override;
  HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mediaType, BYTE* caps) override;

  // IAMDroppedFrames: frames delivered and dropped since the filter last left Stopped. A frame
  // is dropped when the pin fell behind the frame rate, or as the description says.
  HRESULT GetNumDropped(LONG* dropped) override;
  HRESULT GetNumNotDropped(LONG* notDropped) override;
  HRESULT GetDroppedInfo(LONG size, LONG* frames, LONG* copied) override;
  HRESULT GetAverageFrameSize(LONG* averageSize) override;

  // CBasePin / CBaseOutputPin
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  // Frames the device has run through since it started: delivered and dropped ones.
  LONGLONG FramesElapsed() const { return delivered_.load() + dropped_.load(); }

 protected:
  HRESULT QueryPinInterface(REFIID riid, void** object) override;
  HRESULT OnThreadStartPlay() override;
  HRESULT FillBuffer(IMediaSample* sample) override;

 private:
  // The type new connections start from: the one SetFormat chose, else the first capability.
  MediaType PreferredType() const;
  bool HasChosenFormat() const;
  // True while no format was set, else when mediaType has the set format's subtype and size.
  bool FitsChosenFormat(const AM_MEDIA_TYPE& mediaType) const;
  HRESULT Reconnect(const AM_MEDIA_TYPE& mediaType);
  // Waits for the next frame time; false when the filter stops. Counts frames it fell behind.
  bool WaitForFrame(REFERENCE_TIME interval);
  void StampSample(IMediaSample* sample, LONGLONG frame, REFERENCE_TIME interval);
  // Paints or encodes the frame into the sample; the bytes written.
  DWORD Picture(const AM_MEDIA_TYPE& type, LONGLONG frame, BYTE* buffer, DWORD capacity);

  VirtualCaptureFilter* const device_;
  const VideoPinFormats formats_;
  const bool countsFrames_;
  mutable std::mutex formatLock_;
  MediaType chosen_;  // guarded by formatLock_; empty until SetFormat

  std::atomic<LONG> delivered_{0};
  std::atomic<LONG> dropped_{0};
  // Streaming thread only.
  LONGLONG frame_ = 0;
  std::chrono::steady_clock::time_point nextFrame_;
  std::unique_ptr<CompressedFrameEncoder> encoder_;  // for compressed subtypes
  bool encoderTried_ = false;
};

}  // namespace devices
