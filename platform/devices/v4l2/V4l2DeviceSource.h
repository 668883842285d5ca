#pragma once
// V4L2 capture nodes as a source of the system device enumerator: every node of the
// video4linux subsystem that captures video (metadata and memory-to-memory nodes left out),
// named by its card ("FriendlyName"), with a display name built from its hardware identity so
// that a camera keeps its name (and so its settings) across replug, reboots and renumbering.
// The nodes are read through DefaultV4l2Api each time, so a fake installed by a test is seen.
//
// Threads: any thread; nothing is kept between calls.

#include <memory>
#include <string>
#include <vector>

#include "devices/DeviceSource.h"
#include "devices/v4l2/V4l2Api.h"

namespace devices {

struct V4l2CaptureNode {
  std::string displayName;
  std::string friendlyName;  // the card name
  std::string devnode;
};

// The capture nodes present now, in node order.
std::vector<V4l2CaptureNode> ListV4l2CaptureNodes(const std::shared_ptr<V4l2Api>& api);

class V4l2DeviceSource : public DeviceSource {
 public:
  void AppendMonikers(REFCLSID category, std::vector<ComPtr<IMoniker>>& monikers) override;
};

// Makes the capture filter of the node with that display name. Fails with kDeviceNotConnected
// when no such node is present.
HRESULT BindV4l2Device(const std::string& displayName, REFIID riid, void** object);

}  // namespace devices
