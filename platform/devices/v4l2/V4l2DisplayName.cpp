#include "devices/v4l2/V4l2DisplayName.h"

#include <cctype>
#include <cstdio>
#include <regex>

#include "devices/PnpDisplayName.h"
#include "devices/v4l2/V4l2NodeList.h"
#include "dshow/Uuids.h"

namespace devices {
namespace {

std::string Property(const V4l2NodeInfo& node, const char* name) {
  const auto found = node.properties.find(name);
  return found == node.properties.end() ? std::string() : found->second;
}

std::string Lower(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Hex8(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

// Keeps [A-Za-z0-9_.-] and replaces every other byte with '_', so that no separator of a
// display name ('#', '&', '\') can appear in an instance id.
std::string SanitisedSerial(const std::string& serial) {
  std::string text = serial;
  for (char& c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (!std::isalnum(u) && c != '_' && c != '.' && c != '-') c = '_';
  }
  return text;
}

// ID_PATH with the USB bus number dropped ("usb-3:2:1.0" and udev's "usbv2-0:2:1.0" as
// "usb-0:2:1.0"): the bus number follows the order controllers were probed in, while the PCI
// controller's address is fixed.
std::string PortPath(const V4l2NodeInfo& node) {
  static const std::regex kUsbBus("usb(v[0-9]+)?-[0-9]+:");
  return std::regex_replace(Property(node, "ID_PATH"), kUsbBus, "usb-0:");
}

std::string Hex4OrZeros(const std::string& hex) {
  return hex.empty() ? "0000" : Lower(hex);
}

std::string InstanceId(const V4l2NodeInfo& node, const std::string& hardwareKey) {
  const std::string serial = Property(node, "ID_SERIAL_SHORT");
  if (!serial.empty()) return SanitisedSerial(serial);
  std::string port = PortPath(node);
  // Without a port path the node's name is all there is; it is not stable across renumbering.
  if (port.empty()) port = "node:" + node.sysname;
  std::string interfaceNumber = Lower(Property(node, "ID_USB_INTERFACE_NUM"));
  if (interfaceNumber.size() != 2 ||
      !std::isxdigit(static_cast<unsigned char>(interfaceNumber[0])) ||
      !std::isxdigit(static_cast<unsigned char>(interfaceNumber[1]))) {
    interfaceNumber = "00";
  }
  return "6&" + Hex8(Fnv1a(hardwareKey + "|" + port)) + "&0&00" + interfaceNumber;
}

std::string ClassManagerName(const V4l2NodeInfo& node) {
  std::string card = Property(node, "ID_V4L_PRODUCT");
  if (card.empty()) card = Property(node, kV4lNameProperty);
  if (card.empty()) card = node.sysname;
  for (char& c : card) {
    if (c == '\\') c = '_';  // '\' ends the category of a class-manager name
  }
  const std::string port = PortPath(node);
  if (!port.empty()) card += "_" + Hex8(Fnv1a(port));
  return ClassManagerDisplayName(CLSID_VideoInputDeviceCategory, card);
}

}  // namespace

bool IsVideoCaptureNode(const v4l2_capability& caps) {
  const std::uint32_t have =
      (caps.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? caps.device_caps : caps.capabilities;
  const bool capture = (have & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE)) != 0;
  const bool memoryToMemory = (have & (V4L2_CAP_VIDEO_M2M | V4L2_CAP_VIDEO_M2M_MPLANE |
                                       V4L2_CAP_VIDEO_OUTPUT | V4L2_CAP_VIDEO_OUTPUT_MPLANE)) != 0;
  const bool transfers = (have & (V4L2_CAP_STREAMING | V4L2_CAP_READWRITE)) != 0;
  return capture && !memoryToMemory && transfers;
}

std::string V4l2DisplayName(const V4l2NodeInfo& node) {
  const std::string vendor = Lower(Property(node, "ID_VENDOR_ID"));
  const std::string model = Lower(Property(node, "ID_MODEL_ID"));
  if (vendor.empty() || model.empty()) return ClassManagerName(node);
  std::string bus = Lower(Property(node, "ID_BUS"));
  if (bus.empty()) bus = "usb";
  std::string hardwareId;
  if (bus == "pci") {
    hardwareId = "ven_" + vendor + "&dev_" + model + "&subsys_" +
                 Hex4OrZeros(Property(node, kPciSubsystemDeviceProperty)) +
                 Hex4OrZeros(Property(node, kPciSubsystemVendorProperty));
  } else {
    std::string interfaceNumber = Lower(Property(node, "ID_USB_INTERFACE_NUM"));
    if (interfaceNumber.empty()) interfaceNumber = "00";
    hardwareId = "vid_" + vendor + "&pid_" + model + "&mi_" + interfaceNumber;
  }
  return PnpDisplayName(bus, hardwareId, InstanceId(node, bus + "#" + hardwareId),
                        kVideoCaptureInterface);
}

}  // namespace devices
