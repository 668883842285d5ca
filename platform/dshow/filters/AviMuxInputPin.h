#pragma once
// An input of the AVI multiplexer: takes any video or audio type the AVI file can carry (see
// av/CodecParameters.h) and hands each sample to the multiplexer. IAMStreamControl starts and
// stops the stream by sample time: samples starting before the start time or at the stop time
// and later are dropped (a capture can run before it records).
//
// Threads: connection and stream control calls come from the application's thread; Receive and
// EndOfStream from the upstream streaming thread. The stream control window is under its own lock.

#include <atomic>
#include <limits>
#include <mutex>

#include "dshow/DeviceInterfaces.h"
#include "dshow/base/BaseInputPin.h"

class AviMux;

class AviMuxInputPin final : public CBaseInputPin, public IAMStreamControl {
 public:
  AviMuxInputPin(AviMux* mux, std::string name);

  HRESULT QueryInterface(REFIID riid, void** object) override {
    return CBaseInputPin::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return CBaseInputPin::AddRef(); }
  ULONG Release() override { return CBaseInputPin::Release(); }

  // CBasePin
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT BreakConnect() override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;

  // IAMStreamControl. A null time is the stream time now (the start of the stream while the
  // filter has no clock); MAX_TIME never.
  HRESULT StartAt(const REFERENCE_TIME* start, DWORD cookie) override;
  HRESULT StopAt(const REFERENCE_TIME* stop, BOOL sendExtra, DWORD cookie) override;
  HRESULT GetInfo(AM_STREAM_INFO* info) override;

  // The stream this input writes in the file, -1 when it writes none. Set by the multiplexer
  // while stopped.
  void SetStream(int stream) { stream_.store(stream, std::memory_order_release); }
  int Stream() const { return stream_.load(std::memory_order_acquire); }

 protected:
  HRESULT QueryPinInterface(REFIID riid, void** object) override;

 private:
  // Before every sample: the stream runs from the start.
  static constexpr REFERENCE_TIME kBeginning = std::numeric_limits<REFERENCE_TIME>::min();

  REFERENCE_TIME Now();
  // Whether a sample at time passes the stream control window.
  bool Passes(REFERENCE_TIME time);

  AviMux* const mux_;
  std::atomic<int> stream_{-1};
  bool completed_ = false;  // under the filter lock

  std::mutex controlLock_;
  REFERENCE_TIME start_ = kBeginning;  // under controlLock_, as are the rest
  REFERENCE_TIME stop_ = MAX_TIME;
  DWORD startCookie_ = 0;
  DWORD stopCookie_ = 0;
  bool startDefined_ = false;
  bool stopDefined_ = false;
  bool sendExtra_ = false;
};
