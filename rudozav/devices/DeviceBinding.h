#pragma once
// Device filters in a component's graph: whether a device already serves a graph of the process,
// and binding a device's moniker into the component's graph. UI thread only.

#include <string>

#include "com/ComPtr.h"
#include "dshow/FilterInterfaces.h"
#include "rudozav/graph/FilterAdding.h"

class TDevices;
class TRavorOderiri;

// Whether a graph of an initialised component holds a filter named DeviceFilterName(list, index).
bool IsDeviceInUse(const TDevices& list, int index);

// Puts the device list[index] into the component's graph as filter. An index out of range is
// corrected to 0 (and reported); usable turns false when another graph holds the device, which
// skipInUse does not test. A filter already held is removed from the graph and added again.
bool BindDeviceFilter(TRavorOderiri& component, const TDevices& list, int& index, bool& usable,
                      bool skipInUse, ComPtr<IBaseFilter>& filter);
