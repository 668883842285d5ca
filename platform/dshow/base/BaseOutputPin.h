#pragma once
// CBaseOutputPin: an output pin that delivers samples to an input pin with IMemInputPin through
// an allocator negotiated per connection. On connection it asks the input pin for its allocator
// requirements and allocator, sizes it with DecideBufferSize and tells the input pin
// (NotifyAllocator); when the input pin has no allocator or refuses, a CMemAllocator of the
// output pin's own is used (InitAllocator). Active commits the allocator, Inactive decommits it.
//
// Threads: connection on the application's thread; GetDeliveryBuffer, Deliver and the Deliver...
// calls on the filter's streaming thread.

#include "dshow/SampleInterfaces.h"
#include "dshow/base/BasePin.h"

class CBaseOutputPin : public CBasePin {
 public:
  CBaseOutputPin(CBaseFilter* filter, std::string name);

  // Sets the allocator's properties (allocator->SetProperties) for the connection's type;
  // request holds the input pin's requirements (zero when it has none).
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
  // The allocator to use when the input pin offers none or refuses its own. Default: a new
  // CMemAllocator.
  virtual HRESULT InitAllocator(IMemAllocator** allocator);
  // The whole negotiation; derived pins that share allocators (in-place filters) override it.
  virtual HRESULT DecideAllocator(IMemInputPin* input, IMemAllocator** allocator);

  HRESULT CheckConnect(IPin* pin) override;
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT BreakConnect() override;
  HRESULT Active() override;
  HRESULT Inactive() override;

  // Output pins take no stream calls from their peer.
  HRESULT EndOfStream() override { return E_UNEXPECTED; }
  HRESULT BeginFlush() override { return E_UNEXPECTED; }
  HRESULT EndFlush() override { return E_UNEXPECTED; }

  // Streaming thread.
  HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                            DWORD flags);
  // The input pin's Receive result: S_OK, S_FALSE (deliver no more) or a failure.
  HRESULT Deliver(IMediaSample* sample);
  HRESULT DeliverEndOfStream();
  HRESULT DeliverBeginFlush();
  HRESULT DeliverEndFlush();
  HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

  // The negotiated allocator and the peer's IMemInputPin (not counted; null when unconnected).
  IMemAllocator* Allocator() const { return allocator_.Get(); }
  IMemInputPin* InputPin() const { return inputPin_.Get(); }

 protected:
  // For pins that pick their allocator in their own way.
  void SetAllocator(ComPtr<IMemAllocator> allocator) { allocator_ = std::move(allocator); }

 private:
  ComPtr<IMemInputPin> inputPin_;
  ComPtr<IMemAllocator> allocator_;
};
