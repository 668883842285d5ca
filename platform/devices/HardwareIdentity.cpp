#include "devices/HardwareIdentity.h"

#include "devices/PnpDisplayName.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <regex>
#include <system_error>

namespace devices {
namespace fs = std::filesystem;
namespace {

std::string Lower(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// "0x046D", "046d" or "46d" as "046d"; empty when the text is no hexadecimal number.
std::string Hex4(std::string text) {
  text = Lower(TrimSpace(std::move(text)));
  if (text.rfind("0x", 0) == 0) text.erase(0, 2);
  if (text.empty() || text.size() > 4 ||
      !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c); })) {
    return {};
  }
  return std::string(4 - text.size(), '0') + text;
}

void SetHex4(DeviceProperties& properties, const char* property,
             const std::optional<std::string>& value) {
  if (!value) return;
  const std::string hex = Hex4(*value);
  if (!hex.empty()) properties[property] = hex;
}

bool IsPciAddress(const std::string& name) {
  // "0000:03:00.0": domain, bus, slot and function.
  if (name.size() != 12 || name[4] != ':' || name[7] != ':' || name[10] != '.') return false;
  for (std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u, 11u}) {
    if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
  }
  return true;
}

// The subsystem of a sysfs device directory: its "subsystem" link where it has one, else what
// its attributes and name tell (trees copied without their links).
std::string SubsystemOf(const fs::path& dir, const fs::path& devicesRoot) {
  std::error_code error;
  const fs::path link = fs::read_symlink(dir / "subsystem", error);
  if (!error) return link.filename().string();
  if (fs::exists(dir / "idVendor", error) || fs::exists(dir / "bInterfaceNumber", error)) {
    return "usb";
  }
  const std::string name = dir.filename().string();
  if (IsPciAddress(name)) return "pci";
  if (dir.parent_path().filename() == "platform" &&
      dir.parent_path().parent_path() == devicesRoot) {
    return "platform";
  }
  return {};
}

std::string Property(const DeviceProperties& properties, const char* name) {
  const auto found = properties.find(name);
  return found == properties.end() ? std::string() : found->second;
}

// Keeps [A-Za-z0-9_.-] and replaces every other byte with '_', so that no separator of a
// display name ('#', '&', '\') can appear in an instance id.
std::string SanitisedSerial(std::string serial) {
  for (char& c : serial) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (!std::isalnum(u) && c != '_' && c != '.' && c != '-') c = '_';
  }
  return serial;
}

std::string Text(const char* value) {
  return value == nullptr ? std::string() : value;
}

}  // namespace

std::string TrimSpace(std::string text) {
  const auto isSpace = [](unsigned char c) { return std::isspace(c) != 0; };
  text.erase(std::find_if_not(text.rbegin(), text.rend(), isSpace).base(), text.end());
  text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), isSpace));
  return text;
}

std::optional<std::string> ReadSysfsAttribute(const fs::path& file) {
  std::ifstream in(file);
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return TrimSpace(std::move(text));
}

bool HasUdevDatabase() {
  std::error_code error;
  return fs::is_directory("/run/udev/data", error);
}

DeviceProperties UdevProperties(udev_device* device) {
  DeviceProperties properties;
  udev_list_entry* property = nullptr;
  udev_list_entry_foreach(property, udev_device_get_properties_list_entry(device)) {
    properties[Text(udev_list_entry_get_name(property))] =
        Text(udev_list_entry_get_value(property));
  }
  return properties;
}

bool HasIdentity(const DeviceProperties& properties) {
  return properties.count("ID_BUS") != 0 || properties.count("ID_PATH") != 0;
}

void AddPciIdentity(udev_device* device, DeviceProperties& properties) {
  if (properties.count("ID_BUS") != 0) return;
  if (udev_device_get_parent_with_subsystem_devtype(device, "usb", nullptr) != nullptr) return;
  udev_device* card = udev_device_get_parent_with_subsystem_devtype(device, "pci", nullptr);
  if (card == nullptr) return;  // borrowed from device: not released here
  const auto attribute = [card](const char* name) -> std::optional<std::string> {
    const char* value = udev_device_get_sysattr_value(card, name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  };
  properties["ID_BUS"] = "pci";
  SetHex4(properties, "ID_VENDOR_ID", attribute("vendor"));
  SetHex4(properties, "ID_MODEL_ID", attribute("device"));
  SetHex4(properties, kPciSubsystemVendorProperty, attribute("subsystem_vendor"));
  SetHex4(properties, kPciSubsystemDeviceProperty, attribute("subsystem_device"));
}

// Each run of directories of one subsystem gives one element of ID_PATH ("usb-0:" + the port of
// the nearest, "pci-" or "platform-" + the nearest's name).
void FillIdentityFromSysfs(const fs::path& device, const fs::path& devicesRoot,
                           DeviceProperties& properties) {
  const fs::path below = device.lexically_relative(devicesRoot);
  if (below.empty() || *below.begin() == "..") return;  // not a device of this tree
  std::string path;
  std::string previous;
  std::optional<fs::path> usbDevice;
  std::optional<fs::path> pciDevice;
  std::optional<std::string> interfaceNumber;
  const auto prepend = [&path](const std::string& element) {
    path = path.empty() ? element : element + "-" + path;
  };
  for (fs::path dir = device; dir != devicesRoot; dir = dir.parent_path()) {
    const std::string subsystem = SubsystemOf(dir, devicesRoot);
    const std::string name = dir.filename().string();
    if (subsystem == "usb") {
      if (previous != "usb") {
        const std::size_t dash = name.find('-');
        if (dash != std::string::npos) prepend("usb-0:" + name.substr(dash + 1));
      }
      if (!interfaceNumber) interfaceNumber = ReadSysfsAttribute(dir / "bInterfaceNumber");
      std::error_code error;
      if (!usbDevice && fs::exists(dir / "idVendor", error)) usbDevice = dir;
    } else if (subsystem == "pci") {
      if (previous != "pci") prepend("pci-" + name);
      if (!pciDevice) pciDevice = dir;
    } else if (subsystem == "platform") {
      if (previous != "platform") prepend("platform-" + name);
    }
    previous = subsystem;
  }
  if (!path.empty()) properties["ID_PATH"] = path;

  if (usbDevice) {
    properties["ID_BUS"] = "usb";
    SetHex4(properties, "ID_VENDOR_ID", ReadSysfsAttribute(*usbDevice / "idVendor"));
    SetHex4(properties, "ID_MODEL_ID", ReadSysfsAttribute(*usbDevice / "idProduct"));
    if (interfaceNumber && !interfaceNumber->empty()) {
      properties["ID_USB_INTERFACE_NUM"] = Lower(*interfaceNumber);
    }
    const auto serial = ReadSysfsAttribute(*usbDevice / "serial");
    if (serial && !serial->empty()) properties["ID_SERIAL_SHORT"] = *serial;
  } else if (pciDevice) {
    properties["ID_BUS"] = "pci";
    SetHex4(properties, "ID_VENDOR_ID", ReadSysfsAttribute(*pciDevice / "vendor"));
    SetHex4(properties, "ID_MODEL_ID", ReadSysfsAttribute(*pciDevice / "device"));
    SetHex4(properties, kPciSubsystemVendorProperty,
            ReadSysfsAttribute(*pciDevice / "subsystem_vendor"));
    SetHex4(properties, kPciSubsystemDeviceProperty,
            ReadSysfsAttribute(*pciDevice / "subsystem_device"));
  }
}

PnpHardware PnpHardwareOf(const DeviceProperties& properties) {
  const std::string vendor = Lower(Property(properties, "ID_VENDOR_ID"));
  const std::string model = Lower(Property(properties, "ID_MODEL_ID"));
  if (vendor.empty() || model.empty()) return {};
  PnpHardware hardware{Lower(Property(properties, "ID_BUS")), {}};
  if (hardware.bus.empty()) hardware.bus = "usb";
  const auto hex4OrZeros = [&properties](const char* name) {
    const std::string hex = Lower(Property(properties, name));
    return hex.empty() ? std::string("0000") : hex;
  };
  if (hardware.bus == "pci") {
    hardware.hardwareId = "ven_" + vendor + "&dev_" + model + "&subsys_" +
                          hex4OrZeros(kPciSubsystemDeviceProperty) +
                          hex4OrZeros(kPciSubsystemVendorProperty);
  } else {
    std::string interfaceNumber = Lower(Property(properties, "ID_USB_INTERFACE_NUM"));
    if (interfaceNumber.empty()) interfaceNumber = "00";
    hardware.hardwareId = "vid_" + vendor + "&pid_" + model + "&mi_" + interfaceNumber;
  }
  return hardware;
}

std::string PortPath(const DeviceProperties& properties) {
  static const std::regex kUsbBus("usb(v[0-9]+)?-[0-9]+:");
  return std::regex_replace(Property(properties, "ID_PATH"), kUsbBus, "usb-0:");
}

std::string PnpInstanceId(const DeviceProperties& properties, const std::string& hardwareKey,
                          const std::string& fallbackPort, unsigned function) {
  const std::string serial = Property(properties, "ID_SERIAL_SHORT");
  if (!serial.empty()) {
    return SanitisedSerial(serial) + (function == 0 ? "" : "&" + std::to_string(function));
  }
  std::string port = PortPath(properties);
  if (port.empty()) port = fallbackPort;
  std::string interfaceNumber = Lower(Property(properties, "ID_USB_INTERFACE_NUM"));
  if (interfaceNumber.size() != 2 ||
      !std::isxdigit(static_cast<unsigned char>(interfaceNumber[0])) ||
      !std::isxdigit(static_cast<unsigned char>(interfaceNumber[1]))) {
    interfaceNumber = "00";
  }
  char hash[9];
  std::snprintf(hash, sizeof hash, "%08x", Fnv1a(hardwareKey + "|" + port));
  return "6&" + std::string(hash) + "&" + std::to_string(function) + "&00" + interfaceNumber;
}

}  // namespace devices
