#include "dshow/graph/FilterGraph.h"

#include <cstdio>
#include <functional>
#include <set>

#include "com/Diagnostics.h"
#include "dshow/Uuids.h"
#include "dshow/graph/FilterEnumerator.h"
#include "dshow/graph/PinQueries.h"

namespace dshow {

FilterGraph::FilterGraph() : timeFormat_(TIME_FORMAT_MEDIA_TIME) {}

FilterGraph::~FilterGraph() {
  (void)Stop();  // nothing can be done about a filter that fails to stop
  // Connected pins hold their peers: disconnecting breaks those cycles so the filters can go.
  for (const auto& member : filters_)
    DisconnectAll(member.filter.Get());
  for (const auto& member : filters_) {
    // A filter that is the graph's clock holds itself through it: let go of that first.
    (void)member.filter->SetSyncSource(nullptr);
    (void)member.filter->JoinFilterGraph(nullptr, nullptr);  // leaving cannot fail usefully
  }
}

HRESULT FilterGraph::QueryExtraInterface(REFIID riid, void** object) {
  if (riid == IID_IFilterGraph) {
    *object = static_cast<IFilterGraph*>(static_cast<IGraphBuilder*>(this));
  } else if (riid == IID_IMediaEvent) {
    *object = static_cast<IMediaEvent*>(static_cast<IMediaEventEx*>(this));
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

// ---- Membership ------------------------------------------------------------------------------

bool FilterGraph::Contains(IBaseFilter* filter) const {
  for (const auto& member : filters_) {
    if (IsSameObject(member.filter.Get(), filter)) return true;
  }
  return false;
}

bool FilterGraph::NameTaken(const std::string& name) const {
  for (const auto& member : filters_) {
    if (member.name == name) return true;
  }
  return false;
}

std::string FilterGraph::UniqueName(const std::string& wanted) {
  if (!NameTaken(wanted)) return wanted;
  for (int n = 1;; ++n) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, " %04d", n);
    std::string candidate = wanted + suffix;
    if (!NameTaken(candidate)) return candidate;
  }
}

HRESULT FilterGraph::AddFilter(IBaseFilter* filter, LPCOLESTR name) {
  if (filter == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  if (Contains(filter)) return VFW_E_DUPLICATE_NAME;
  std::string wanted = name != nullptr ? name : "";
  if (wanted.empty()) {
    char generated[32];
    std::snprintf(generated, sizeof generated, "Filter %04d", ++generatedNames_);
    wanted = generated;
  }
  const std::string unique = UniqueName(wanted);
  HRESULT hr = filter->JoinFilterGraph(static_cast<IFilterGraph*>(this), unique.c_str());
  if (FAILED(hr)) return hr;
  filters_.push_back({filter, unique});
  if (clock_) (void)filter->SetSyncSource(clock_.Get());  // a filter without a clock still runs
  diag::Debug("dshow", "added filter \"", unique, "\"");
  return unique == wanted || name == nullptr || *name == '\0' ? S_OK : VFW_S_DUPLICATE_NAME;
}

void FilterGraph::DisconnectAll(IBaseFilter* filter) {
  for (auto& pin : PinsOf(filter)) {
    const ComPtr<IPin> peer = PeerOf(pin.Get());
    if (!peer) continue;
    (void)peer->Disconnect();  // both filters are stopped; nothing else can fail here
    (void)pin->Disconnect();
  }
}

HRESULT FilterGraph::RemoveFilter(IBaseFilter* filter) {
  if (filter == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  for (auto it = filters_.begin(); it != filters_.end(); ++it) {
    if (!IsSameObject(it->filter.Get(), filter)) continue;
    if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
    const ComPtr<IBaseFilter> leaving = it->filter;
    DisconnectAll(leaving.Get());
    filters_.erase(it);
    (void)leaving->SetSyncSource(nullptr);
    (void)leaving->JoinFilterGraph(nullptr, nullptr);  // leaving cannot fail usefully
    return S_OK;
  }
  return VFW_E_NOT_FOUND;
}

HRESULT FilterGraph::EnumFilters(IEnumFilters** enumerator) {
  if (enumerator == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  std::vector<ComPtr<IBaseFilter>> filters;
  for (const auto& member : filters_)
    filters.push_back(member.filter);
  *enumerator = MakeComObject<FilterEnumerator>(std::move(filters)).Detach();
  return S_OK;
}

HRESULT FilterGraph::FindFilterByName(LPCOLESTR name, IBaseFilter** filter) {
  if (name == nullptr || filter == nullptr) return E_POINTER;
  *filter = nullptr;
  std::lock_guard lock(lock_);
  for (const auto& member : filters_) {
    if (member.name == name) return member.filter.CopyTo(filter);
  }
  return VFW_E_NOT_FOUND;
}

std::vector<ComPtr<IBaseFilter>> FilterGraph::DownstreamFirst() const {
  std::vector<ComPtr<IBaseFilter>> order;
  std::set<IBaseFilter*> visited;
  std::function<void(const ComPtr<IBaseFilter>&)> visit = [&](const ComPtr<IBaseFilter>& f) {
    if (!visited.insert(f.Get()).second) return;
    for (const auto& next : NeighboursOf(f.Get(), PINDIR_OUTPUT)) {
      // Neighbours answer with the same IBaseFilter pointer the graph holds.
      for (const auto& member : filters_) {
        if (IsSameObject(member.filter.Get(), next.Get())) visit(member.filter);
      }
    }
    order.push_back(f);
  };
  for (const auto& member : filters_)
    visit(member.filter);
  return order;
}

// ---- Direct connections ----------------------------------------------------------------------

HRESULT FilterGraph::ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* mediaType) {
  if (output == nullptr || input == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  if (DirectionOf(output) != PINDIR_OUTPUT || DirectionOf(input) != PINDIR_INPUT) {
    return VFW_E_INVALID_DIRECTION;
  }
  return output->Connect(input, mediaType);
}

HRESULT FilterGraph::Disconnect(IPin* pin) {
  if (pin == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  return pin->Disconnect();
}

HRESULT FilterGraph::Reconnect(IPin* pin) {
  if (pin == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  const ComPtr<IPin> peer = PeerOf(pin);
  if (!peer) return VFW_E_NOT_CONNECTED;
  ComPtr<IPin> output = pin;
  ComPtr<IPin> input = peer;
  if (DirectionOf(pin) == PINDIR_INPUT) std::swap(output, input);
  MediaType type;
  (void)output->ConnectionMediaType(type.ResetAndGet());  // connected: it has a type
  HRESULT hr = output->Disconnect();
  if (SUCCEEDED(hr)) hr = input->Disconnect();
  if (FAILED(hr)) return hr;
  // The same type when both still take it, else whatever they agree on now.
  hr = output->Connect(input.Get(), type.Ptr());
  if (FAILED(hr)) hr = output->Connect(input.Get(), nullptr);
  return hr;
}

HRESULT FilterGraph::SetLogFile(DWORD_PTR file) {
  std::lock_guard lock(lock_);
  logFile_ = file;  // building is logged through the platform diagnostics instead
  return S_OK;
}

HRESULT FilterGraph::Abort() {
  aborted_.store(true, std::memory_order_release);
  return S_OK;
}

HRESULT FilterGraph::ShouldOperationContinue() {
  return aborted_.load(std::memory_order_acquire) ? S_FALSE : S_OK;
}

// ---- Events ----------------------------------------------------------------------------------

HRESULT FilterGraph::Notify(LONG eventCode, LONG_PTR param1, LONG_PTR param2) {
  events_.Notify(eventCode, param1, param2);
  return S_OK;
}

HRESULT FilterGraph::GetEventHandle(OAEVENT* event) {
  if (event == nullptr) return E_POINTER;
  *event = 0;
  return E_NOTIMPL;
}

HRESULT FilterGraph::GetEvent(LONG* eventCode, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) {
  return events_.GetEvent(eventCode, param1, param2, msTimeout);
}

HRESULT FilterGraph::WaitForCompletion(LONG msTimeout, LONG* eventCode) {
  if (eventCode == nullptr) return E_POINTER;
  {
    std::lock_guard lock(lock_);
    if (state_ != State_Running) {
      *eventCode = 0;
      return VFW_E_WRONG_STATE;
    }
  }
  return events_.WaitForCompletion(msTimeout, eventCode);
}

HRESULT FilterGraph::CancelDefaultHandling(LONG eventCode) {
  events_.CancelDefaultHandling(eventCode);
  return S_OK;
}

HRESULT FilterGraph::RestoreDefaultHandling(LONG eventCode) {
  events_.RestoreDefaultHandling(eventCode);
  return S_OK;
}

HRESULT FilterGraph::FreeEventParams(LONG /*eventCode*/, LONG_PTR /*param1*/, LONG_PTR /*param2*/) {
  return S_OK;  // the parameters of our events are plain numbers and filter pointers
}

HRESULT FilterGraph::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) {
  events_.SetNotifyWindow(window, message, instanceData);
  return S_OK;
}

HRESULT FilterGraph::SetNotifyFlags(LONG flags) {
  if (flags != 0 && flags != AM_MEDIAEVENT_NONOTIFY) return E_INVALIDARG;
  events_.SetNotifyFlags(flags);
  return S_OK;
}

HRESULT FilterGraph::GetNotifyFlags(LONG* flags) {
  if (flags == nullptr) return E_POINTER;
  *flags = events_.NotifyFlags();
  return S_OK;
}

}  // namespace dshow
