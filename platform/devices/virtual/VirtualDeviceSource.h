#pragma once
// The virtual devices as a source of the system device enumerator.

#include <memory>

#include "devices/DeviceSource.h"

namespace devices {

class VirtualDeviceSource : public DeviceSource {
 public:
  void AppendMonikers(REFCLSID category, std::vector<ComPtr<IMoniker>>& monikers) override;
};

std::shared_ptr<DeviceSource> VirtualDeviceSourceInstance();

// Makes the filter of the plugged virtual device with that display name. Fails with
// HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED) when no such device is plugged, and with E_FAIL
// when the device is described to refuse binding.
HRESULT BindVirtualDevice(const std::string& displayName, REFIID riid, void** object);

}  // namespace devices
