#pragma once
// A crossbar filter of a virtual capture card: the shared crossbar with the described routing
// matrix and nothing behind it, so a route changes only the routing.
//
// Threads: application thread, like any filter's connections and controls.

#include "devices/capture/CrossbarFilter.h"
#include "devices/virtual/VirtualDevices.h"

namespace devices {

class VirtualCrossbar : public CrossbarFilter {
 public:
  explicit VirtualCrossbar(const CrossbarDescription& crossbar)
      : CrossbarFilter(CLSID_VirtualDevice, crossbar) {}
};

}  // namespace devices
