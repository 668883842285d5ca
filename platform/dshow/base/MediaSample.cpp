#include "dshow/base/MediaSample.h"

#include "dshow/base/MemAllocator.h"

CMediaSample::CMediaSample(CMemAllocator* allocator, BYTE* buffer, LONG size)
    : allocator_(allocator), buffer_(buffer), size_(size), actualLength_(size) {
  // Without an allocator the creator holds the first reference.
  if (allocator_ == nullptr) refs_ = 1;
}

CMediaSample::~CMediaSample() = default;

HRESULT CMediaSample::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IMediaSample) {
    *object = static_cast<IMediaSample*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CMediaSample::AddRef() {
  return refs_.fetch_add(1, std::memory_order_relaxed) + 1;
}

ULONG CMediaSample::Release() {
  const ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) {
    if (allocator_ != nullptr) {
      allocator_->ReleaseBuffer(this);
    } else {
      delete this;
    }
  }
  return left;
}

void CMediaSample::PrepareForUse() {
  refs_.store(1, std::memory_order_relaxed);
  actualLength_ = size_;
  timeValid_ = stopValid_ = mediaTimeValid_ = false;
  syncPoint_ = preroll_ = discontinuity_ = typeChanged_ = false;
  mediaType_.Reset();
}

HRESULT CMediaSample::GetPointer(BYTE** buffer) {
  if (buffer == nullptr) return E_POINTER;
  *buffer = buffer_;
  return S_OK;
}

HRESULT CMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (start == nullptr || stop == nullptr) return E_POINTER;
  if (!timeValid_) return VFW_E_SAMPLE_TIME_NOT_SET;
  *start = start_;
  if (!stopValid_) {
    *stop = start_ + 1;
    return VFW_S_NO_STOP_TIME;
  }
  *stop = stop_;
  return S_OK;
}

HRESULT CMediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  timeValid_ = start != nullptr;
  stopValid_ = timeValid_ && stop != nullptr;
  if (timeValid_) start_ = *start;
  if (stopValid_) stop_ = *stop;
  return S_OK;
}

HRESULT CMediaSample::SetSyncPoint(BOOL syncPoint) {
  syncPoint_ = syncPoint != FALSE;
  return S_OK;
}

HRESULT CMediaSample::SetPreroll(BOOL preroll) {
  preroll_ = preroll != FALSE;
  return S_OK;
}

HRESULT CMediaSample::SetActualDataLength(LONG length) {
  if (length < 0 || length > size_) return VFW_E_BUFFER_OVERFLOW;
  actualLength_ = length;
  return S_OK;
}

HRESULT CMediaSample::GetMediaType(AM_MEDIA_TYPE** mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  *mediaType = nullptr;
  if (!typeChanged_) return S_FALSE;
  *mediaType = mediaType_.CreateCopy();
  return *mediaType != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT CMediaSample::SetMediaType(AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) {
    typeChanged_ = false;
    mediaType_.Reset();
    return S_OK;
  }
  mediaType_ = MediaType(*mediaType);
  typeChanged_ = true;
  return S_OK;
}

HRESULT CMediaSample::SetDiscontinuity(BOOL discontinuity) {
  discontinuity_ = discontinuity != FALSE;
  return S_OK;
}

HRESULT CMediaSample::GetMediaTime(LONGLONG* start, LONGLONG* stop) {
  if (start == nullptr || stop == nullptr) return E_POINTER;
  if (!mediaTimeValid_) return VFW_E_MEDIA_TIME_NOT_SET;
  *start = mediaStart_;
  *stop = mediaStop_;
  return S_OK;
}

HRESULT CMediaSample::SetMediaTime(LONGLONG* start, LONGLONG* stop) {
  if (start == nullptr) {
    mediaTimeValid_ = false;
    return S_OK;
  }
  if (stop == nullptr) return E_POINTER;
  mediaStart_ = *start;
  mediaStop_ = *stop;
  mediaTimeValid_ = true;
  return S_OK;
}
