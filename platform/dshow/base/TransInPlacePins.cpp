#include "dshow/base/TransInPlacePins.h"

#include "dshow/base/TransformFilter.h"

// ---- Input -----------------------------------------------------------------------------------

CTransInPlaceInputPin::CTransInPlaceInputPin(CTransformFilter* filter)
    : CTransformInputPin(filter) {}

HRESULT CTransInPlaceInputPin::GetAllocator(IMemAllocator** allocator) {
  if (allocator == nullptr) return E_POINTER;
  IMemInputPin* downstream = TransformFilter()->OutputPin()->InputPin();
  if (downstream != nullptr && SUCCEEDED(downstream->GetAllocator(allocator))) return S_OK;
  return CTransformInputPin::GetAllocator(allocator);
}

HRESULT CTransInPlaceInputPin::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  const HRESULT hr = TransformFilter()->CheckInputType(mediaType);
  if (hr != S_OK) return hr;
  IPin* downstream = TransformFilter()->OutputPin()->GetConnected();
  if (downstream != nullptr && downstream->QueryAccept(mediaType) != S_OK) {
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  return S_OK;
}

HRESULT CTransInPlaceInputPin::GetMediaType(int position, MediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  CBasePin* output = TransformFilter()->OutputPin();
  if (position < 0) return E_INVALIDARG;
  if (position > 0 || !output->IsConnected()) return VFW_S_NO_MORE_ITEMS;
  *mediaType = output->CurrentMediaType();
  return S_OK;
}

// ---- Output ----------------------------------------------------------------------------------

CTransInPlaceOutputPin::CTransInPlaceOutputPin(CTransformFilter* filter)
    : CTransformOutputPin(filter) {}

HRESULT CTransInPlaceOutputPin::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  CBasePin* input = TransformFilter()->InputPin();
  if (!input->IsConnected()) return E_UNEXPECTED;
  const HRESULT hr = TransformFilter()->CheckInputType(mediaType);
  if (hr != S_OK) return hr;
  if (IsEqualMediaType(*mediaType, input->ConnectionType().Get())) return S_OK;
  IPin* upstream = input->GetConnected();
  return upstream->QueryAccept(mediaType) == S_OK ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CTransInPlaceOutputPin::GetMediaType(int position, MediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  CBasePin* input = TransformFilter()->InputPin();
  if (!input->IsConnected()) return E_UNEXPECTED;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  *mediaType = input->CurrentMediaType();
  return S_OK;
}

HRESULT CTransInPlaceOutputPin::DecideAllocator(IMemInputPin* input, IMemAllocator** allocator) {
  if (input == nullptr || allocator == nullptr) return E_POINTER;
  *allocator = nullptr;
  CTransformInputPin* ours = TransformFilter()->InputPin();
  IMemAllocator* shared = ours->PeerAllocator();
  if (ours->IsConnected() && shared != nullptr && !ours->IsReadOnly() &&
      SUCCEEDED(input->NotifyAllocator(shared, FALSE))) {
    shared->AddRef();
    *allocator = shared;
    return S_OK;
  }
  return CTransformOutputPin::DecideAllocator(input, allocator);
}
