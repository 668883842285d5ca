#pragma once
// Display names of virtual devices, built in the shape real devices have so that code which
// takes them apart (at "#" and "&") sees what it would see on real hardware:
//   @device:pnp:\\?\usb#vid_1d6b&pid_0102&mi_00#7&1a2b3c4d&0&0000#{65e8773d-...}\global
// Devices without a vendor and product id get a class-manager name:
//   @device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\mjpg

#include <string>

#include "devices/virtual/DeviceDescription.h"

namespace devices {

// What identical devices share: two devices with the same key differ only in their slot.
std::string HardwareKey(const DeviceDescription& device);

// The instance id the slot-th device of its hardware key gets when the description names none:
// "7&" + eight hexadecimal digits derived from the key + "&0&" + the slot in four digits.
std::string DefaultInstanceId(const DeviceDescription& device, int slot);

// The device's display name: the description's own when it has one, else built from its
// identity and slot (the slot tells identical devices apart).
std::string BuildDisplayName(const DeviceDescription& device, int slot);

}  // namespace devices
