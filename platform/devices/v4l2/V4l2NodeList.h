#pragma once
// Lists the nodes of the video4linux subsystem with what identifies their hardware: from the udev
// database where there is one, else from sysfs attributes (containers have no udev database).
//
// Any thread.

#include <string>
#include <vector>

#include "devices/v4l2/V4l2Api.h"

namespace devices {

// udev's nodes of the video4linux subsystem with their properties, sorted by device number
// ("video2" before "video10"). Falls back on ListVideoNodesFromSysfs("/sys") when udev has no
// database or cannot be opened.
std::vector<V4l2NodeInfo> ListVideoNodes();

// The nodes under sysRoot + "/class/video4linux", with the properties udev would give filled in
// from the attributes of their USB or PCI parent: ID_BUS, ID_VENDOR_ID, ID_MODEL_ID,
// ID_USB_INTERFACE_NUM, ID_SERIAL_SHORT (where the device has a serial), ID_PATH (the port path).
// devnode is "/dev/" + sysname.
std::vector<V4l2NodeInfo> ListVideoNodesFromSysfs(const std::string& sysRoot);

}  // namespace devices
