#include "devices/v4l2/V4l2NodeList.h"

#include <libudev.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <system_error>
#include <tuple>

namespace devices {
namespace fs = std::filesystem;
namespace {

struct UdevRelease {
  void operator()(udev* context) const { udev_unref(context); }
  void operator()(udev_enumerate* enumerate) const { udev_enumerate_unref(enumerate); }
  void operator()(udev_device* device) const { udev_device_unref(device); }
};
using UdevContext = std::unique_ptr<udev, UdevRelease>;
using UdevEnumerate = std::unique_ptr<udev_enumerate, UdevRelease>;
using UdevDevice = std::unique_ptr<udev_device, UdevRelease>;

std::string Trim(std::string text) {
  const auto isSpace = [](unsigned char c) { return std::isspace(c) != 0; };
  text.erase(std::find_if_not(text.rbegin(), text.rend(), isSpace).base(), text.end());
  text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), isSpace));
  return text;
}

std::string Lower(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A sysfs attribute's text without its line end, or nullopt where the file cannot be read.
std::optional<std::string> ReadAttribute(const fs::path& file) {
  std::ifstream in(file);
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return Trim(std::move(text));
}

// "0x046D", "046d" or "46d" as "046d"; empty when the text is no hexadecimal number.
std::string Hex4(std::string text) {
  text = Lower(Trim(std::move(text)));
  if (text.rfind("0x", 0) == 0) text.erase(0, 2);
  if (text.empty() || text.size() > 4 ||
      !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c); })) {
    return {};
  }
  return std::string(4 - text.size(), '0') + text;
}

void SetHex4(V4l2NodeInfo& node, const char* property, const std::optional<std::string>& value) {
  if (!value) return;
  const std::string hex = Hex4(*value);
  if (!hex.empty()) node.properties[property] = hex;
}

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

bool IsPciAddress(const std::string& name) {
  // "0000:03:00.0": domain, bus, slot and function.
  if (name.size() != 12 || name[4] != ':' || name[7] != ':' || name[10] != '.') return false;
  for (std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u, 11u}) {
    if (!std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
  }
  return true;
}

// The subsystem of a sysfs device directory: its "subsystem" link where it has one, else what
// its attributes and name tell (trees copied without their links).
std::string SubsystemOf(const fs::path& dir, const fs::path& devicesRoot) {
  std::error_code error;
  const fs::path link = fs::read_symlink(dir / "subsystem", error);
  if (!error) return link.filename().string();
  if (fs::exists(dir / "idVendor", error) || fs::exists(dir / "bInterfaceNumber", error)) {
    return "usb";
  }
  const std::string name = dir.filename().string();
  if (IsPciAddress(name)) return "pci";
  if (dir.parent_path().filename() == "platform" &&
      dir.parent_path().parent_path() == devicesRoot) {
    return "platform";
  }
  return {};
}

// Fills a node's identity from the device directory its "device" link resolves to, walking up
// to the devices root as udev's path_id does: each run of directories of one subsystem gives
// one element of ID_PATH ("usb-0:" + the port of the nearest, with the bus number dropped as
// udev drops it; "pci-" or "platform-" + the nearest's name).
void FillFromParents(V4l2NodeInfo& node, const fs::path& device, const fs::path& devicesRoot) {
  const fs::path below = device.lexically_relative(devicesRoot);
  if (below.empty() || *below.begin() == "..") return;  // not a device of this tree
  std::string path;
  std::string previous;
  std::optional<fs::path> usbDevice;
  std::optional<fs::path> pciDevice;
  std::optional<std::string> interfaceNumber;
  const auto prepend = [&path](const std::string& element) {
    path = path.empty() ? element : element + "-" + path;
  };
  for (fs::path dir = device; dir != devicesRoot; dir = dir.parent_path()) {
    const std::string subsystem = SubsystemOf(dir, devicesRoot);
    const std::string name = dir.filename().string();
    if (subsystem == "usb") {
      if (previous != "usb") {
        const std::size_t dash = name.find('-');
        if (dash != std::string::npos) prepend("usb-0:" + name.substr(dash + 1));
      }
      if (!interfaceNumber) interfaceNumber = ReadAttribute(dir / "bInterfaceNumber");
      std::error_code error;
      if (!usbDevice && fs::exists(dir / "idVendor", error)) usbDevice = dir;
    } else if (subsystem == "pci") {
      if (previous != "pci") prepend("pci-" + name);
      if (!pciDevice) pciDevice = dir;
    } else if (subsystem == "platform") {
      if (previous != "platform") prepend("platform-" + name);
    }
    previous = subsystem;
  }
  if (!path.empty()) node.properties["ID_PATH"] = path;

  if (usbDevice) {
    node.properties["ID_BUS"] = "usb";
    SetHex4(node, "ID_VENDOR_ID", ReadAttribute(*usbDevice / "idVendor"));
    SetHex4(node, "ID_MODEL_ID", ReadAttribute(*usbDevice / "idProduct"));
    if (interfaceNumber && !interfaceNumber->empty()) {
      node.properties["ID_USB_INTERFACE_NUM"] = Lower(*interfaceNumber);
    }
    const auto serial = ReadAttribute(*usbDevice / "serial");
    if (serial && !serial->empty()) node.properties["ID_SERIAL_SHORT"] = *serial;
  } else if (pciDevice) {
    node.properties["ID_BUS"] = "pci";
    SetHex4(node, "ID_VENDOR_ID", ReadAttribute(*pciDevice / "vendor"));
    SetHex4(node, "ID_MODEL_ID", ReadAttribute(*pciDevice / "device"));
    SetHex4(node, kPciSubsystemVendorProperty, ReadAttribute(*pciDevice / "subsystem_vendor"));
    SetHex4(node, kPciSubsystemDeviceProperty, ReadAttribute(*pciDevice / "subsystem_device"));
  }
}

bool HasUdevDatabase() {
  std::error_code error;
  return fs::is_directory("/run/udev/data", error);
}

std::string Text(const char* value) {
  return value == nullptr ? std::string() : value;
}

// udev gives a PCI card's node neither ID_BUS nor ids: take them from the card.
void AddPciIdentity(udev_device* device, V4l2NodeInfo& node) {
  if (node.properties.count("ID_BUS") != 0) return;
  if (udev_device_get_parent_with_subsystem_devtype(device, "usb", nullptr) != nullptr) return;
  udev_device* card = udev_device_get_parent_with_subsystem_devtype(device, "pci", nullptr);
  if (card == nullptr) return;  // borrowed from device: not released here
  const auto attribute = [card](const char* name) -> std::optional<std::string> {
    const char* value = udev_device_get_sysattr_value(card, name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  };
  node.properties["ID_BUS"] = "pci";
  SetHex4(node, "ID_VENDOR_ID", attribute("vendor"));
  SetHex4(node, "ID_MODEL_ID", attribute("device"));
  SetHex4(node, kPciSubsystemVendorProperty, attribute("subsystem_vendor"));
  SetHex4(node, kPciSubsystemDeviceProperty, attribute("subsystem_device"));
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
    udev_list_entry* property = nullptr;
    udev_list_entry_foreach(property, udev_device_get_properties_list_entry(device.get())) {
      node.properties[Text(udev_list_entry_get_name(property))] =
          Text(udev_list_entry_get_value(property));
    }
    if (const char* name = udev_device_get_sysattr_value(device.get(), "name")) {
      node.properties[kV4lNameProperty] = Trim(name);
    }
    AddPciIdentity(device.get(), node);
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
    return node.properties.count("ID_BUS") != 0 || node.properties.count("ID_PATH") != 0;
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
    if (const auto name = ReadAttribute(entry.path() / "name")) {
      node.properties[kV4lNameProperty] = *name;
    }
    std::error_code linkError;
    const fs::path device = fs::canonical(entry.path() / "device", linkError);
    if (!linkError) FillFromParents(node, device, devicesRoot);  // virtual nodes have no parent
    nodes.push_back(std::move(node));
  }
  SortByNodeNumber(nodes);
  return nodes;
}

}  // namespace devices
