#include "devices/virtual/VirtualDevices.h"

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>

#include "com/Diagnostics.h"
#include "devices/virtual/DescriptionFileWatcher.h"
#include "devices/virtual/DescriptionParser.h"
#include "devices/virtual/VirtualDeviceRegistry.h"
#include "devices/virtual/VirtualDevicesEnvironment.h"

namespace virtualdevices {
namespace {

using devices::PlugOrigin;
using devices::VirtualDeviceRegistry;

struct FileState {
  std::mutex mutex;
  std::string path;              // guarded by mutex; empty: no file in use
  std::string lastText;          // guarded by mutex; what the devices were last made from
  bool environmentRead = false;  // guarded by mutex
};

FileState& File() {
  static auto* state = new FileState;  // never destroyed, like the registry
  return *state;
}

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream stream(path, std::ios::binary);
  if (!stream) return std::nullopt;
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

// The watcher's handler (UI thread): brings the devices in line with the file.
void ReloadDescriptionFile() {
  std::string path;
  {
    std::lock_guard lock(File().mutex);
    path = File().path;
  }
  if (path.empty()) return;
  const auto text = ReadFile(path);
  {
    std::lock_guard lock(File().mutex);
    if (File().path != path) return;  // another file took over meanwhile
    const std::string current = text.value_or("");
    if (text && current == File().lastText) return;
    File().lastText = current;
  }
  if (!text) {
    diag::Debug("devices", path, " is gone: its devices are unplugged");
    VirtualDeviceRegistry::Instance().ReplaceFileDevices({});
    return;
  }
  std::string error;
  auto parsed = devices::ParseDeviceDescriptions(*text, &error);
  if (!parsed) {
    diag::Warn("devices", path + " does not parse, its devices stay as they were: " + error);
    return;
  }
  VirtualDeviceRegistry::Instance().ReplaceFileDevices(std::move(*parsed));
}

}  // namespace

PlugResult Plug(std::string_view json) {
  devices::EnsureVirtualDevicesEnvironmentRead();
  PlugResult result;
  auto parsed = devices::ParseDeviceDescriptions(json, &result.error);
  if (!parsed) return result;
  return VirtualDeviceRegistry::Instance().Plug(std::move(*parsed), PlugOrigin::kApi);
}

PlugResult Plug(const devices::DeviceDescription& device) {
  devices::EnsureVirtualDevicesEnvironmentRead();
  return VirtualDeviceRegistry::Instance().Plug({device}, PlugOrigin::kApi);
}

bool Unplug(std::string_view displayName) {
  return VirtualDeviceRegistry::Instance().Unplug(displayName);
}

void UnplugAll() {
  VirtualDeviceRegistry::Instance().UnplugAll();
}

std::vector<std::string> DisplayNames(devices::DeviceCategory category) {
  devices::EnsureVirtualDevicesEnvironmentRead();
  std::vector<std::string> names;
  for (const auto& device : VirtualDeviceRegistry::Instance().Devices(category)) {
    names.push_back(device.displayName);
  }
  return names;
}

bool LoadFromEnvironment(std::string* error) {
  devices::MarkVirtualDevicesEnvironmentRead();
  const char* value = std::getenv("RUDOZAV_VIRTUAL_DEVICES");
  const std::string setting = value == nullptr ? "" : value;
  if (setting.empty()) return true;
  if (setting == "demo") {
    StopWatchingDescriptionFile();
    VirtualDeviceRegistry::Instance().ReplaceFileDevices(devices::DemoDevices());
    return true;
  }
  return UseDescriptionFile(setting, error);
}

bool UseDescriptionFile(const std::string& path, std::string* error) {
  devices::MarkVirtualDevicesEnvironmentRead();
  const auto text = ReadFile(path);
  std::string parseError = "cannot read " + path;
  auto parsed = text ? devices::ParseDeviceDescriptions(*text, &parseError) : std::nullopt;
  if (!parsed) {
    diag::Warn("devices", "virtual devices: " + parseError);
    if (error != nullptr) *error = parseError;
    return false;
  }
  {
    std::lock_guard lock(File().mutex);
    File().path = path;
    File().lastText = *text;
  }
  VirtualDeviceRegistry::Instance().ReplaceFileDevices(std::move(*parsed));
  devices::WatchDescriptionFile(path, ReloadDescriptionFile);
  return true;
}

void StopWatchingDescriptionFile() {
  {
    std::lock_guard lock(File().mutex);
    File().path.clear();
    File().lastText.clear();
  }
  devices::StopWatchingDescriptionFile();
}

void Reset() {
  devices::MarkVirtualDevicesEnvironmentRead();
  StopWatchingDescriptionFile();
  VirtualDeviceRegistry::Instance().Clear();
}

}  // namespace virtualdevices

namespace devices {

void EnsureVirtualDevicesEnvironmentRead() {
  {
    std::lock_guard lock(virtualdevices::File().mutex);
    if (virtualdevices::File().environmentRead) return;
    virtualdevices::File().environmentRead = true;
  }
  std::string error;
  // A bad setting has been reported as a warning; the program goes on without the devices.
  (void)virtualdevices::LoadFromEnvironment(&error);
}

void MarkVirtualDevicesEnvironmentRead() {
  std::lock_guard lock(virtualdevices::File().mutex);
  virtualdevices::File().environmentRead = true;
}

}  // namespace devices
