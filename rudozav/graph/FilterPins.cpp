#include "rudozav/graph/FilterPins.h"

#include <vector>

#include "dshow/DShow.h"

namespace {

// Every pin of filter with its direction, in enumeration order.
std::vector<std::pair<ComPtr<IPin>, PIN_DIRECTION>> PinsOf(IBaseFilter* filter) {
  std::vector<std::pair<ComPtr<IPin>, PIN_DIRECTION>> pins;
  ComPtr<IEnumPins> pinEnum;
  if (filter == nullptr || FAILED(filter->EnumPins(pinEnum.ReleaseAndGetAddressOf())) || !pinEnum) {
    return pins;
  }
  ComPtr<IPin> pin;
  while (pinEnum->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK && pin) {
    PIN_INFO info;
    if (SUCCEEDED(pin->QueryPinInfo(&info))) pins.emplace_back(pin, info.dir);
  }
  return pins;
}

bool ConnectedWithMajorType(IPin* pin, const GUID& majorType) {
  AM_MEDIA_TYPE mediaType{};
  if (FAILED(pin->ConnectionMediaType(&mediaType))) return false;
  const bool matches = mediaType.majortype == majorType;
  FreeMediaType(mediaType);
  return matches;
}

}  // namespace

TPinCount CountPins(IBaseFilter* filter) {
  TPinCount count;
  for (const auto& [pin, direction] : PinsOf(filter)) {
    ++(direction == PINDIR_INPUT ? count.Inputs : count.Outputs);
  }
  return count;
}

ComPtr<IPin> GetPinByDirection(IBaseFilter* filter, PIN_DIRECTION direction, int index) {
  for (const auto& [pin, pinDirection] : PinsOf(filter)) {
    if (pinDirection == direction && index-- == 0) return pin;
  }
  return {};
}

ComPtr<IBaseFilter> FindRendererByMediaType(IFilterGraph* graph, const GUID& majorType) {
  ComPtr<IEnumFilters> filters;
  if (graph == nullptr || FAILED(graph->EnumFilters(filters.ReleaseAndGetAddressOf())) ||
      !filters) {
    return {};
  }
  (void)filters->Reset();  // a fresh enumerator is at the start already
  ComPtr<IBaseFilter> filter;
  while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK && filter) {
    const TPinCount count = CountPins(filter.Get());
    if (count.Inputs != 1 || count.Outputs != 0) continue;
    const ComPtr<IPin> input = GetPinByDirection(filter.Get(), PINDIR_INPUT, 0);
    if (input && ConnectedWithMajorType(input.Get(), majorType)) return filter;
  }
  return {};
}
