#pragma once
// Small questions asked of filters and pins through their interfaces, shared by the filter graph
// and the capture graph builder. Application thread.

#include <vector>

#include "dshow/FilterInterfaces.h"

namespace dshow {

std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter);
std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter, PIN_DIRECTION direction);
// PINDIR_INPUT when the pin cannot say.
PIN_DIRECTION DirectionOf(IPin* pin);
// The connected pin, or null.
ComPtr<IPin> PeerOf(IPin* pin);
ComPtr<IBaseFilter> FilterOf(IPin* pin);
// The pin's preferred types, in order.
std::vector<MediaType> TypesOf(IPin* pin);
// The first unconnected pin of that direction, or null.
ComPtr<IPin> FirstFreePin(IBaseFilter* filter, PIN_DIRECTION direction);
// Whether the filter says it is a renderer (IAMFilterMiscFlags).
bool IsRenderer(IBaseFilter* filter);
// The filters connected to the filter's pins of that direction (PINDIR_OUTPUT: downstream).
std::vector<ComPtr<IBaseFilter>> NeighboursOf(IBaseFilter* filter, PIN_DIRECTION direction);
std::string FilterName(IBaseFilter* filter);

}  // namespace dshow
