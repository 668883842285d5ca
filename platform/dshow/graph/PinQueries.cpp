#include "dshow/graph/PinQueries.h"

namespace dshow {

std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter) {
  std::vector<ComPtr<IPin>> pins;
  ComPtr<IEnumPins> enumerator;
  if (filter == nullptr || FAILED(filter->EnumPins(enumerator.ReleaseAndGetAddressOf()))) {
    return pins;
  }
  IPin* pin = nullptr;
  ULONG fetched = 0;
  while (enumerator->Next(1, &pin, &fetched) == S_OK && fetched == 1) {
    pins.push_back(ComPtr<IPin>::Adopt(pin));
  }
  return pins;
}

std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter, PIN_DIRECTION direction) {
  std::vector<ComPtr<IPin>> pins;
  for (auto& pin : PinsOf(filter)) {
    if (DirectionOf(pin.Get()) == direction) pins.push_back(std::move(pin));
  }
  return pins;
}

PIN_DIRECTION DirectionOf(IPin* pin) {
  PIN_DIRECTION direction = PINDIR_INPUT;
  (void)pin->QueryDirection(&direction);  // a pin that cannot say counts as an input
  return direction;
}

ComPtr<IPin> PeerOf(IPin* pin) {
  ComPtr<IPin> peer;
  (void)pin->ConnectedTo(peer.ReleaseAndGetAddressOf());  // unconnected leaves it empty
  return peer;
}

ComPtr<IBaseFilter> FilterOf(IPin* pin) {
  PIN_INFO info;
  if (FAILED(pin->QueryPinInfo(&info))) return nullptr;
  return info.pFilter;
}

std::vector<MediaType> TypesOf(IPin* pin) {
  std::vector<MediaType> types;
  ComPtr<IEnumMediaTypes> enumerator;
  if (FAILED(pin->EnumMediaTypes(enumerator.ReleaseAndGetAddressOf())) || !enumerator) {
    return types;
  }
  AM_MEDIA_TYPE* type = nullptr;
  ULONG fetched = 0;
  while (enumerator->Next(1, &type, &fetched) == S_OK && fetched == 1) {
    types.push_back(MediaType::Adopt(type));
  }
  return types;
}

ComPtr<IPin> FirstFreePin(IBaseFilter* filter, PIN_DIRECTION direction) {
  for (auto& pin : PinsOf(filter, direction)) {
    if (!PeerOf(pin.Get())) return pin;
  }
  return nullptr;
}

bool IsRenderer(IBaseFilter* filter) {
  ComPtr<IAMFilterMiscFlags> flags;
  if (FAILED(filter->QueryInterface(IID_IAMFilterMiscFlags, flags.ReleaseAndGetVoidAddress()))) {
    return false;
  }
  return (flags->GetMiscFlags() & AM_FILTER_MISC_FLAGS_IS_RENDERER) != 0;
}

std::vector<ComPtr<IBaseFilter>> NeighboursOf(IBaseFilter* filter, PIN_DIRECTION direction) {
  std::vector<ComPtr<IBaseFilter>> neighbours;
  for (auto& pin : PinsOf(filter, direction)) {
    const ComPtr<IPin> peer = PeerOf(pin.Get());
    if (!peer) continue;
    ComPtr<IBaseFilter> other = FilterOf(peer.Get());
    if (other) neighbours.push_back(std::move(other));
  }
  return neighbours;
}

std::string FilterName(IBaseFilter* filter) {
  FILTER_INFO info;
  if (filter == nullptr || FAILED(filter->QueryFilterInfo(&info))) return {};
  return info.achName;
}

}  // namespace dshow
