#include "dshow/base/BaseFilter.h"

#include <vector>

#include "com/Com.h"
#include "dshow/GraphInterfaces.h"
#include "dshow/base/BasePin.h"
#include "dshow/base/EnumPins.h"

CBaseFilter::CBaseFilter(const CLSID& clsid) : clsid_(clsid) {}

CBaseFilter::~CBaseFilter() = default;

HRESULT CBaseFilter::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (riid == IID_IUnknown || riid == IID_IBaseFilter || riid == IID_IMediaFilter ||
      riid == IID_IPersist) {
    *object = static_cast<IBaseFilter*>(this);
    AddRef();
    return S_OK;
  }
  const HRESULT hr = QueryFilterInterface(riid, object);
  if (FAILED(hr) || *object == nullptr) {
    *object = nullptr;
    return FAILED(hr) ? hr : E_NOINTERFACE;
  }
  return S_OK;
}

ULONG CBaseFilter::AddRef() {
  return refs_.fetch_add(1, std::memory_order_relaxed) + 1;
}

ULONG CBaseFilter::Release() {
  const ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

HRESULT CBaseFilter::QueryFilterInterface(REFIID /*riid*/, void** /*object*/) {
  return E_NOINTERFACE;
}

HRESULT CBaseFilter::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = clsid_;
  return S_OK;
}

HRESULT CBaseFilter::ActivatePins() {
  HRESULT result = S_OK;
  for (int i = 0; i < GetPinCount(); ++i) {
    CBasePin* pin = GetPin(i);
    if (pin == nullptr || !pin->IsConnected()) continue;
    const HRESULT hr = pin->Active();
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  return result;
}

HRESULT CBaseFilter::DeactivatePins() {
  HRESULT result = S_OK;
  for (int i = 0; i < GetPinCount(); ++i) {
    CBasePin* pin = GetPin(i);
    if (pin == nullptr || !pin->IsConnected()) continue;
    const HRESULT hr = pin->Inactive();
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  return result;
}

HRESULT CBaseFilter::Stop() {
  std::lock_guard lock(filterLock_);
  if (IsStopped()) return S_OK;
  // Stopped first, so that samples still arriving are refused while the pins wind down.
  SetState(State_Stopped);
  return DeactivatePins();
}

HRESULT CBaseFilter::Pause() {
  std::lock_guard lock(filterLock_);
  if (IsStopped()) {
    const HRESULT hr = ActivatePins();
    if (FAILED(hr)) {
      (void)DeactivatePins();  // the activation failure is the result that matters
      return hr;
    }
  }
  SetState(State_Paused);
  return S_OK;
}

HRESULT CBaseFilter::Run(REFERENCE_TIME start) {
  std::lock_guard lock(filterLock_);
  start_.store(start, std::memory_order_release);
  if (IsStopped()) {
    const HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
  }
  HRESULT result = S_OK;
  for (int i = 0; i < GetPinCount(); ++i) {
    CBasePin* pin = GetPin(i);
    if (pin == nullptr || !pin->IsConnected()) continue;
    const HRESULT hr = pin->Run(start);
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  if (FAILED(result)) return result;
  SetState(State_Running);
  return S_OK;
}

HRESULT CBaseFilter::GetState(DWORD /*msTimeout*/, FILTER_STATE* state) {
  if (state == nullptr) return E_POINTER;
  *state = State();
  return S_OK;
}

HRESULT CBaseFilter::SetSyncSource(IReferenceClock* clock) {
  std::lock_guard lock(clockLock_);
  clock_ = clock;
  return S_OK;
}

HRESULT CBaseFilter::GetSyncSource(IReferenceClock** clock) {
  if (clock == nullptr) return E_POINTER;
  std::lock_guard lock(clockLock_);
  return clock_.CopyTo(clock);
}

ComPtr<IReferenceClock> CBaseFilter::Clock() {
  std::lock_guard lock(clockLock_);
  return clock_;
}

HRESULT CBaseFilter::StreamTime(REFERENCE_TIME* streamTime) {
  if (streamTime == nullptr) return E_POINTER;
  const ComPtr<IReferenceClock> clock = Clock();
  if (!clock) return VFW_E_NO_CLOCK;
  REFERENCE_TIME now = 0;
  const HRESULT hr = clock->GetTime(&now);
  if (FAILED(hr)) return hr;
  *streamTime = now - StartTime();
  return S_OK;
}

HRESULT CBaseFilter::EnumPins(IEnumPins** enumerator) {
  if (enumerator == nullptr) return E_POINTER;
  std::lock_guard lock(filterLock_);
  std::vector<ComPtr<IPin>> pins;
  for (int i = 0; i < GetPinCount(); ++i) {
    if (CBasePin* pin = GetPin(i)) pins.emplace_back(pin);
  }
  *enumerator = MakeComObject<CEnumPins>(std::move(pins)).Detach();
  return S_OK;
}

HRESULT CBaseFilter::FindPin(LPCOLESTR id, IPin** pin) {
  if (id == nullptr || pin == nullptr) return E_POINTER;
  *pin = nullptr;
  std::lock_guard lock(filterLock_);
  for (int i = 0; i < GetPinCount(); ++i) {
    CBasePin* candidate = GetPin(i);
    if (candidate != nullptr && candidate->Name() == id) {
      *pin = candidate;
      candidate->AddRef();
      return S_OK;
    }
  }
  return VFW_E_NOT_FOUND;
}

HRESULT CBaseFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (info == nullptr) return E_POINTER;
  std::lock_guard lock(filterLock_);
  info->achName = name_;
  info->pGraph = graph_;
  return S_OK;
}

HRESULT CBaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) {
  std::lock_guard lock(filterLock_);
  graph_ = graph;
  name_ = name != nullptr ? name : "";
  IMediaEventSink* sink = nullptr;
  if (graph != nullptr &&
      SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)))) {
    // Kept without a reference: the graph owns the filter, not the other way round.
    sink->Release();
  }
  eventSink_.store(sink, std::memory_order_release);
  return S_OK;
}

HRESULT CBaseFilter::QueryVendorInfo(LPOLESTR* vendorInfo) {
  if (vendorInfo == nullptr) return E_POINTER;
  *vendorInfo = nullptr;
  return E_NOTIMPL;
}

HRESULT CBaseFilter::NotifyEvent(LONG eventCode, LONG_PTR param1, LONG_PTR param2) {
  IMediaEventSink* sink = eventSink_.load(std::memory_order_acquire);
  if (sink == nullptr) return E_NOTIMPL;
  if (eventCode == EC_COMPLETE) {
    param2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
  }
  return sink->Notify(eventCode, param1, param2);
}
