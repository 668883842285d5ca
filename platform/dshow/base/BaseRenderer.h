#pragma once
// CBaseRenderer: a filter with one input pin that consumes samples. DoRenderSample runs on the
// upstream's streaming thread:
//  - in a live graph (the graph's ILiveGraph says so at Run), or without a clock, or for a sample
//    without time stamps, or when the renderer's device paces it (PacedByDevice): at once;
//  - otherwise when the graph clock reaches the filter's start time plus the sample's start time.
// While paused (not live) the first sample is held ("cued", OnReceiveFirstSample) and completes
// the pause; the upstream thread waits until Run, Stop or a flush. GetState answers
// VFW_S_STATE_INTERMEDIATE while a pause has neither a sample nor end of stream.
// End of stream while running (or at Run after it arrived while paused) sends EC_COMPLETE once;
// an unconnected renderer counts as at the end of its stream.
//
// The filter answers IAMFilterMiscFlags (a renderer) and IMediaSeeking (passed upstream).
//
// Threads and locks: state changes come from the application's thread; Receive, EndOfStream and
// the flush calls from the upstream's streaming thread. The render lock guards the cue and
// end-of-stream flags; the receive lock is held through a whole Receive, so that Stop can wait
// for a DoRenderSample in progress before it calls OnStopStreaming. Stop does not hold the filter
// lock while it waits, so DoRenderSample may take it.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "dshow/base/BaseFilter.h"
#include "dshow/base/BaseInputPin.h"
#include "dshow/base/SeekingPassThru.h"

class CBaseRenderer;

class CRendererInputPin : public CBaseInputPin {
 public:
  CRendererInputPin(CBaseRenderer* renderer, std::string name);

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE& mediaType) override;
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;

  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;

 private:
  CBaseRenderer* const renderer_;
};

class CBaseRenderer : public CBaseFilter, public IAMFilterMiscFlags {
 public:
  explicit CBaseRenderer(const CLSID& clsid, std::string pinName = "In");

  // IUnknown, one for both bases.
  HRESULT QueryInterface(REFIID riid, void** object) override {
    return CBaseFilter::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return CBaseFilter::AddRef(); }
  ULONG Release() override { return CBaseFilter::Release(); }

  // IAMFilterMiscFlags
  ULONG GetMiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

  HRESULT Stop() override;
  HRESULT Pause() override;
  HRESULT Run(REFERENCE_TIME start) override;
  HRESULT GetState(DWORD msTimeout, FILTER_STATE* state) override;

  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int index) override;
  CRendererInputPin* InputPin() { return input_.get(); }

  // ---- Hooks (type and connection hooks without the filter lock) -----------------------------

  virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) = 0;
  // Streaming thread, when the sample is due.
  virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;
  virtual HRESULT GetMediaType(int /*position*/, MediaType* /*mediaType*/) {
    return VFW_S_NO_MORE_ITEMS;
  }
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* /*mediaType*/) { return S_OK; }
  virtual HRESULT CheckConnect(IPin* /*pin*/) { return S_OK; }
  virtual HRESULT BreakConnect() { return S_OK; }
  virtual HRESULT CompleteConnect(IPin* /*pin*/) { return S_OK; }
  virtual HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* /*properties*/) {
    return E_NOTIMPL;
  }
  // Streaming thread, under the render lock: the sample that completes a pause (to show it).
  virtual void OnReceiveFirstSample(IMediaSample* /*sample*/) {}
  // Pause from Stopped, and Stop after the last Receive returned.
  virtual HRESULT OnStartStreaming() { return S_OK; }
  virtual HRESULT OnStopStreaming() { return S_OK; }
  // Streaming thread, under the render lock: whether a running renderer hands samples on as they
  // come instead of at their time, because its device takes them at its own pace (a sound card
  // whose writes wait for room).
  virtual bool PacedByDevice() { return false; }
  // The flush's thread, under the render lock, at its beginning and its end: what the renderer
  // holds for showing is stale. At the end too, because a sample being rendered when the flush
  // began may have added to it; upstream has stopped delivering by then.
  virtual void OnFlush() {}

  // ---- Streaming thread (from the input pin) -------------------------------------------------

  HRESULT Receive(IMediaSample* sample);
  HRESULT EndOfStream();
  HRESULT BeginFlush();
  HRESULT EndFlush();

  // Samples given to DoRenderSample since the filter was made. Any thread.
  LONG FramesRendered() const { return framesRendered_.load(std::memory_order_acquire); }
  bool IsLiveStream() const { return live_.load(std::memory_order_acquire); }
  std::mutex& ReceiveLock() { return receiveLock_; }

 protected:
  ~CBaseRenderer() override;
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;

 private:
  bool PauseCompleteLocked() const;
  // Waits until the sample is due; false when the state changed or a flush began first.
  bool WaitForRenderTime(std::unique_lock<std::mutex>& lock, IMediaSample* sample);
  void SendEndOfStreamLocked();

  std::unique_ptr<CRendererInputPin> input_;
  CSeekingPassThru seeking_;
  std::mutex receiveLock_;
  std::mutex renderLock_;
  std::condition_variable renderWake_;
  bool cued_ = false;          // under renderLock_
  bool endOfStream_ = false;   // under renderLock_
  bool completeSent_ = false;  // under renderLock_
  bool flushing_ = false;      // under renderLock_
  std::atomic<bool> live_{false};
  std::atomic<LONG> framesRendered_{0};
};
