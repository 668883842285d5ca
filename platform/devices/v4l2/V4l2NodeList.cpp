#include "devices/v4l2/V4l2NodeList.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <tuple>

namespace devices {
namespace fs = std::filesystem;
namespace {

// The number ending a sysname ("video12" → 12); names without one sort first.
long NodeNumber(const std::string& sysname) {
  std::size_t start = sysname.size();
  while (start > 0 && std::isdigit(static_cast<unsigned char>(sysname[start - 1])))
    --start;
  if (start == sysname.size() || sysname.size() - start > 9) return -1;
  return std::stol(sysname.substr(start));
}

void SortByNodeNumber(std::vector<V4l2NodeInfo>& nodes) {
  std::sort(nodes.begin(), nodes.end(), [](const V4l2NodeInfo& a, const V4l2NodeInfo& b) {
    return std::make_tuple(NodeNumber(a.sysname), a.sysname) <
           std::make_tuple(NodeNumber(b.sysname), b.sysname);
  });
}

std::string Text(const char* value) {
  return value == nullptr ? std::string() : value;
}

std::optional<std::vector<V4l2NodeInfo>> ListUdevNodes() {
  UdevContext context(udev_new());
  if (!context) return std::nullopt;
  UdevEnumerate enumerate(udev_enumerate_new(context.get()));
  if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "video4linux") < 0 ||
      udev_enumerate_scan_devices(enumerate.get()) < 0) {
    return std::nullopt;
  }
  std::vector<V4l2NodeInfo> nodes;
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
    UdevDevice device(udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
    if (!device) continue;  // removed since the scan
    V4l2NodeInfo node;
    node.sysname = Text(udev_device_get_sysname(device.get()));
    node.devnode = Text(udev_device_get_devnode(device.get()));
    if (node.devnode.empty()) node.devnode = "/dev/" + node.sysname;
    node.properties = UdevProperties(device.get());
    if (const char* name = udev_device_get_sysattr_value(device.get(), "name")) {
      node.properties[kV4lNameProperty] = TrimSpace(name);
    }
    AddPciIdentity(device.get(), node.properties);
    nodes.push_back(std::move(node));
  }
  return nodes;
}

}  // namespace

std::vector<V4l2NodeInfo> ListVideoNodes() {
  if (!HasUdevDatabase()) return ListVideoNodesFromSysfs("/sys");
  auto nodes = ListUdevNodes();
  if (!nodes) return ListVideoNodesFromSysfs("/sys");
  // Nodes that udev knows without any identity: udev runs without its rules (a container).
  const bool identified = std::any_of(nodes->begin(), nodes->end(), [](const V4l2NodeInfo& node) {
    return HasIdentity(node.properties);
  });
  if (!nodes->empty() && !identified) return ListVideoNodesFromSysfs("/sys");
  SortByNodeNumber(*nodes);
  return *nodes;
}

std::vector<V4l2NodeInfo> ListVideoNodesFromSysfs(const std::string& sysRoot) {
  std::vector<V4l2NodeInfo> nodes;
  std::error_code error;
  const fs::path root(sysRoot);
  const fs::path devicesRoot = fs::weakly_canonical(root / "devices", error);
  fs::directory_iterator entries(root / "class" / "video4linux", error);
  if (error) return nodes;
  for (const fs::directory_entry& entry : entries) {
    V4l2NodeInfo node;
    node.sysname = entry.path().filename().string();
    node.devnode = "/dev/" + node.sysname;
    if (const auto name = ReadSysfsAttribute(entry.path() / "name")) {
      node.properties[kV4lNameProperty] = *name;
    }
    std::error_code linkError;
    const fs::path device = fs::canonical(entry.path() / "device", linkError);
    // Virtual nodes have no parent device.
    if (!linkError) FillIdentityFromSysfs(device, devicesRoot, node.properties);
    nodes.push_back(std::move(node));
  }
  SortByNodeNumber(nodes);
  return nodes;
}

}  // namespace devices
