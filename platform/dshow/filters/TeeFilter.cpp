#include "dshow/filters/TeeFilter.h"

#include <algorithm>

#include "dshow/base/MemAllocator.h"

// ---- Output ----------------------------------------------------------------------------------

TeeOutputPin::TeeOutputPin(CBaseFilter* filter, CBaseInputPin* input, std::string name,
                           bool passThrough, LONG buffers)
    : CBaseOutputPin(filter, std::move(name)),
      input_(input),
      passThrough_(passThrough),
      buffers_(buffers) {}

HRESULT TeeOutputPin::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (!input_->IsConnected()) return VFW_E_NOT_CONNECTED;
  return IsEqualMediaType(*mediaType, input_->ConnectionType().Get()) ? S_OK : S_FALSE;
}

HRESULT TeeOutputPin::GetMediaType(int position, MediaType* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  if (!input_->IsConnected()) return VFW_E_NOT_CONNECTED;
  if (position < 0) return E_INVALIDARG;
  if (position > 0) return VFW_S_NO_MORE_ITEMS;
  *mediaType = input_->CurrentMediaType();
  return S_OK;
}

HRESULT TeeOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
  if (allocator == nullptr || request == nullptr) return E_POINTER;
  ALLOCATOR_PROPERTIES wanted = *request;
  ALLOCATOR_PROPERTIES upstream;
  IMemAllocator* inputPool = input_->PeerAllocator();
  if (inputPool != nullptr && SUCCEEDED(inputPool->GetProperties(&upstream))) {
    wanted.cbBuffer = std::max(wanted.cbBuffer, upstream.cbBuffer);
  }
  const auto sampleSize = static_cast<LONG>(ConnectionType()->lSampleSize);
  wanted.cbBuffer = std::max({wanted.cbBuffer, sampleSize, LONG{1}});
  wanted.cBuffers = std::max(wanted.cBuffers, buffers_);
  return SetAllocatorProperties(*allocator, wanted);
}

HRESULT TeeOutputPin::DecideAllocator(IMemInputPin* input, IMemAllocator** allocator) {
  if (!passThrough_) return CBaseOutputPin::DecideAllocator(input, allocator);
  if (input == nullptr || allocator == nullptr) return E_POINTER;
  *allocator = nullptr;
  ALLOCATOR_PROPERTIES request;
  (void)input->GetAllocatorRequirements(&request);  // E_NOTIMPL leaves no requirements
  ComPtr<IMemAllocator> pool;
  HRESULT hr = InitAllocator(pool.ReleaseAndGetAddressOf());
  if (SUCCEEDED(hr)) hr = DecideBufferSize(pool.Get(), &request);
  // Read-only: the peer must not change a sample the other outputs see as well.
  if (SUCCEEDED(hr)) hr = input->NotifyAllocator(pool.Get(), TRUE);
  if (FAILED(hr)) return hr;
  *allocator = pool.Detach();
  return S_OK;
}

// ---- Input -----------------------------------------------------------------------------------

TeeInputPin::TeeInputPin(TeeFilter* tee, std::string name)
    : CBaseInputPin(tee, std::move(name)), tee_(tee) {}

HRESULT TeeInputPin::CheckMediaType(const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  return tee_->OutputsAccept(*mediaType) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TeeInputPin::Receive(IMediaSample* sample) {
  std::lock_guard lock(tee_->ReceiveLock());
  const HRESULT hr = CBaseInputPin::Receive(sample);
  if (hr != S_OK) return hr;
  return tee_->DeliverSample(sample);
}

HRESULT TeeInputPin::EndOfStream() {
  std::lock_guard lock(tee_->ReceiveLock());
  const HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  return tee_->DeliverEndOfStream();
}

HRESULT TeeInputPin::BeginFlush() {
  (void)CBaseInputPin::BeginFlush();  // always succeeds
  return tee_->DeliverBeginFlush();
}

HRESULT TeeInputPin::EndFlush() {
  const HRESULT hr = tee_->DeliverEndFlush();
  (void)CBaseInputPin::EndFlush();  // always succeeds
  return hr;
}

HRESULT TeeInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  (void)CBaseInputPin::NewSegment(start, stop, rate);  // only records the segment
  return tee_->DeliverNewSegment(start, stop, rate);
}

// ---- Filter ----------------------------------------------------------------------------------

TeeFilter::TeeFilter(const CLSID& clsid) : CBaseFilter(clsid) {}

TeeFilter::~TeeFilter() = default;

HRESULT TeeFilter::Stop() {
  const HRESULT hr = CBaseFilter::Stop();
  { std::lock_guard receive(receiveLock_); }  // the Receive in progress, if any, has returned
  return hr;
}

HRESULT TeeFilter::Pause() {
  std::lock_guard lock(FilterLock());
  const bool wasStopped = IsStopped();
  const HRESULT hr = CBaseFilter::Pause();
  if (FAILED(hr)) return hr;
  if (wasStopped && !GetPin(0)->IsConnected()) {
    (void)DeliverEndOfStream();  // nothing will come; the renderers downstream may complete
  }
  return hr;
}
