#pragma once
// The back-ends of the system device enumerator. Each kind of device (the virtual devices of
// a JSON description, V4L2 cameras, ALSA capture devices, the codecs on the machine) is one
// source; the enumerator asks every source in turn for the monikers of a category.
//
// Any thread may add, remove and list sources; a source answers on the thread that enumerates
// (normally the UI thread) and must guard its own state.

#include <memory>
#include <vector>

#include "dshow/EnumInterfaces.h"

namespace devices {

class DeviceSource {
 public:
  virtual ~DeviceSource() = default;
  // Appends the monikers of the category's devices present now, in a stable order.
  virtual void AppendMonikers(REFCLSID category, std::vector<ComPtr<IMoniker>>& monikers) = 0;
};

// Real devices come first in every list, virtual ones after them.
enum class DeviceSourceKind { kReal, kVirtual };

// Sources are asked in the order they were added, the real ones before the virtual ones. Each
// back-end adds its source when the platform is loaded.
void AddDeviceSource(std::shared_ptr<DeviceSource> source,
                     DeviceSourceKind kind = DeviceSourceKind::kReal);
void RemoveDeviceSource(const DeviceSource* source);
std::vector<std::shared_ptr<DeviceSource>> DeviceSources();

// The monikers of every source for the category, in order.
std::vector<ComPtr<IMoniker>> EnumerateDevices(REFCLSID category);

}  // namespace devices
