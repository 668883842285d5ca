#pragma once
// Lists the nodes of the video4linux subsystem with what identifies their hardware: from the udev
// database where there is one, else from sysfs attributes (containers have no udev database).
//
// Any thread.

#include <string>
#include <vector>

#include "devices/HardwareIdentity.h"
#include "devices/v4l2/V4l2Api.h"

namespace devices {

// Properties the listing adds beside udev's own: the driver's card name (sysfs "name"), and the
// subsystem ids of a PCI card (kPciSubsystemVendorProperty, kPciSubsystemDeviceProperty).
inline constexpr char kV4lNameProperty[] = "V4L_NAME";

// udev's nodes of the video4linux subsystem with their properties, sorted by device number
// ("video2" before "video10"), with V4L_NAME added, and ID_BUS "pci" and the card's ids added to
// a node of a PCI card, which udev leaves without them. Falls back on
// ListVideoNodesFromSysfs("/sys") when udev cannot be opened or has no database (no
// /run/udev/data, or nodes of which none has ID_BUS or ID_PATH).
std::vector<V4l2NodeInfo> ListVideoNodes();

// The nodes under sysRoot + "/class/video4linux", with the properties udev would give filled in
// from the attributes of their USB or PCI parent: ID_BUS, ID_VENDOR_ID, ID_MODEL_ID,
// ID_USB_INTERFACE_NUM, ID_SERIAL_SHORT (where the device has a serial), ID_PATH (the port path
// in udev's form: "pci-0000:00:14.0-usb-0:2:1.0", "pci-0000:03:00.0", "platform-vivid.0"), the
// PCI subsystem ids and V4L_NAME. devnode is "/dev/" + sysname. Sorted as ListVideoNodes.
// Missing attributes leave their properties out; an unreadable directory gives no nodes.
std::vector<V4l2NodeInfo> ListVideoNodesFromSysfs(const std::string& sysRoot);

}  // namespace devices
