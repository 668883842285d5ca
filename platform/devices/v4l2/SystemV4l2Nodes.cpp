// The kernel back-end lists the nodes udev (or sysfs) knows.

#include "devices/v4l2/SystemV4l2.h"
#include "devices/v4l2/V4l2NodeList.h"

namespace devices {
namespace {

// Runs when the platform library loads, before any caller can ask for the list.
const bool kNodeListerSet = (SetSystemV4l2NodeLister(&ListVideoNodes), true);

}  // namespace
}  // namespace devices
