#include "rudozav/devices/DeviceBinding.h"

#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/core/ErrorCodes.h"
#include "rudozav/core/Logging.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"

namespace errors = rudozav::errors;

bool IsDeviceInUse(const TDevices& list, int index) {
  const TDevicesManager* manager = DevicesManager();
  if (manager == nullptr) return false;
  const std::string name = DeviceFilterName(list, index);
  for (TRavorOderiri* component : manager->Components()) {
    const ComPtr<IGraphBuilder>& graph = component->State().graph->filterGraph;
    if (!component->IsInitialized() || !graph) continue;
    ComPtr<IBaseFilter> found;
    if (graph->FindFilterByName(name.c_str(), found.ReleaseAndGetAddressOf()) == S_OK) return true;
  }
  return false;
}

bool BindDeviceFilter(TRavorOderiri& component, const TDevices& list, int& index, bool& usable,
                      bool skipInUse, ComPtr<IBaseFilter>& filter) {
  if (list.Count() == 0) return false;
  if (index < 0 || index >= list.Count()) {
    index = 0;
    const TLogEntry& entry = errors::kListIndexOutOfRange;
    component.LogCheck(true, entry.Level, list.CategoryName + std::string(entry.Text), entry.Code);
  }
  usable = true;
  const TCapDeviceInfo& device = list.Items[index];
  if (!skipInUse && IsDeviceInUse(list, index)) {
    usable = false;
    rudozav::LogCheck(component, true, errors::kDeviceInUse,
                      device.Name + std::string(errors::kDeviceInUseTail));
    return false;
  }
  if (filter) {
    if (const ComPtr<IGraphBuilder>& graph = component.State().graph->filterGraph) {
      graph->RemoveFilter(filter.Get());  // added again below under the device's name
    }
  } else {
    const HRESULT hr = device.Moniker
                           ? device.Moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                                          filter.ReleaseAndGetVoidAddress())
                           : E_POINTER;
    const bool bound = rudozav::LogResult(component, hr, errors::kBindDevice,
                                          device.Name + std::string(errors::kBindDeviceTail));
    if (!bound || !filter) {
      filter.Reset();
      return false;
    }
  }
  if (!AddNamedFilter(component, filter.Get(), DeviceFilterName(list, index))) {
    filter.Reset();
    return false;
  }
  return true;
}
