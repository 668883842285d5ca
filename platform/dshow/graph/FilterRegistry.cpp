#include "dshow/graph/FilterRegistry.h"

#include <algorithm>
#include <mutex>

namespace dshow {
namespace {

struct Registry {
  std::mutex lock;
  std::vector<FilterRegistration> entries;
  FileSourceFactory fileSource;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void FilterRegistry::Register(FilterRegistration registration) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  auto& entries = registry.entries;
  const auto same = [&](const FilterRegistration& e) { return e.clsid == registration.clsid; };
  entries.erase(std::remove_if(entries.begin(), entries.end(), same), entries.end());
  entries.push_back(std::move(registration));
}

void FilterRegistry::Unregister(REFCLSID clsid) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  auto& entries = registry.entries;
  const auto same = [&](const FilterRegistration& e) { return e.clsid == clsid; };
  entries.erase(std::remove_if(entries.begin(), entries.end(), same), entries.end());
}

std::vector<FilterRegistration> FilterRegistry::Candidates(FilterRole role) {
  std::vector<FilterRegistration> found;
  {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.lock);
    for (const auto& entry : registry.entries) {
      if (entry.role == role && entry.merit > MERIT_DO_NOT_USE) found.push_back(entry);
    }
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.merit > b.merit; });
  return found;
}

void FilterRegistry::SetFileSourceFactory(FileSourceFactory factory) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  registry.fileSource = std::move(factory);
}

FileSourceFactory FilterRegistry::FileSource() {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.lock);
  return registry.fileSource;
}

}  // namespace dshow
