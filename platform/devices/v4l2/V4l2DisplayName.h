#pragma once
// Which video4linux nodes are cameras, and the display names they are listed under.
//
// Any thread.

#include <linux/videodev2.h>

#include <string>

#include "devices/v4l2/V4l2Api.h"

namespace devices {

// Whether a node captures video: it has video capture (single- or multi-planar) in its
// device_caps (in capabilities for drivers without V4L2_CAP_DEVICE_CAPS), is no memory-to-memory
// device (M2M, or capture together with output) and no metadata-only node, and can stream or be
// read.
bool IsVideoCaptureNode(const v4l2_capability& caps);

// The node's display name, stable across unplugging, reboots and /dev/videoN renumbering:
//   USB: @device:pnp:\\?\usb#vid_046d&pid_0825&mi_00#<instance>#{65e8773d-...}\global
//   PCI: @device:pnp:\\?\pci#ven_109e&dev_036e&subsys_00000070#<instance>#{65e8773d-...}\global
//        (subsys: the subsystem device id, then the subsystem vendor id)
// The instance is the serial (ID_SERIAL_SHORT, characters other than [A-Za-z0-9_.-] replaced
// by '_') where there is one, else "6&" + eight hexadecimal digits hashed from the ids and the
// port path (ID_PATH with any USB bus number dropped, the PCI controller kept) + "&0&00" + the
// interface number, so that identical cameras on different ports differ.
// A node without vendor and product ids (platform devices, vivid, loopback) gets a class-manager
// name: @device:cm:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\ + the card name (ID_V4L_PRODUCT, else
// V4L_NAME, else the sysname) + "_" + eight hexadecimal digits hashed from ID_PATH where it has
// one.
std::string V4l2DisplayName(const V4l2NodeInfo& node);

}  // namespace devices
