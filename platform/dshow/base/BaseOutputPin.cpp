#include "dshow/base/BaseOutputPin.h"

#include "dshow/base/MemAllocator.h"

CBaseOutputPin::CBaseOutputPin(CBaseFilter* filter, std::string name)
    : CBasePin(filter, std::move(name), PINDIR_OUTPUT) {}

HRESULT CBaseOutputPin::CheckConnect(IPin* pin) {
  HRESULT hr = CBasePin::CheckConnect(pin);
  if (FAILED(hr)) return hr;
  hr = pin->QueryInterface(IID_IMemInputPin, inputPin_.ReleaseAndGetVoidAddress());
  return FAILED(hr) ? E_NOINTERFACE : S_OK;  // samples need IMemInputPin
}

HRESULT CBaseOutputPin::CompleteConnect(IPin* /*receivePin*/) {
  if (!inputPin_) return E_UNEXPECTED;
  return DecideAllocator(inputPin_.Get(), allocator_.ReleaseAndGetAddressOf());
}

HRESULT CBaseOutputPin::BreakConnect() {
  if (allocator_) (void)allocator_->Decommit();  // a pool nobody will draw from any more
  allocator_.Reset();
  inputPin_.Reset();
  return S_OK;
}

HRESULT CBaseOutputPin::InitAllocator(IMemAllocator** allocator) {
  if (allocator == nullptr) return E_POINTER;
  *allocator = MakeComObject<CMemAllocator>().Detach();
  return S_OK;
}

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* input, IMemAllocator** allocator) {
  if (input == nullptr || allocator == nullptr) return E_POINTER;
  *allocator = nullptr;
  ALLOCATOR_PROPERTIES required;
  // E_NOTIMPL means no requirements: the zeroed properties say so.
  (void)input->GetAllocatorRequirements(&required);
  if (required.cbAlign == 0) required.cbAlign = 1;

  ComPtr<IMemAllocator> candidate;
  HRESULT hr = input->GetAllocator(candidate.ReleaseAndGetAddressOf());
  if (SUCCEEDED(hr) && candidate) {
    ALLOCATOR_PROPERTIES request = required;
    hr = DecideBufferSize(candidate.Get(), &request);
    if (SUCCEEDED(hr)) hr = input->NotifyAllocator(candidate.Get(), FALSE);
    if (SUCCEEDED(hr)) {
      *allocator = candidate.Detach();
      return S_OK;
    }
  }
  hr = InitAllocator(candidate.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  ALLOCATOR_PROPERTIES request = required;
  hr = DecideBufferSize(candidate.Get(), &request);
  if (FAILED(hr)) return hr;
  hr = input->NotifyAllocator(candidate.Get(), FALSE);
  if (FAILED(hr)) return hr;
  *allocator = candidate.Detach();
  return S_OK;
}

HRESULT CBaseOutputPin::Active() {
  if (!allocator_) return VFW_E_NO_ALLOCATOR;
  return allocator_->Commit();
}

HRESULT CBaseOutputPin::Inactive() {
  if (!allocator_) return VFW_E_NO_ALLOCATOR;
  return allocator_->Decommit();
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                          REFERENCE_TIME* stop, DWORD flags) {
  if (sample == nullptr) return E_POINTER;
  *sample = nullptr;
  if (!allocator_) return VFW_E_NO_ALLOCATOR;
  return allocator_->GetBuffer(sample, start, stop, flags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* sample) {
  if (!inputPin_) return VFW_E_NOT_CONNECTED;
  return inputPin_->Receive(sample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream() {
  IPin* peer = GetConnected();
  return peer != nullptr ? peer->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverBeginFlush() {
  IPin* peer = GetConnected();
  return peer != nullptr ? peer->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverEndFlush() {
  IPin* peer = GetConnected();
  return peer != nullptr ? peer->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  IPin* peer = GetConnected();
  return peer != nullptr ? peer->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}
