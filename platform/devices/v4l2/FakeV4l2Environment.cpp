#include "devices/v4l2/FakeV4l2Environment.h"

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "com/Diagnostics.h"
#include "devices/v4l2/FakeV4l2.h"
#include "devices/v4l2/FakeV4l2Description.h"
#include "devices/virtual/DescriptionParser.h"

namespace devices {
namespace {

std::optional<std::vector<DeviceDescription>> Described(const std::string& setting) {
  if (setting == "demo") return DemoDevices();
  std::ifstream file(setting);
  std::stringstream text;
  text << file.rdbuf();
  std::string error = "cannot read " + setting;
  auto parsed = file ? ParseDeviceDescriptions(text.str(), &error) : std::nullopt;
  if (!parsed) diag::Warn("v4l2", "RUDOZAV_FAKE_V4L2: " + error);
  return parsed;
}

std::shared_ptr<V4l2Api> Make() {
  const char* value = std::getenv("RUDOZAV_FAKE_V4L2");
  if (value == nullptr || *value == '\0') return nullptr;
  const auto described = Described(value);
  if (!described) return nullptr;
  auto fake = std::make_shared<FakeV4l2>();
  int node = 0;
  for (const DeviceDescription& device : *described) {
    if (device.category != DeviceCategory::kVideoInput) continue;
    fake->Plug("/dev/video" + std::to_string(node), FakeV4l2DeviceFrom(device), true);
    node += 2;  // cameras have a metadata node after their capture node
  }
  return fake;
}

}  // namespace

std::shared_ptr<V4l2Api> FakeV4l2FromEnvironment() {
  static const std::shared_ptr<V4l2Api> fake = Make();
  return fake;
}

}  // namespace devices
