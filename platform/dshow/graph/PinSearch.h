#pragma once
// Searches of the capture graph builder: which pins match a category and a major type, and
// where an interface is found around a filter. Application thread.

#include <vector>

#include "dshow/FilterInterfaces.h"

namespace dshow {

// The pin's category (IKsPropertySet, AMPROPSETID_Pin), or GUID_NULL when it has none.
GUID PinCategory(IPin* pin);
// Category and type null mean any; the type is the major type of the connection or of one of
// the pin's preferred types.
bool PinMatches(IPin* pin, const GUID* category, const GUID* type);
// QueryInterface on the filter, then on each of its pins.
HRESULT QueryFilterOrPins(IBaseFilter* filter, REFIID riid, void** object);
// Walks from the given pins of one filter through their peers and on through the pins of the
// same direction of every filter reached (PINDIR_OUTPUT: downstream), asking each peer pin, each
// filter and the filter's pins in turn.
HRESULT QueryAlong(const std::vector<ComPtr<IPin>>& from, PIN_DIRECTION direction, REFIID riid,
                   void** object);

}  // namespace dshow
