#include "devices/DisplayName.h"

#include <cctype>
#include <cstdio>

#include "devices/PnpDisplayName.h"

namespace devices {
namespace {

std::string Lower(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string FourCCText(DWORD fourcc) {
  std::string text;
  for (int i = 0; i < 4; ++i)
    text += static_cast<char>((fourcc >> (8 * i)) & 0xFF);
  return text;
}

// The part after the category in a class-manager name.
std::string ClassManagerTail(const DeviceDescription& device, int slot) {
  std::string tail;
  switch (device.category) {
    case DeviceCategory::kVideoCompressor:
      tail = Lower(FourCCText(device.compressor.fourcc));
      break;
    case DeviceCategory::kAudioInput:
      tail = "wave:" + device.friendlyName;
      break;
    default:
      tail = device.friendlyName;
      break;
  }
  if (slot > 0) tail += "_" + std::to_string(slot);
  return tail;
}

}  // namespace

std::string HardwareKey(const DeviceDescription& device) {
  const std::string category = std::to_string(static_cast<int>(device.category));
  if (device.vid.empty()) return category + "|" + device.friendlyName;
  return category + "|" + device.bus + "#vid_" + device.vid + "&pid_" + device.pid + "&mi_" +
         device.mi;
}

std::string DefaultInstanceId(const DeviceDescription& device, int slot) {
  char text[32];
  std::snprintf(text, sizeof text, "7&%08x&0&%04d", Fnv1a(HardwareKey(device)), slot);
  return text;
}

std::string BuildDisplayName(const DeviceDescription& device, int slot) {
  if (!device.displayName.empty()) return device.displayName;
  if (device.vid.empty()) {
    return ClassManagerDisplayName(CategoryClassId(device.category),
                                   ClassManagerTail(device, slot));
  }
  const std::string instance =
      device.instance.empty() ? DefaultInstanceId(device, slot) : device.instance;
  const char* interfaceClass = device.category == DeviceCategory::kAudioInput
                                   ? kAudioCaptureInterface
                                   : kVideoCaptureInterface;
  return PnpDisplayName(device.bus, "vid_" + device.vid + "&pid_" + device.pid + "&mi_" + device.mi,
                        instance, interfaceClass);
}

}  // namespace devices
