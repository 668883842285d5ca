#include "devices/DeviceSource.h"

#include <algorithm>
#include <mutex>

#include "devices/VirtualDeviceSource.h"

namespace devices {
namespace {

struct SourceList {
  std::mutex mutex;
  std::vector<std::shared_ptr<DeviceSource>> sources;  // guarded by mutex
};

SourceList& Sources() {
  static SourceList* list = [] {
    auto* made = new SourceList;  // never destroyed: sources may be used during exit
    made->sources.push_back(VirtualDeviceSourceInstance());
    return made;
  }();
  return *list;
}

}  // namespace

void AddDeviceSource(std::shared_ptr<DeviceSource> source) {
  if (!source) return;
  std::lock_guard lock(Sources().mutex);
  Sources().sources.push_back(std::move(source));
}

void RemoveDeviceSource(const DeviceSource* source) {
  std::lock_guard lock(Sources().mutex);
  std::erase_if(Sources().sources, [source](const auto& entry) { return entry.get() == source; });
}

std::vector<std::shared_ptr<DeviceSource>> DeviceSources() {
  std::lock_guard lock(Sources().mutex);
  return Sources().sources;
}

std::vector<ComPtr<IMoniker>> EnumerateDevices(REFCLSID category) {
  std::vector<ComPtr<IMoniker>> monikers;
  for (const auto& source : DeviceSources())
    source->AppendMonikers(category, monikers);
  return monikers;
}

}  // namespace devices
