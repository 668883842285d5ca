#include "dshow/base/MemAllocator.h"

#include <cstdint>

CMemAllocator::CMemAllocator() = default;

// Every sample holds a reference while it is out, so none is outstanding here.
CMemAllocator::~CMemAllocator() = default;

HRESULT CMemAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) {
  if (request == nullptr || actual == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  if (committed_) return VFW_E_ALREADY_COMMITTED;
  if (outstanding_ > 0) return VFW_E_BUFFERS_OUTSTANDING;
  ALLOCATOR_PROPERTIES granted = *request;
  if (granted.cbAlign == 0) granted.cbAlign = 1;
  if (granted.cbAlign < 0 || (granted.cbAlign & (granted.cbAlign - 1)) != 0) {
    return VFW_E_BADALIGN;
  }
  if (granted.cBuffers < 0 || granted.cbBuffer < 0 || granted.cbPrefix < 0) return E_INVALIDARG;
  // Buffers of the old size may still exist from a decommit; they go before new ones are made.
  FreeBuffersLocked();
  properties_ = granted;
  propertiesSet_ = true;
  *actual = granted;
  return S_OK;
}

HRESULT CMemAllocator::GetProperties(ALLOCATOR_PROPERTIES* properties) {
  if (properties == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  *properties = properties_;
  return S_OK;
}

HRESULT CMemAllocator::Commit() {
  std::lock_guard lock(lock_);
  if (committed_) return S_OK;
  if (!propertiesSet_ || properties_.cBuffers <= 0 || properties_.cbBuffer <= 0) {
    return VFW_E_SIZENOTSET;
  }
  // After a decommit with samples still out the old buffers are kept and used again.
  if (buffers_.empty()) {
    const auto align = static_cast<std::uintptr_t>(properties_.cbAlign);
    const std::size_t bytes = static_cast<std::size_t>(properties_.cbPrefix) +
                              static_cast<std::size_t>(properties_.cbBuffer) + align;
    for (LONG i = 0; i < properties_.cBuffers; ++i) {
      Buffer buffer;
      buffer.storage.reset(new (std::nothrow) BYTE[bytes]);
      if (!buffer.storage) {
        FreeBuffersLocked();
        return E_OUTOFMEMORY;
      }
      auto address = reinterpret_cast<std::uintptr_t>(buffer.storage.get()) +
                     static_cast<std::uintptr_t>(properties_.cbPrefix);
      address = (address + align - 1) & ~(align - 1);
      buffer.sample = std::make_unique<CMediaSample>(this, reinterpret_cast<BYTE*>(address),
                                                     properties_.cbBuffer);
      free_.push_back(buffer.sample.get());
      buffers_.push_back(std::move(buffer));
    }
  }
  committed_ = true;
  return S_OK;
}

HRESULT CMemAllocator::Decommit() {
  std::lock_guard lock(lock_);
  if (!committed_) return S_OK;
  committed_ = false;
  if (outstanding_ == 0) FreeBuffersLocked();
  sampleFree_.notify_all();
  return S_OK;
}

HRESULT CMemAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME* /*start*/,
                                 REFERENCE_TIME* /*stop*/, DWORD flags) {
  if (sample == nullptr) return E_POINTER;
  *sample = nullptr;
  std::unique_lock lock(lock_);
  if ((flags & AM_GBF_NOWAIT) != 0) {
    if (!committed_) return VFW_E_NOT_COMMITTED;
    if (free_.empty()) return VFW_E_TIMEOUT;
  } else {
    sampleFree_.wait(lock, [this] { return !committed_ || !free_.empty(); });
    if (!committed_) return VFW_E_NOT_COMMITTED;
  }
  CMediaSample* handedOut = free_.back();
  free_.pop_back();
  ++outstanding_;
  handedOut->PrepareForUse();
  // The sample keeps its allocator alive until it comes back.
  AddRef();
  *sample = handedOut;
  return S_OK;
}

HRESULT CMemAllocator::ReleaseBuffer(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  {
    std::lock_guard lock(lock_);
    free_.push_back(static_cast<CMediaSample*>(sample));
    --outstanding_;
    if (!committed_ && outstanding_ == 0) FreeBuffersLocked();
    sampleFree_.notify_one();
  }
  // May destroy the allocator: nothing of it is touched after this.
  Release();
  return S_OK;
}

int CMemAllocator::OutstandingSamples() {
  std::lock_guard lock(lock_);
  return outstanding_;
}

void CMemAllocator::FreeBuffersLocked() {
  free_.clear();
  buffers_.clear();
}

HRESULT SetAllocatorProperties(IMemAllocator& allocator, const ALLOCATOR_PROPERTIES& wanted) {
  ALLOCATOR_PROPERTIES request = wanted;
  ALLOCATOR_PROPERTIES actual;
  const HRESULT hr = allocator.SetProperties(&request, &actual);
  if (FAILED(hr)) return hr;
  return actual.cbBuffer >= wanted.cbBuffer ? S_OK : E_FAIL;
}
