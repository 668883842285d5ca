#include "devices/virtual/VirtualDeviceSource.h"

#include "com/Diagnostics.h"
#include "devices/DeviceMoniker.h"
#include "devices/virtual/VirtualDeviceRegistry.h"
#include "devices/virtual/VirtualDevicesEnvironment.h"
#include "devices/virtual/VirtualFilterFactory.h"

namespace devices {
namespace {

constexpr LONG kErrorDeviceNotConnected = 1167;

std::optional<DeviceCategory> CategoryOf(REFCLSID category) {
  for (DeviceCategory candidate :
       {DeviceCategory::kVideoInput, DeviceCategory::kAudioInput, DeviceCategory::kVideoCompressor,
        DeviceCategory::kAudioCompressor}) {
    if (CategoryClassId(candidate) == category) return candidate;
  }
  return std::nullopt;
}

PropertyMap PropertiesOf(const PluggedDevice& device) {
  PropertyMap properties;
  properties["FriendlyName"] = VARIANT(device.description->friendlyName);
  properties["CLSID"] = VARIANT(DeviceClassIdText(*device.description));
  constexpr std::string_view kPnp = "@device:pnp:";
  if (device.displayName.starts_with(kPnp)) {
    properties["DevicePath"] = VARIANT(device.displayName.substr(kPnp.size()));
  }
  return properties;
}

}  // namespace

void VirtualDeviceSource::AppendMonikers(REFCLSID category,
                                         std::vector<ComPtr<IMoniker>>& monikers) {
  EnsureVirtualDevicesEnvironmentRead();
  const auto wanted = CategoryOf(category);
  if (!wanted) return;
  for (const PluggedDevice& device : VirtualDeviceRegistry::Instance().Devices(*wanted)) {
    monikers.push_back(
        MakeComObject<DeviceMoniker>(device.displayName, PropertiesOf(device), BindVirtualDevice));
  }
}

std::shared_ptr<DeviceSource> VirtualDeviceSourceInstance() {
  static const auto source = std::make_shared<VirtualDeviceSource>();
  return source;
}

namespace {

const bool kRegistered =
    (AddDeviceSource(VirtualDeviceSourceInstance(), DeviceSourceKind::kVirtual), true);

}  // namespace

HRESULT BindVirtualDevice(const std::string& displayName, REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  EnsureVirtualDevicesEnvironmentRead();
  const auto device = VirtualDeviceRegistry::Instance().Find(displayName);
  if (!device) return HRESULT_FROM_WIN32(kErrorDeviceNotConnected);
  if (device->description->faults.bindFails) {
    diag::Debug("devices", "binding refused by description: ", displayName);
    return E_FAIL;
  }
  return CreateVirtualFilter(*device, riid, object);
}

}  // namespace devices
