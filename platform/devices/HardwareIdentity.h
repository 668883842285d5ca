#pragma once
// What identifies a device's hardware, read from udev or from sysfs: the properties udev's
// usb_id, pci-db and path_id builtins give (ID_BUS, ID_VENDOR_ID, ID_MODEL_ID,
// ID_USB_INTERFACE_NUM, ID_SERIAL_SHORT, ID_PATH), filled in from sysfs attributes where there is
// no udev database (containers), and the PCI card's ids that udev leaves out. Shared by the V4L2
// node list and the ALSA card list.
//
// Any thread.

#include <libudev.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace devices {

using DeviceProperties = std::map<std::string, std::string>;

// Properties added beside udev's own: the subsystem ids of a PCI card as four lower-case
// hexadecimal digits each.
inline constexpr char kPciSubsystemVendorProperty[] = "ID_PCI_SUBSYS_VENDOR_ID";
inline constexpr char kPciSubsystemDeviceProperty[] = "ID_PCI_SUBSYS_DEVICE_ID";

struct UdevRelease {
  void operator()(udev* context) const { udev_unref(context); }
  void operator()(udev_enumerate* enumerate) const { udev_enumerate_unref(enumerate); }
  void operator()(udev_device* device) const { udev_device_unref(device); }
};
using UdevContext = std::unique_ptr<udev, UdevRelease>;
using UdevEnumerate = std::unique_ptr<udev_enumerate, UdevRelease>;
using UdevDevice = std::unique_ptr<udev_device, UdevRelease>;

std::string TrimSpace(std::string text);

// A sysfs attribute's text without surrounding white space, or nullopt where it cannot be read.
std::optional<std::string> ReadSysfsAttribute(const std::filesystem::path& file);

// Whether udev keeps a database here (/run/udev/data): without one, its devices have no
// properties beyond the kernel's.
bool HasUdevDatabase();

// Every property udev has for the device.
DeviceProperties UdevProperties(udev_device* device);

// Whether udev identified the hardware (ID_BUS or ID_PATH): without its rules it does not.
bool HasIdentity(const DeviceProperties& properties);

// udev gives a PCI card's devices neither ID_BUS nor ids: adds ID_BUS "pci", the card's ids and
// its subsystem ids from the PCI parent, unless the device sits on USB or has ID_BUS already.
void AddPciIdentity(udev_device* device, DeviceProperties& properties);

// Fills the properties udev would give from the attributes of the device directory (a resolved
// "device" link) and its USB or PCI parents, walking up to devicesRoot as udev's path_id does:
// ID_PATH in udev's form ("pci-0000:00:14.0-usb-0:2:1.0", "pci-0000:03:00.0",
// "platform-vivid.0"; the USB bus number dropped as udev drops it), ID_BUS, the ids, the
// interface number, the serial where the device has one, and the PCI subsystem ids. Missing
// attributes leave their properties out.
void FillIdentityFromSysfs(const std::filesystem::path& device,
                           const std::filesystem::path& devicesRoot, DeviceProperties& properties);

// The bus ("usb", "pci", ID_BUS in lower case; "usb" without one) and the hardware id of a
// plug-and-play display name: "vid_046d&pid_0825&mi_00" (the interface number, "00" without
// one), or for PCI "ven_109e&dev_036e&subsys_13eb0070" (the subsystem device id, then the
// subsystem vendor id). Empty without vendor and model ids.
struct PnpHardware {
  std::string bus;
  std::string hardwareId;
};
PnpHardware PnpHardwareOf(const DeviceProperties& properties);

// The instance id of a plug-and-play display name (PnpDisplayName.h) made from the properties:
// the serial (ID_SERIAL_SHORT, characters other than [A-Za-z0-9_.-] replaced by '_') where
// there is one, else "6&" + eight hexadecimal digits hashed from hardwareKey and the port path
// (ID_PATH with any USB bus number dropped, the PCI controller kept; fallbackPort without one)
// + "&" + function + "&00" + the interface number, so that identical devices on different ports
// differ. function tells apart several devices of one interface (a sound card's PCM devices);
// a serial is followed by "&" + function where function is not 0.
std::string PnpInstanceId(const DeviceProperties& properties, const std::string& hardwareKey,
                          const std::string& fallbackPort, unsigned function = 0);

// ID_PATH with the USB bus number dropped ("usb-3:2:1.0" and udev's "usbv2-0:2:1.0" as
// "usb-0:2:1.0"): the bus number follows the order controllers were probed in, while the PCI
// controller's address is fixed.
std::string PortPath(const DeviceProperties& properties);

}  // namespace devices
