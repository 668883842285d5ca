#include "devices/alsa/AlsaCardIdentity.h"

#include <filesystem>
#include <system_error>

namespace devices {
namespace fs = std::filesystem;
namespace {

// The properties a display name is built from; udev gives many more.
DeviceProperties IdentityOnly(const DeviceProperties& properties) {
  static const char* const kKept[] = {"ID_BUS",
                                      "ID_VENDOR_ID",
                                      "ID_MODEL_ID",
                                      "ID_USB_INTERFACE_NUM",
                                      "ID_SERIAL_SHORT",
                                      "ID_PATH",
                                      kPciSubsystemVendorProperty,
                                      kPciSubsystemDeviceProperty};
  DeviceProperties kept;
  for (const char* name : kKept) {
    const auto found = properties.find(name);
    if (found != properties.end() && !found->second.empty()) kept.insert(*found);
  }
  return kept;
}

DeviceProperties UdevCardProperties(int card) {
  UdevContext context(udev_new());
  if (!context) return {};
  const std::string sysname = "card" + std::to_string(card);
  UdevDevice device(
      udev_device_new_from_subsystem_sysname(context.get(), "sound", sysname.c_str()));
  if (!device) return {};
  DeviceProperties properties = UdevProperties(device.get());
  AddPciIdentity(device.get(), properties);
  return properties;
}

}  // namespace

DeviceProperties SoundCardProperties(int card) {
  if (HasUdevDatabase()) {
    DeviceProperties properties = UdevCardProperties(card);
    // Without its rules (a container) udev knows the card but not its hardware.
    if (HasIdentity(properties)) return IdentityOnly(properties);
  }
  return SoundCardPropertiesFromSysfs("/sys", card);
}

DeviceProperties SoundCardPropertiesFromSysfs(const std::string& sysRoot, int card) {
  std::error_code error;
  const fs::path root(sysRoot);
  const fs::path devicesRoot = fs::weakly_canonical(root / "devices", error);
  const fs::path device =
      fs::canonical(root / "class" / "sound" / ("card" + std::to_string(card)) / "device", error);
  if (error) return {};  // no such card, or one without a parent device
  DeviceProperties properties;
  FillIdentityFromSysfs(device, devicesRoot, properties);
  return IdentityOnly(properties);
}

}  // namespace devices
