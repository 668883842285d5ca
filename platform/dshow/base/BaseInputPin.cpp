#include "dshow/base/BaseInputPin.h"

#include "dshow/GraphInterfaces.h"
#include "dshow/base/MemAllocator.h"

CBaseInputPin::CBaseInputPin(CBaseFilter* filter, std::string name)
    : CBasePin(filter, std::move(name), PINDIR_INPUT) {}

HRESULT CBaseInputPin::QueryPinInterface(REFIID riid, void** object) {
  if (riid == IID_IMemInputPin) {
    *object = static_cast<IMemInputPin*>(this);
    AddRef();
    return S_OK;
  }
  return CBasePin::QueryPinInterface(riid, object);
}

HRESULT CBaseInputPin::GetAllocator(IMemAllocator** allocator) {
  if (allocator == nullptr) return E_POINTER;
  std::lock_guard lock(Filter()->FilterLock());
  if (!allocator_) allocator_ = MakeComObject<CMemAllocator>();
  return allocator_.CopyTo(allocator);
}

HRESULT CBaseInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
  if (allocator == nullptr) return E_POINTER;
  std::lock_guard lock(Filter()->FilterLock());
  allocator_ = allocator;
  readOnly_ = readOnly != FALSE;
  return S_OK;
}

HRESULT CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* /*properties*/) {
  return E_NOTIMPL;
}

HRESULT CBaseInputPin::BreakConnect() {
  if (allocator_) (void)allocator_->Decommit();  // the peer's pool is of no use to us any more
  allocator_.Reset();
  readOnly_ = false;
  return S_OK;
}

HRESULT CBaseInputPin::Inactive() {
  runtimeError_.store(false, std::memory_order_release);
  flushing_.store(false, std::memory_order_release);
  if (!allocator_) return S_OK;
  return allocator_->Decommit();
}

HRESULT CBaseInputPin::CheckStreaming() {
  if (!IsConnected()) return VFW_E_NOT_CONNECTED;
  if (IsFlushing()) return S_FALSE;
  if (Filter()->IsStopped()) return VFW_E_WRONG_STATE;
  if (runtimeError_.load(std::memory_order_acquire)) return VFW_E_RUNTIME_ERROR;
  return S_OK;
}

HRESULT CBaseInputPin::Receive(IMediaSample* sample) {
  if (sample == nullptr) return E_POINTER;
  const HRESULT hr = CheckStreaming();
  if (hr != S_OK) return hr;
  AM_MEDIA_TYPE* changed = nullptr;
  if (sample->GetMediaType(&changed) == S_OK && changed != nullptr) {
    const MediaType type = MediaType::Adopt(changed);
    if (CheckMediaType(type.Ptr()) != S_OK) {
      // A type the pin cannot take ends the stream with an error.
      SetRuntimeError();
      (void)Filter()->NotifyEvent(EC_ERRORABORT, VFW_E_TYPE_NOT_ACCEPTED, 0);
      return VFW_E_INVALIDMEDIATYPE;
    }
    ChangeMediaType(type.Get());
  }
  return S_OK;
}

HRESULT CBaseInputPin::ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) {
  if (samples == nullptr || processed == nullptr) return E_POINTER;
  *processed = 0;
  HRESULT hr = S_OK;
  while (*processed < count) {
    hr = Receive(samples[*processed]);
    if (hr != S_OK) break;
    ++*processed;
  }
  return hr;
}

HRESULT CBaseInputPin::BeginFlush() {
  flushing_.store(true, std::memory_order_release);
  return S_OK;
}

HRESULT CBaseInputPin::EndFlush() {
  flushing_.store(false, std::memory_order_release);
  runtimeError_.store(false, std::memory_order_release);
  return S_OK;
}
