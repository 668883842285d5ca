#pragma once
// The common part of the tee filters: their input pin, their output pins and the filter base.
//
// An output pin of a tee filter. It offers and accepts only the type of the tee's input
// connection (so it connects only after the input has), and sizes its buffers like the input's.
//
// A pin that passes the input's samples on as they are (passThrough) tells its peer that they
// are read-only, because the same sample also goes to the tee's other outputs; its own pool is
// then only there to describe the buffers.

#include "dshow/base/BaseInputPin.h"
#include "dshow/base/BaseOutputPin.h"

class TeeOutputPin : public CBaseOutputPin {
 public:
  TeeOutputPin(CBaseFilter* filter, CBaseInputPin* input, std::string name, bool passThrough,
               LONG buffers = 1);

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT GetMediaType(int position, MediaType* mediaType) override;
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
  HRESULT DecideAllocator(IMemInputPin* input, IMemAllocator** allocator) override;

 protected:
  CBaseInputPin* TeeInput() const { return input_; }

 private:
  CBaseInputPin* const input_;
  const bool passThrough_;
  const LONG buffers_;
};

// The input pin of a tee: any type, as long as the connected outputs' peers take it too. Stream
// calls go to the tee (TeeFilter below).
class TeeFilter;

class TeeInputPin final : public CBaseInputPin {
 public:
  TeeInputPin(TeeFilter* tee, std::string name);

  HRESULT CheckMediaType(const AM_MEDIA_TYPE* mediaType) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

 private:
  TeeFilter* const tee_;
};

// What the two tees share: one input, outputs that follow it, a receive lock that Stop waits
// for, and end of stream on the outputs when the input is unconnected at Pause.
class TeeFilter : public CBaseFilter {
 public:
  explicit TeeFilter(const CLSID& clsid);

  HRESULT Stop() override;
  HRESULT Pause() override;

  // Streaming thread (the upstream's), under the receive lock for Receive.
  virtual HRESULT DeliverSample(IMediaSample* sample) = 0;
  virtual HRESULT DeliverEndOfStream() = 0;
  virtual HRESULT DeliverBeginFlush() = 0;
  virtual HRESULT DeliverEndFlush() = 0;
  virtual HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;
  // Under the filter lock: the connected outputs' peers.
  virtual bool OutputsAccept(const AM_MEDIA_TYPE& mediaType) = 0;

  std::mutex& ReceiveLock() { return receiveLock_; }

 protected:
  ~TeeFilter() override;

 private:
  std::mutex receiveLock_;
};

// Whether every connected pin among outputs has a peer that accepts the type.
template <class Pins>
bool PeersAccept(const Pins& outputs, const AM_MEDIA_TYPE& mediaType) {
  for (const auto& pin : outputs) {
    IPin* peer = pin->GetConnected();
    if (peer != nullptr && peer->QueryAccept(&mediaType) != S_OK) return false;
  }
  return true;
}
