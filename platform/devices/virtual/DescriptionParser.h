#pragma once
// Reads JSON device descriptions (the format is documented in platform/devices/README.md).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devices/virtual/DeviceDescription.h"

namespace devices {

// Parses a document: an object with a "devices" array, an array of devices, or one device
// object. On failure returns nullopt and says where and why in *error ("devices[1].pins[0]:
// unknown role \"capturee\"").
std::optional<std::vector<DeviceDescription>> ParseDeviceDescriptions(std::string_view json,
                                                                      std::string* error);

// The built-in demo: a camera with a tone-generating microphone.
std::vector<DeviceDescription> DemoDevices();
// The demo's JSON text, also the example of the README.
std::string_view DemoDescriptionJson();

}  // namespace devices
