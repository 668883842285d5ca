#pragma once
// The Sample Grabber: passes samples through unchanged and lets the application look at them:
// it keeps a copy of the last sample (SetBufferSamples), calls the application back for each
// sample (SetCallback) and can stop the stream after the first one (SetOneShot). The input only
// accepts types that fit the (possibly partial) type the application set. The output may stay
// unconnected: the grabber then ends the stream itself, and counts as a renderer (so that the
// graph waits for its end of stream).
//
// Threads: the ISampleGrabber methods come from the application's thread; samples and the
// callbacks run on the upstream's streaming thread. The buffered copy, the callback and the
// settings are guarded by one lock, which is never held while the callback runs.

#include <mutex>
#include <vector>

#include "dshow/CodecInterfaces.h"
#include "dshow/Uuids.h"
#include "dshow/base/TransInPlaceFilter.h"

class SampleGrabber final : public CTransInPlaceFilter,
                            public ISampleGrabber,
                            public IAMFilterMiscFlags {
 public:
  SampleGrabber();

  // IUnknown, one for both bases.
  HRESULT QueryInterface(REFIID riid, void** object) override {
    return CTransInPlaceFilter::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return CTransInPlaceFilter::AddRef(); }
  ULONG Release() override { return CTransInPlaceFilter::Release(); }

  // ISampleGrabber
  HRESULT SetOneShot(BOOL oneShot) override;
  HRESULT SetMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetConnectedMediaType(AM_MEDIA_TYPE* mediaType) override;
  HRESULT SetBufferSamples(BOOL bufferThem) override;
  HRESULT GetCurrentBuffer(LONG* size, LONG* buffer) override;
  HRESULT GetCurrentSample(IMediaSample** sample) override;
  HRESULT SetCallback(ISampleGrabberCB* callback, LONG which) override;

  // IAMFilterMiscFlags: a renderer while the input is connected and the output is not.
  ULONG GetMiscFlags() override;

  // CTransInPlaceFilter
  HRESULT CheckInputType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT Transform(IMediaSample* sample) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT StartStreaming() override;

 protected:
  HRESULT QueryFilterInterface(REFIID riid, void** object) override;

 private:
  using CTransInPlaceFilter::SetMediaType;
  // Buffers the sample and calls the application back. Streaming thread.
  void Grab(IMediaSample* sample);
  // After the one shot: the stream ends here.
  void EndStream();

  std::mutex lock_;
  MediaType wanted_;                   // under lock_; GUID_NULL parts match anything
  bool oneShot_ = false;               // under lock_
  bool shotTaken_ = false;             // under lock_
  bool bufferSamples_ = false;         // under lock_
  bool haveBuffer_ = false;            // under lock_
  std::vector<BYTE> buffer_;           // under lock_
  ComPtr<ISampleGrabberCB> callback_;  // under lock_
  LONG callbackKind_ = 0;              // under lock_: 0 SampleCB, 1 BufferCB
};
