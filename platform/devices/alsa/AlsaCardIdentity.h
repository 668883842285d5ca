#pragma once
// What identifies a sound card's hardware, for display names that follow the card rather than
// its number: udev's properties of the card's device ("sound" subsystem, sysname "cardN"), or
// sysfs attributes of its USB or PCI parent where there is no udev database.
//
// Any thread.

#include <string>

#include "devices/HardwareIdentity.h"

namespace devices {

// ID_BUS, ID_VENDOR_ID, ID_MODEL_ID, ID_USB_INTERFACE_NUM, ID_SERIAL_SHORT, ID_PATH and, for a
// PCI card, its subsystem ids, of card number card; empty where neither udev nor sysfs knows it.
DeviceProperties SoundCardProperties(int card);

// The same properties read from the tree at sysRoot (sysRoot + "/class/sound/cardN/device").
DeviceProperties SoundCardPropertiesFromSysfs(const std::string& sysRoot, int card);

}  // namespace devices
