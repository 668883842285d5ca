#pragma once
// CBaseInputPin: an input pin that receives samples through IMemInputPin. It offers a
// CMemAllocator of its own when asked (GetAllocator), keeps the allocator its peer chose
// (NotifyAllocator), refuses samples while the filter is stopped, the pin is flushing or after a
// run-time error, and takes a change of media type carried by a sample when CheckMediaType
// accepts it. Inactive decommits the allocator, which wakes an upstream thread waiting for a
// buffer.
//
// Derived pins override Receive and call CBaseInputPin::Receive first: anything but S_OK is
// returned as it is. Flushing and end of stream are passed on by the derived pins.
//
// Threads: Receive, EndOfStream, NewSegment and the flush calls arrive on the upstream filter's
// streaming thread; the rest on the application's thread.

#include <atomic>

#include "dshow/SampleInterfaces.h"
#include "dshow/base/BasePin.h"

class CBaseInputPin : public CBasePin, public IMemInputPin {
 public:
  CBaseInputPin(CBaseFilter* filter, std::string name);

  // IUnknown (one for both interfaces).
  HRESULT QueryInterface(REFIID riid, void** object) override {
    return CBasePin::QueryInterface(riid, object);
  }
  ULONG AddRef() override { return CBasePin::AddRef(); }
  ULONG Release() override { return CBasePin::Release(); }

  // IMemInputPin
  HRESULT GetAllocator(IMemAllocator** allocator) override;
  HRESULT NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
  HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* properties) override;
  HRESULT Receive(IMediaSample* sample) override;
  HRESULT ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) override;
  HRESULT ReceiveCanBlock() override { return S_OK; }

  // IPin
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;

  HRESULT BreakConnect() override;
  HRESULT Inactive() override;

  // S_OK when a sample may be received now; otherwise the result Receive gives.
  HRESULT CheckStreaming();
  bool IsFlushing() const { return flushing_.load(std::memory_order_acquire); }
  bool IsReadOnly() const { return readOnly_; }
  // The allocator the peer chose (not counted), or null.
  IMemAllocator* PeerAllocator() const { return allocator_.Get(); }
  // After a run-time error the pin refuses samples until the filter stops or flushes.
  void SetRuntimeError() { runtimeError_.store(true, std::memory_order_release); }

 protected:
  HRESULT QueryPinInterface(REFIID riid, void** object) override;

 private:
  ComPtr<IMemAllocator> allocator_;
  bool readOnly_ = false;
  std::atomic<bool> flushing_{false};
  std::atomic<bool> runtimeError_{false};
};
