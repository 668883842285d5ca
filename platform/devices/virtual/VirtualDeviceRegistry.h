#pragma once
// The plugged virtual devices (internal to platform/devices; the public face is
// devices/virtual/VirtualDevices.h). One registry per process; any thread may call it.
// Notifications are raised after the registry's lock is released.

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devices/virtual/DeviceDescription.h"
#include "devices/virtual/DevicePresence.h"
#include "devices/virtual/VirtualDevices.h"

namespace devices {

enum class PlugOrigin { kApi, kFile };

struct PluggedDevice {
  std::shared_ptr<const DeviceDescription> description;
  std::string displayName;
  std::string hardwareKey;
  int slot = 0;  // tells identical devices apart
  PlugOrigin origin = PlugOrigin::kApi;
  std::shared_ptr<DevicePresence> presence;
};

class VirtualDeviceRegistry {
 public:
  static VirtualDeviceRegistry& Instance();

  // All or none; one arrival notification when devices were plugged.
  virtualdevices::PlugResult Plug(std::vector<DeviceDescription> devices, PlugOrigin origin);
  bool Unplug(std::string_view displayName);
  void UnplugAll();
  // The devices of the description file become these: entries whose text is unchanged stay
  // plugged (with their display names), the others are unplugged, new ones are plugged.
  void ReplaceFileDevices(std::vector<DeviceDescription> devices);
  // Forgets every device without notifications.
  void Clear();

  std::vector<PluggedDevice> Devices(DeviceCategory category) const;
  std::optional<PluggedDevice> Find(std::string_view displayName) const;

 private:
  VirtualDeviceRegistry() = default;
  // Slot and display name for a device about to be plugged next to those in plugged_ (and
  // those already chosen in pending). Fails on a duplicate display name.
  bool Place(DeviceDescription device, PlugOrigin origin, const std::vector<PluggedDevice>& pending,
             PluggedDevice* placed, std::string* error) const;
  bool IsNameTaken(const std::string& displayName, const std::vector<PluggedDevice>& pending) const;

  mutable std::mutex mutex_;
  std::vector<PluggedDevice> plugged_;  // guarded by mutex_, in plug order
};

// CLSID_Proxy, CLSID_VfwCapture or the device's own class id, as registry text.
std::string DeviceClassIdText(const DeviceDescription& device);

}  // namespace devices
