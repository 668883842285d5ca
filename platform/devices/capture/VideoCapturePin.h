#pragma once
// A video output pin of a capture device: IAMStreamConfig (StreamConfigPin), buffers of the
// connected frame size, and on the pins that count them the frame counters of IAMDroppedFrames.
// The back-end's streaming thread counts each frame it delivers or drops.
//
// Threads: as StreamConfigPin; the counters are atomics that any thread may read and the
// streaming thread writes.

#include <atomic>

#include "devices/capture/StreamConfigPin.h"

namespace devices {

class VideoCapturePin : public StreamConfigPin, public IAMDroppedFrames {
 public:
  VideoCapturePin(CaptureFilter* filter, std::string name, bool countsFrames);

  HRESULT QueryInterface(REFIID riid, void** object) override {
    return CBasePin::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return CBasePin::AddRef(); }
  ULONG Release() override { return CBasePin::Release(); }

  // IAMDroppedFrames: frames delivered and dropped since the stream last started.
  HRESULT GetNumDropped(LONG* dropped) override;
  HRESULT GetNumNotDropped(LONG* notDropped) override;
  HRESULT GetDroppedInfo(LONG size, LONG* frames, LONG* copied) override;
  HRESULT GetAverageFrameSize(LONG* averageSize) override;

  // At least three buffers of the connected type's frame size.
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

  // Frames the device has run through since the stream started: delivered and dropped ones.
  LONGLONG FramesElapsed() const { return delivered_.load() + dropped_.load(); }

 protected:
  HRESULT QueryPinInterface(REFIID riid, void** object) override;

  // Streaming thread.
  void ResetFrameCounts();
  void CountDelivered() { delivered_.fetch_add(1); }
  void CountDropped(LONG frames) { dropped_.fetch_add(frames); }
  LONG Delivered() const { return delivered_.load(); }

 private:
  const bool countsFrames_;
  std::atomic<LONG> delivered_{0};
  std::atomic<LONG> dropped_{0};
};

}  // namespace devices
