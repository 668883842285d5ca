#include "FakeMedia.h"

#include <algorithm>

namespace rudozav_test {
namespace {

constexpr CLSID kFakeFilterClass = MakeGuid("5E1F0000-0000-4000-8000-00000000F11E");

ComPtr<FakeGraph>& LastGraph() {
  static ComPtr<FakeGraph> graph;
  return graph;
}

}  // namespace

HRESULT FakeFilter::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = kFakeFilterClass;
  return S_OK;
}

HRESULT FakeFilter::GetState(DWORD, FILTER_STATE* state) {
  if (state == nullptr) return E_POINTER;
  *state = State_Stopped;
  return S_OK;
}

bool FakeGraph::HasFilter(const std::string& name) const {
  return std::any_of(filters.begin(), filters.end(),
                     [&](const auto& entry) { return entry.first == name; });
}

HRESULT FakeGraph::AddFilter(IBaseFilter* filter, LPCOLESTR name) {
  if (filter == nullptr) return E_POINTER;
  if (auto* fake = dynamic_cast<FakeFilter*>(filter); fake != nullptr && fake->refusesGraphs) {
    return E_FAIL;
  }
  filters.emplace_back(name != nullptr ? name : "", ComPtr<IBaseFilter>(filter));
  return S_OK;
}

HRESULT FakeGraph::RemoveFilter(IBaseFilter* filter) {
  const auto count =
      std::erase_if(filters, [filter](const auto& entry) { return entry.second.Get() == filter; });
  return count > 0 ? S_OK : VFW_E_NOT_FOUND;
}

HRESULT FakeGraph::FindFilterByName(LPCOLESTR name, IBaseFilter** filter) {
  if (name == nullptr || filter == nullptr) return E_POINTER;
  *filter = nullptr;
  for (const auto& [filterName, instance] : filters) {
    if (filterName == name) return instance.CopyTo(filter);
  }
  return VFW_E_NOT_FOUND;
}

HRESULT FakeGraph::Run() {
  controlCalls.push_back("Run");
  if (SUCCEEDED(runResult)) state_ = State_Running;
  return runResult;
}

HRESULT FakeGraph::Pause() {
  controlCalls.push_back("Pause");
  state_ = State_Paused;
  return S_OK;
}

HRESULT FakeGraph::Stop() {
  controlCalls.push_back("Stop");
  state_ = State_Stopped;
  return S_OK;
}

HRESULT FakeGraph::GetState(LONG, OAFilterState* state) {
  if (state == nullptr) return E_POINTER;
  *state = state_;
  controlCalls.push_back("GetState");
  if (intermediateStates > 0) {
    --intermediateStates;
    return VFW_S_STATE_INTERMEDIATE;
  }
  return S_OK;
}

HRESULT FakeGraph::GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG) {
  if (code == nullptr || param1 == nullptr || param2 == nullptr) return E_POINTER;
  if (events.empty()) return E_ABORT;
  *code = events.front();
  events.pop_front();
  *param1 = eventParam1;
  *param2 = 0;
  return S_OK;
}

HRESULT FakeGraph::FreeEventParams(LONG, LONG_PTR, LONG_PTR) {
  ++freedEvents;
  return S_OK;
}

HRESULT FakeGraph::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR) {
  notifyWindow = window;
  notifyMessage = message;
  return S_OK;
}

HRESULT FakeGraph::SetNotifyFlags(LONG flags) {
  notifyFlags = flags;
  return S_OK;
}

HRESULT FakeGraph::GetNotifyFlags(LONG* flags) {
  if (flags == nullptr) return E_POINTER;
  *flags = notifyFlags;
  return S_OK;
}

HRESULT FakeGraph::QueryExtraInterface(REFIID riid, void** object) {
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

void SetSampleGrabberAvailable(bool available) {
  if (available) {
    RegisterBuiltInClass(CLSID_SampleGrabber, CreatorOf<FakeFilter>());
  } else {
    UnregisterBuiltInClass(CLSID_SampleGrabber);
  }
}

void InstallFakeFilterGraph() {
  RegisterBuiltInClass(CLSID_FilterGraph, [](IUnknown* outer, REFIID riid, void** object) {
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    auto graph = MakeComObject<FakeGraph>();
    LastGraph() = graph;
    return graph->QueryInterface(riid, object);
  });
}

void UninstallFakeFilterGraph() {
  UnregisterBuiltInClass(CLSID_FilterGraph);
  LastGraph().Reset();
}

ComPtr<FakeGraph> LastCreatedGraph() {
  return LastGraph();
}

}  // namespace rudozav_test
