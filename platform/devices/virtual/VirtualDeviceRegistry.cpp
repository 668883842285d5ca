#include "devices/virtual/VirtualDeviceRegistry.h"

#include <algorithm>
#include <cctype>

#include "com/Diagnostics.h"
#include "devices/DisplayName.h"
#include "dshow/Uuids.h"
#include "ui/MainWindowHook.h"

namespace devices {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

void Notify(WPARAM event) {
  // Without an application nobody listens; the change is still real.
  if (!ui::BroadcastDeviceChange(event)) diag::Debug("devices", "no application to notify");
}

void MarkRemoved(const std::vector<PluggedDevice>& devices) {
  for (const PluggedDevice& device : devices) {
    device.presence->MarkRemoved();
    diag::Debug("devices", "unplugged ", device.displayName);
  }
}

}  // namespace

VirtualDeviceRegistry& VirtualDeviceRegistry::Instance() {
  static auto* registry = new VirtualDeviceRegistry;  // never destroyed: filters may outlive exit
  return *registry;
}

bool VirtualDeviceRegistry::IsNameTaken(const std::string& displayName,
                                        const std::vector<PluggedDevice>& pending) const {
  const auto same = [&](const PluggedDevice& device) {
    return SameName(device.displayName, displayName);
  };
  return std::any_of(plugged_.begin(), plugged_.end(), same) ||
         std::any_of(pending.begin(), pending.end(), same);
}

bool VirtualDeviceRegistry::Place(DeviceDescription device, PlugOrigin origin,
                                  const std::vector<PluggedDevice>& pending, PluggedDevice* placed,
                                  std::string* error) const {
  const std::string key = HardwareKey(device);
  int slot = 0;
  const auto slotTaken = [&](int candidate) {
    const auto uses = [&](const PluggedDevice& other) {
      return other.hardwareKey == key && other.slot == candidate;
    };
    return std::any_of(plugged_.begin(), plugged_.end(), uses) ||
           std::any_of(pending.begin(), pending.end(), uses);
  };
  while (slotTaken(slot))
    ++slot;
  const std::string displayName = BuildDisplayName(device, slot);
  if (IsNameTaken(displayName, pending)) {
    *error = "a device named " + displayName + " is already plugged";
    return false;
  }
  placed->displayName = displayName;
  placed->hardwareKey = key;
  placed->slot = slot;
  placed->origin = origin;
  placed->presence = std::make_shared<DevicePresence>();
  placed->description = std::make_shared<const DeviceDescription>(std::move(device));
  return true;
}

virtualdevices::PlugResult VirtualDeviceRegistry::Plug(std::vector<DeviceDescription> devices,
                                                       PlugOrigin origin) {
  virtualdevices::PlugResult result;
  {
    std::lock_guard lock(mutex_);
    std::vector<PluggedDevice> pending;
    for (DeviceDescription& device : devices) {
      PluggedDevice placed;
      if (!Place(std::move(device), origin, pending, &placed, &result.error)) return result;
      pending.push_back(std::move(placed));
    }
    for (PluggedDevice& device : pending) {
      diag::Debug("devices", "plugged ", device.displayName);
      result.displayNames.push_back(device.displayName);
      plugged_.push_back(std::move(device));
    }
  }
  result.ok = true;
  if (!result.displayNames.empty()) Notify(DBT_DEVICEARRIVAL);
  return result;
}

bool VirtualDeviceRegistry::Unplug(std::string_view displayName) {
  std::vector<PluggedDevice> removed;
  {
    std::lock_guard lock(mutex_);
    const auto it = std::find_if(
        plugged_.begin(), plugged_.end(),
        [&](const PluggedDevice& device) { return SameName(device.displayName, displayName); });
    if (it == plugged_.end()) return false;
    removed.push_back(std::move(*it));
    plugged_.erase(it);
  }
  MarkRemoved(removed);
  Notify(DBT_DEVICEREMOVECOMPLETE);
  return true;
}

void VirtualDeviceRegistry::UnplugAll() {
  std::vector<PluggedDevice> removed;
  {
    std::lock_guard lock(mutex_);
    removed.swap(plugged_);
  }
  MarkRemoved(removed);
  if (!removed.empty()) Notify(DBT_DEVICEREMOVECOMPLETE);
}

void VirtualDeviceRegistry::Clear() {
  std::vector<PluggedDevice> removed;
  {
    std::lock_guard lock(mutex_);
    removed.swap(plugged_);
  }
  MarkRemoved(removed);
}

void VirtualDeviceRegistry::ReplaceFileDevices(std::vector<DeviceDescription> devices) {
  std::vector<PluggedDevice> removed;
  bool added = false;
  {
    std::lock_guard lock(mutex_);
    // Old file devices that match a new entry stay; each old device matches one entry at most.
    std::vector<bool> kept(plugged_.size(), false);
    std::vector<DeviceDescription> fresh;
    for (DeviceDescription& device : devices) {
      bool matched = false;
      for (std::size_t i = 0; i < plugged_.size() && !matched; ++i) {
        if (!kept[i] && plugged_[i].origin == PlugOrigin::kFile &&
            plugged_[i].description->source == device.source) {
          kept[i] = matched = true;
        }
      }
      if (!matched) fresh.push_back(std::move(device));
    }
    std::vector<PluggedDevice> staying;
    for (std::size_t i = 0; i < plugged_.size(); ++i) {
      const bool goes = plugged_[i].origin == PlugOrigin::kFile && !kept[i];
      (goes ? removed : staying).push_back(std::move(plugged_[i]));
    }
    plugged_ = std::move(staying);
    std::vector<PluggedDevice> pending;
    for (DeviceDescription& device : fresh) {
      PluggedDevice placed;
      std::string error;
      if (Place(std::move(device), PlugOrigin::kFile, pending, &placed, &error)) {
        pending.push_back(std::move(placed));
      } else {
        diag::Warn("devices", "description file: " + error);
      }
    }
    added = !pending.empty();
    for (PluggedDevice& device : pending) {
      diag::Debug("devices", "plugged ", device.displayName);
      plugged_.push_back(std::move(device));
    }
  }
  MarkRemoved(removed);
  if (!removed.empty()) Notify(DBT_DEVICEREMOVECOMPLETE);
  if (added) Notify(DBT_DEVICEARRIVAL);
}

std::vector<PluggedDevice> VirtualDeviceRegistry::Devices(DeviceCategory category) const {
  std::lock_guard lock(mutex_);
  std::vector<PluggedDevice> devices;
  for (const PluggedDevice& device : plugged_) {
    if (device.description->category == category) devices.push_back(device);
  }
  return devices;
}

std::optional<PluggedDevice> VirtualDeviceRegistry::Find(std::string_view displayName) const {
  std::lock_guard lock(mutex_);
  for (const PluggedDevice& device : plugged_) {
    if (SameName(device.displayName, displayName)) return device;
  }
  return std::nullopt;
}

std::string DeviceClassIdText(const DeviceDescription& device) {
  if (device.clsid) return StringFromCLSID(*device.clsid);
  switch (device.kind) {
    case DeviceKind::kWdm:
      return StringFromCLSID(CLSID_Proxy);
    case DeviceKind::kVfw:
      return StringFromCLSID(CLSID_VfwCapture);
    case DeviceKind::kOther:
      break;
  }
  return StringFromCLSID(CLSID_VirtualDevice);
}

}  // namespace devices
