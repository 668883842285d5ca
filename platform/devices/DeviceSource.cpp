#include "devices/DeviceSource.h"

#include <algorithm>
#include <mutex>

namespace devices {
namespace {

struct SourceList {
  std::mutex mutex;
  std::vector<std::shared_ptr<DeviceSource>> sources;  // guarded by mutex
  std::size_t realCount = 0;                           // guarded by mutex; the first ones
};

SourceList& Sources() {
  static auto* list = new SourceList;  // never destroyed: sources may be used during exit
  return *list;
}

}  // namespace

void AddDeviceSource(std::shared_ptr<DeviceSource> source, DeviceSourceKind kind) {
  if (!source) return;
  SourceList& list = Sources();
  std::lock_guard lock(list.mutex);
  if (kind == DeviceSourceKind::kVirtual) {
    list.sources.push_back(std::move(source));
    return;
  }
  list.sources.insert(list.sources.begin() + static_cast<std::ptrdiff_t>(list.realCount),
                      std::move(source));
  ++list.realCount;
}

void RemoveDeviceSource(const DeviceSource* source) {
  SourceList& list = Sources();
  std::lock_guard lock(list.mutex);
  for (std::size_t i = 0; i < list.sources.size(); ++i) {
    if (list.sources[i].get() != source) continue;
    list.sources.erase(list.sources.begin() + static_cast<std::ptrdiff_t>(i));
    if (i < list.realCount) --list.realCount;
    return;
  }
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
