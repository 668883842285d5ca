#include "dshow/base/TransInPlaceFilter.h"

#include <algorithm>
#include <cstring>

#include "com/Diagnostics.h"
#include "dshow/base/TransInPlacePins.h"

CTransInPlaceFilter::CTransInPlaceFilter(const CLSID& clsid) : CTransformFilter(clsid) {}

std::unique_ptr<CTransformInputPin> CTransInPlaceFilter::CreateInputPin() {
  return std::make_unique<CTransInPlaceInputPin>(this);
}

std::unique_ptr<CTransformOutputPin> CTransInPlaceFilter::CreateOutputPin() {
  return std::make_unique<CTransInPlaceOutputPin>(this);
}

HRESULT CTransInPlaceFilter::CheckTransform(const AM_MEDIA_TYPE* /*in*/,
                                            const AM_MEDIA_TYPE* /*out*/) {
  return S_OK;
}

HRESULT CTransInPlaceFilter::GetMediaType(int /*position*/, MediaType* /*mediaType*/) {
  return E_UNEXPECTED;
}

HRESULT CTransInPlaceFilter::DecideBufferSize(IMemAllocator* allocator,
                                              ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  ALLOCATOR_PROPERTIES wanted = *request;
  ALLOCATOR_PROPERTIES upstream;
  IMemAllocator* input = InputPin()->PeerAllocator();
  if (input != nullptr && SUCCEEDED(input->GetProperties(&upstream))) {
    wanted.cBuffers = std::max(wanted.cBuffers, upstream.cBuffers);
    wanted.cbBuffer = std::max(wanted.cbBuffer, upstream.cbBuffer);
  }
  const auto sampleSize = static_cast<LONG>(OutputPin()->ConnectionType()->lSampleSize);
  wanted.cbBuffer = std::max({wanted.cbBuffer, sampleSize, LONG{1}});
  wanted.cBuffers = std::max(wanted.cBuffers, LONG{1});
  ALLOCATOR_PROPERTIES actual;
  const HRESULT hr = allocator->SetProperties(&wanted, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer >= wanted.cbBuffer && actual.cBuffers >= 1 ? S_OK : E_FAIL;
}

HRESULT CTransInPlaceFilter::CompleteConnect(PIN_DIRECTION direction, IPin* /*pin*/) {
  if (direction != PINDIR_OUTPUT) return S_OK;
  CTransformInputPin* input = InputPin();
  const MediaType& outputType = OutputPin()->ConnectionType();
  if (!input->IsConnected() || input->ConnectionType() == outputType) return S_OK;
  // The output took a type other than the input's: the input follows it.
  const ComPtr<IPin> upstream = input->GetConnected();
  const MediaType type = outputType;
  HRESULT hr = upstream->Disconnect();
  if (SUCCEEDED(hr)) hr = input->Disconnect();
  if (SUCCEEDED(hr)) hr = upstream->Connect(input, type.Ptr());
  if (FAILED(hr)) {
    diag::Debug("dshow", Name(), ": input cannot follow the output's type: ", HResultText(hr));
  }
  return hr;
}

bool CTransInPlaceFilter::UsingSameAllocator() {
  CTransformInputPin* input = InputPin();
  IMemAllocator* upstream = input->PeerAllocator();
  return upstream != nullptr && upstream == OutputPin()->Allocator() && !input->IsReadOnly();
}

HRESULT CTransInPlaceFilter::CopySample(IMediaSample* source, IMediaSample** copy) {
  ComPtr<IMediaSample> target;
  HRESULT hr = InitializeOutputSample(source, target.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  BYTE* from = nullptr;
  BYTE* to = nullptr;
  if (FAILED(source->GetPointer(&from)) || FAILED(target->GetPointer(&to))) return E_UNEXPECTED;
  const LONG length = source->GetActualDataLength();
  if (length > target->GetSize()) return VFW_E_BUFFER_OVERFLOW;
  std::memcpy(to, from, static_cast<std::size_t>(length));
  hr = target->SetActualDataLength(length);
  if (FAILED(hr)) return hr;
  AM_MEDIA_TYPE* changed = nullptr;
  if (source->GetMediaType(&changed) == S_OK && changed != nullptr) {
    (void)target->SetMediaType(changed);  // our own samples take any type
    DeleteMediaType(changed);
  }
  *copy = target.Detach();
  return S_OK;
}

HRESULT CTransInPlaceFilter::Receive(IMediaSample* sample) {
  ComPtr<IMediaSample> target;
  if (UsingSameAllocator()) {
    target = sample;
  } else {
    const HRESULT hr = CopySample(sample, target.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
  }
  const HRESULT hr = Transform(target.Get());
  if (hr == S_FALSE) return S_OK;  // dropped on purpose
  if (FAILED(hr)) return hr;
  return OutputPin()->Deliver(target.Get());
}
