#pragma once
// Where the kernel back-end (V4l2Api.cpp) gets its node list from. SystemV4l2Nodes.cpp hands it
// ListVideoNodes when the platform is built with the udev/sysfs node list; without one it lists
// no nodes. Any thread.

#include <vector>

#include "devices/v4l2/V4l2Api.h"

namespace devices {

using V4l2NodeLister = std::vector<V4l2NodeInfo> (*)();
void SetSystemV4l2NodeLister(V4l2NodeLister lister);

}  // namespace devices
