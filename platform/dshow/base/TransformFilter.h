#pragma once
// CTransformFilter: a filter with one input and one output pin that turns each input sample into
// a new output sample. Input and output have allocators of their own, negotiated per connection.
// The derived filter says which types it takes (CheckInputType), which output goes with which
// input (CheckTransform), what it offers on the output (GetMediaType), how big the output
// buffers are (DecideBufferSize), and does the work in Transform.
//
// Per sample (the upstream's streaming thread, under the receive lock): an output buffer is
// taken, the input's times and flags (times, media times, sync point, discontinuity, preroll)
// copied to it, Transform called, and the output delivered unless Transform answered S_FALSE
// (drop the sample). End of stream, flushes and new segments go downstream.
//
// Stop sets Stopped, decommits both allocators (waking a Receive that waits for a buffer), then
// waits for the receive lock, and only then calls StopStreaming. The filter lock is not held
// while it waits, so Transform may take it. Pause from Stopped calls StartStreaming; with the
// input unconnected it delivers end of stream on a connected output, so renderers can complete.

#include <memory>
#include <mutex>

#include "dshow/base/BaseFilter.h"
#include "dshow/base/TransformPins.h"

class CTransformFilter : public CBaseFilter {
 public:
  explicit CTransformFilter(const CLSID& clsid);

  int GetPinCount() override { return 2; }
  CBasePin* GetPin(int index) override;
  HRESULT Stop() override;
  HRESULT Pause() override;

  // ---- Hooks (pins call them; the type and connection hooks without the filter lock) ---------

  // Fills out from in. S_FALSE drops the sample. The default fails: a derived filter that keeps
  // this receive path must override it.
  virtual HRESULT Transform(IMediaSample* in, IMediaSample* out);
  virtual HRESULT CheckInputType(const AM_MEDIA_TYPE* mediaType) = 0;
  virtual HRESULT CheckTransform(const AM_MEDIA_TYPE* in, const AM_MEDIA_TYPE* out) = 0;
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
  // The output types offered for the current input type.
  virtual HRESULT GetMediaType(int position, MediaType* mediaType) = 0;
  // A pin's connection type was set (after the pin stored it).
  virtual HRESULT SetMediaType(PIN_DIRECTION /*direction*/, const AM_MEDIA_TYPE* /*mediaType*/) {
    return S_OK;
  }
  virtual HRESULT CheckConnect(PIN_DIRECTION /*direction*/, IPin* /*pin*/) { return S_OK; }
  virtual HRESULT BreakConnect(PIN_DIRECTION /*direction*/) { return S_OK; }
  virtual HRESULT CompleteConnect(PIN_DIRECTION /*direction*/, IPin* /*pin*/) { return S_OK; }
  // Pause from Stopped, after the pins were activated; Stop, after streaming has ended.
  virtual HRESULT StartStreaming() { return S_OK; }
  virtual HRESULT StopStreaming() { return S_OK; }

  // Streaming thread, under the receive lock.
  virtual HRESULT Receive(IMediaSample* sample);
  virtual HRESULT EndOfStream();
  virtual HRESULT BeginFlush();
  virtual HRESULT EndFlush();
  virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

  CTransformInputPin* InputPin();
  CTransformOutputPin* OutputPin();
  std::mutex& ReceiveLock() { return receiveLock_; }

 protected:
  ~CTransformFilter() override;

  // Pin factories, called once, on the first use of the pins; derived filters may supply
  // pins of their own.
  virtual std::unique_ptr<CTransformInputPin> CreateInputPin();
  virtual std::unique_ptr<CTransformOutputPin> CreateOutputPin();

  // An output buffer with the input's times and flags.
  HRESULT InitializeOutputSample(IMediaSample* in, IMediaSample** out);

 private:
  void EnsurePins();

  std::unique_ptr<CTransformInputPin> input_;
  std::unique_ptr<CTransformOutputPin> output_;
  std::mutex receiveLock_;
};
