// Building: intelligent connection through registered converters, rendering to registered
// renderers, and file playback through the file source factory.

#include "com/Diagnostics.h"
#include "dshow/graph/FilterGraph.h"
#include "dshow/graph/PinQueries.h"

namespace dshow {
namespace {

// Converters chained between two pins at most (a decoder and a colour converter, say).
constexpr int kMaxConverters = 3;

// Whether the registered class takes one of the output's types and gives one of the input's;
// a pin without types leaves its side open.
bool Accepts(const FilterRegistration& registration, const std::vector<MediaType>& from,
             const std::vector<MediaType>* to) {
  if (!registration.accepts) return true;
  std::vector<const AM_MEDIA_TYPE*> sources;
  for (const auto& type : from)
    sources.push_back(type.Ptr());
  if (sources.empty()) sources.push_back(nullptr);
  std::vector<const AM_MEDIA_TYPE*> targets;
  if (to != nullptr) {
    for (const auto& type : *to)
      targets.push_back(type.Ptr());
  }
  if (targets.empty()) targets.push_back(nullptr);
  for (const AM_MEDIA_TYPE* source : sources) {
    for (const AM_MEDIA_TYPE* target : targets) {
      if (registration.accepts(source, target)) return true;
    }
  }
  return false;
}

}  // namespace

HRESULT FilterGraph::AddRegistered(const FilterRegistration& registration,
                                   ComPtr<IBaseFilter>* filter) {
  HRESULT hr = CoCreateInstance(registration.clsid, filter);
  if (FAILED(hr)) {
    diag::Debug("dshow", "cannot create \"", registration.name, "\": ", HResultText(hr));
    return hr;
  }
  hr = AddFilter(filter->Get(), registration.name.c_str());
  if (FAILED(hr)) filter->Reset();
  return hr;
}

HRESULT FilterGraph::Connect(IPin* output, IPin* input) {
  if (output == nullptr || input == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  if (DirectionOf(output) != PINDIR_OUTPUT || DirectionOf(input) != PINDIR_INPUT) {
    return VFW_E_INVALID_DIRECTION;
  }
  if (PeerOf(output) || PeerOf(input)) return VFW_E_ALREADY_CONNECTED;
  aborted_.store(false, std::memory_order_release);
  return ConnectThrough(output, input, 0);
}

HRESULT FilterGraph::ConnectThrough(IPin* output, IPin* input, int depth) {
  const HRESULT direct = output->Connect(input, nullptr);
  if (SUCCEEDED(direct)) return S_OK;
  if (direct == VFW_E_NOT_STOPPED || direct == VFW_E_ALREADY_CONNECTED) return direct;
  if (depth >= kMaxConverters) return VFW_E_CANNOT_CONNECT;
  const std::vector<MediaType> from = TypesOf(output);
  const std::vector<MediaType> to = TypesOf(input);
  for (const auto& converter : FilterRegistry::Candidates(FilterRole::kConverter)) {
    if (ShouldOperationContinue() != S_OK) return E_ABORT;
    if (!Accepts(converter, from, &to)) continue;
    if (SUCCEEDED(TryConverter(converter, output, input, depth))) return S_OK;
  }
  return VFW_E_CANNOT_CONNECT;
}

HRESULT FilterGraph::TryConverter(const FilterRegistration& converter, IPin* output, IPin* input,
                                  int depth) {
  ComPtr<IBaseFilter> filter;
  HRESULT hr = AddRegistered(converter, &filter);
  if (FAILED(hr)) return hr;
  const ComPtr<IPin> converterInput = FirstFreePin(filter.Get(), PINDIR_INPUT);
  hr = converterInput ? output->Connect(converterInput.Get(), nullptr) : VFW_E_NOT_FOUND;
  if (SUCCEEDED(hr)) {
    hr = VFW_E_CANNOT_CONNECT;
    for (const auto& converterOutput : PinsOf(filter.Get(), PINDIR_OUTPUT)) {
      if (PeerOf(converterOutput.Get())) continue;
      hr = ConnectThrough(converterOutput.Get(), input, depth + 1);
      if (SUCCEEDED(hr)) break;
    }
  }
  if (FAILED(hr)) {
    (void)RemoveFilter(filter.Get());  // disconnects it again; the graph is stopped
    return hr;
  }
  diag::Debug("dshow", "connected through \"", FilterName(filter.Get()), "\"");
  return S_OK;
}

HRESULT FilterGraph::Render(IPin* output) {
  if (output == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  if (DirectionOf(output) != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
  if (PeerOf(output)) return VFW_E_ALREADY_CONNECTED;
  aborted_.store(false, std::memory_order_release);
  return RenderPin(output, 0);
}

HRESULT FilterGraph::RenderPin(IPin* output, int depth) {
  // A renderer already in the graph with a free input comes first.
  for (const auto& member : std::vector<Member>(filters_)) {
    if (!IsRenderer(member.filter.Get())) continue;
    const ComPtr<IPin> input = FirstFreePin(member.filter.Get(), PINDIR_INPUT);
    if (input && SUCCEEDED(ConnectThrough(output, input.Get(), depth))) return S_OK;
  }
  const std::vector<MediaType> types = TypesOf(output);
  for (const auto& renderer : FilterRegistry::Candidates(FilterRole::kRenderer)) {
    if (ShouldOperationContinue() != S_OK) return E_ABORT;
    if (!Accepts(renderer, types, nullptr)) continue;
    ComPtr<IBaseFilter> filter;
    if (FAILED(AddRegistered(renderer, &filter))) continue;
    const ComPtr<IPin> input = FirstFreePin(filter.Get(), PINDIR_INPUT);
    if (input && SUCCEEDED(ConnectThrough(output, input.Get(), depth))) return S_OK;
    (void)RemoveFilter(filter.Get());  // unused: it goes again
  }
  if (depth >= kMaxConverters) return VFW_E_CANNOT_RENDER;
  // Filters with several outputs (splitters) are rendered output by output.
  for (const auto& converter : FilterRegistry::Candidates(FilterRole::kConverter)) {
    if (ShouldOperationContinue() != S_OK) return E_ABORT;
    if (!Accepts(converter, types, nullptr)) continue;
    const HRESULT hr = RenderThroughConverter(converter, output, depth);
    if (SUCCEEDED(hr)) return hr;
  }
  return VFW_E_CANNOT_RENDER;
}

HRESULT FilterGraph::RenderThroughConverter(const FilterRegistration& converter, IPin* output,
                                            int depth) {
  ComPtr<IBaseFilter> filter;
  HRESULT hr = AddRegistered(converter, &filter);
  if (FAILED(hr)) return hr;
  const ComPtr<IPin> input = FirstFreePin(filter.Get(), PINDIR_INPUT);
  hr = input ? output->Connect(input.Get(), nullptr) : VFW_E_NOT_FOUND;
  int rendered = 0;
  int failed = 0;
  if (SUCCEEDED(hr)) {
    for (const auto& next : PinsOf(filter.Get(), PINDIR_OUTPUT)) {
      if (PeerOf(next.Get())) continue;
      const HRESULT result = RenderPin(next.Get(), depth + 1);
      if (SUCCEEDED(result)) ++rendered;
      if (result != S_OK) ++failed;  // a partial render counts as both
    }
  }
  if (rendered == 0) {
    (void)RemoveFilter(filter.Get());  // disconnects it again; the graph is stopped
    return FAILED(hr) ? hr : VFW_E_CANNOT_RENDER;
  }
  return failed == 0 ? S_OK : VFW_S_PARTIAL_RENDER;
}

HRESULT FilterGraph::AddSourceFilter(LPCOLESTR file, LPCOLESTR filterName, IBaseFilter** filter) {
  if (file == nullptr || filter == nullptr) return E_POINTER;
  *filter = nullptr;
  const FileSourceFactory factory = FilterRegistry::FileSource();
  if (!factory) return E_NOTIMPL;  // no file playback in this process yet
  ComPtr<IBaseFilter> source;
  HRESULT hr = factory(file, source.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  if (!source) return VFW_E_CANNOT_LOAD_SOURCE_FILTER;
  std::lock_guard lock(lock_);
  hr = AddFilter(source.Get(), filterName != nullptr ? filterName : file);
  if (FAILED(hr)) return hr;
  *filter = source.Detach();
  return S_OK;
}

HRESULT FilterGraph::RenderFile(LPCOLESTR file, LPCOLESTR /*playList*/) {
  if (file == nullptr) return E_POINTER;
  std::lock_guard lock(lock_);
  aborted_.store(false, std::memory_order_release);
  ComPtr<IBaseFilter> source;
  HRESULT hr = AddSourceFilter(file, nullptr, source.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  int rendered = 0;
  int failed = 0;
  for (const auto& output : PinsOf(source.Get(), PINDIR_OUTPUT)) {
    const HRESULT result = RenderPin(output.Get(), 0);
    if (SUCCEEDED(result)) ++rendered;
    if (result != S_OK) ++failed;  // a partial render counts as both
  }
  if (rendered == 0) {
    (void)RemoveFilter(source.Get());  // nothing of the file can be played
    return VFW_E_CANNOT_RENDER;
  }
  return failed == 0 ? S_OK : VFW_S_PARTIAL_RENDER;
}

}  // namespace dshow
