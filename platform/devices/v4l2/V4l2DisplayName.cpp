#include "devices/v4l2/V4l2DisplayName.h"

#include <cctype>
#include <cstdio>

#include "devices/PnpDisplayName.h"
#include "devices/v4l2/V4l2NodeList.h"
#include "dshow/Uuids.h"

namespace devices {
namespace {

std::string Property(const V4l2NodeInfo& node, const char* name) {
  const auto found = node.properties.find(name);
  return found == node.properties.end() ? std::string() : found->second;
}

std::string Hex8(std::uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

std::string ClassManagerName(const V4l2NodeInfo& node) {
  std::string card = Property(node, "ID_V4L_PRODUCT");
  if (card.empty()) card = Property(node, kV4lNameProperty);
  if (card.empty()) card = node.sysname;
  for (char& c : card) {
    if (c == '\\') c = '_';  // '\' ends the category of a class-manager name
  }
  const std::string port = PortPath(node.properties);
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
  const PnpHardware hardware = PnpHardwareOf(node.properties);
  if (hardware.hardwareId.empty()) return ClassManagerName(node);
  // Without a port path the node's name is all there is; it is not stable across renumbering.
  const std::string instance = PnpInstanceId(
      node.properties, hardware.bus + "#" + hardware.hardwareId, "node:" + node.sysname);
  return PnpDisplayName(hardware.bus, hardware.hardwareId, instance, kVideoCaptureInterface);
}

}  // namespace devices
