#include "dshow/base/TransformPins.h"

#include "dshow/base/TransformFilter.h"

// ---- Input -----------------------------------------------------------------------------------

CTransformInputPin::CTransformInputPin(CTransformFilter* filter, std::string name)
    : CBaseInputPin(filter, std::move(name)), transform_(filter) {}

HRESULT CTransformInputPin::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  const HRESULT hr = transform_->CheckInputType(mediaType);
  if (hr != S_OK) return hr;
  CBasePin* output = transform_->OutputPin();
  if (output->IsConnected()) {
    return transform_->CheckTransform(mediaType, output->ConnectionType().Ptr());
  }
  return S_OK;
}

HRESULT CTransformInputPin::SetMediaType(const AM_MEDIA_TYPE& mediaType) {
  const HRESULT hr = CBaseInputPin::SetMediaType(mediaType);
  if (FAILED(hr)) return hr;
  return transform_->SetMediaType(PINDIR_INPUT, &mediaType);
}

HRESULT CTransformInputPin::CheckConnect(IPin* pin) {
  const HRESULT hr = CBaseInputPin::CheckConnect(pin);
  if (FAILED(hr)) return hr;
  return transform_->CheckConnect(PINDIR_INPUT, pin);
}

HRESULT CTransformInputPin::BreakConnect() {
  (void)transform_->BreakConnect(PINDIR_INPUT);  // the pin's own state goes whatever it says
  return CBaseInputPin::BreakConnect();
}

HRESULT CTransformInputPin::CompleteConnect(IPin* receivePin) {
  const HRESULT hr = CBaseInputPin::CompleteConnect(receivePin);
  if (FAILED(hr)) return hr;
  return transform_->CompleteConnect(PINDIR_INPUT, receivePin);
}

HRESULT CTransformInputPin::Receive(IMediaSample* sample) {
  std::lock_guard lock(transform_->ReceiveLock());
  const HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  return transform_->Receive(sample);
}

HRESULT CTransformInputPin::EndOfStream() {
  std::lock_guard lock(transform_->ReceiveLock());
  const HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  return transform_->EndOfStream();
}

HRESULT CTransformInputPin::BeginFlush() {
  const HRESULT hr = CBaseInputPin::BeginFlush();
  if (FAILED(hr)) return hr;
  return transform_->BeginFlush();
}

HRESULT CTransformInputPin::EndFlush() {
  const HRESULT hr = transform_->EndFlush();
  (void)CBaseInputPin::EndFlush();  // always succeeds
  return hr;
}

HRESULT CTransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  (void)CBaseInputPin::NewSegment(start, stop, rate);  // only records the values
  return transform_->NewSegment(start, stop, rate);
}

// ---- Output ----------------------------------------------------------------------------------

CTransformOutputPin::CTransformOutputPin(CTransformFilter* filter, std::string name)
    : CBaseOutputPin(filter, std::move(name)),
      transform_(filter),
      seeking_(static_cast<IPin*>(this), [filter] { return filter->InputPin(); }) {}

HRESULT CTransformOutputPin::QueryPinInterface(REFIID riid, void** object) {
  if (riid == IID_IMediaSeeking) {
    *object = static_cast<IMediaSeeking*>(&seeking_);
    AddRef();
    return S_OK;
  }
  return CBaseOutputPin::QueryPinInterface(riid, object);
}

HRESULT CTransformOutputPin::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  CBasePin* input = transform_->InputPin();
  if (!input->IsConnected()) return E_UNEXPECTED;
  return transform_->CheckTransform(input->ConnectionType().Ptr(), mediaType);
}

HRESULT CTransformOutputPin::GetMediaType(int position, MediaType* mediaType) {
  if (!transform_->InputPin()->IsConnected()) return E_UNEXPECTED;
  return transform_->GetMediaType(position, mediaType);
}

HRESULT CTransformOutputPin::SetMediaType(const AM_MEDIA_TYPE& mediaType) {
  const HRESULT hr = CBaseOutputPin::SetMediaType(mediaType);
  if (FAILED(hr)) return hr;
  return transform_->SetMediaType(PINDIR_OUTPUT, &mediaType);
}

HRESULT CTransformOutputPin::CheckConnect(IPin* pin) {
  const HRESULT hr = CBaseOutputPin::CheckConnect(pin);
  if (FAILED(hr)) return hr;
  return transform_->CheckConnect(PINDIR_OUTPUT, pin);
}

HRESULT CTransformOutputPin::BreakConnect() {
  (void)transform_->BreakConnect(PINDIR_OUTPUT);  // the pin's own state goes whatever it says
  return CBaseOutputPin::BreakConnect();
}

HRESULT CTransformOutputPin::CompleteConnect(IPin* receivePin) {
  const HRESULT hr = CBaseOutputPin::CompleteConnect(receivePin);
  if (FAILED(hr)) return hr;
  return transform_->CompleteConnect(PINDIR_OUTPUT, receivePin);
}

HRESULT CTransformOutputPin::DecideBufferSize(IMemAllocator* allocator,
                                              ALLOCATOR_PROPERTIES* request) {
  return transform_->DecideBufferSize(allocator, request);
}
