// Video nodes listed from sysfs, as in a container without a udev database.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "devices/v4l2/V4l2NodeList.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using devices::ListVideoNodesFromSysfs;
using devices::V4l2NodeInfo;
using Properties = std::map<std::string, std::string>;

// A sysfs tree laid out as the kernel lays it out: device directories under devices/, each node
// in its parent's video4linux/ with a relative "device" link to the parent, and
// class/video4linux/<node> a relative link to the node's directory.
class FakeSysfs {
 public:
  explicit FakeSysfs(fs::path root) : root_(std::move(root)) {
    fs::create_directories(root_ / "class" / "video4linux");
  }

  void Attributes(const std::string& device, const Properties& attributes) {
    fs::create_directories(root_ / "devices" / device);
    for (const auto& [name, value] : attributes) {
      std::ofstream(root_ / "devices" / device / name) << value << "\n";
    }
  }

  // parent empty: a node without a parent device (devices/virtual).
  void Node(const std::string& parent, const std::string& sysname, const std::string& card) {
    const fs::path home = parent.empty() ? fs::path("virtual") : fs::path(parent);
    const fs::path node = root_ / "devices" / home / "video4linux" / sysname;
    fs::create_directories(node);
    std::ofstream(node / "name") << card << "\n";
    if (!parent.empty()) {
      fs::create_directory_symlink(fs::path("../../..") / home.filename(), node / "device");
    }
    fs::create_directory_symlink(fs::path("../../devices") / home / "video4linux" / sysname,
                                 root_ / "class" / "video4linux" / sysname);
  }

  const fs::path& root() const { return root_; }

 private:
  fs::path root_;
};

constexpr char kXhci[] = "pci0000:00/0000:00:14.0";

// Two cameras with serials and without, two identical ones behind a hub, a PCI card behind a
// bridge, vivid and a loopback device.
FakeSysfs Machine(const fs::path& root) {
  FakeSysfs sys(root);
  const std::string bus = std::string(kXhci) + "/usb1";
  sys.Attributes(std::string(kXhci), {{"vendor", "0x8086"}, {"device", "0xa36d"}});
  sys.Attributes(bus, {{"idVendor", "1d6b"}, {"idProduct", "0002"}});

  sys.Attributes(bus + "/1-2", {{"idVendor", "046d"}, {"idProduct", "0825"}, {"serial", "A1B2C3"}});
  sys.Attributes(bus + "/1-2/1-2:1.0", {{"bInterfaceNumber", "00"}});
  sys.Node(bus + "/1-2/1-2:1.0", "video0", "UVC Camera (046d:0825)");
  sys.Node(bus + "/1-2/1-2:1.0", "video1", "UVC Camera (046d:0825)");

  sys.Attributes(bus + "/1-3", {{"idVendor", "0C45"}, {"idProduct", "6366"}, {"serial", ""}});
  sys.Attributes(bus + "/1-3/1-3:1.2", {{"bInterfaceNumber", "02"}});
  sys.Node(bus + "/1-3/1-3:1.2", "video4", "USB Live camera");

  sys.Attributes(bus + "/1-4", {{"idVendor", "05e3"}, {"idProduct", "0610"}});
  for (const std::string port : {"1-4.1", "1-4.2"}) {
    sys.Attributes(bus + "/1-4/" + port, {{"idVendor", "1908"}, {"idProduct", "2311"}});
    sys.Attributes(bus + "/1-4/" + port + "/" + port + ":1.0", {{"bInterfaceNumber", "00"}});
  }
  sys.Node(bus + "/1-4/1-4.1/1-4.1:1.0", "video10", "USB2.0 PC CAMERA");
  sys.Node(bus + "/1-4/1-4.2/1-4.2:1.0", "video2", "USB2.0 PC CAMERA");

  sys.Attributes("pci0000:00/0000:00:1c.0", {{"vendor", "0x8086"}, {"device", "0xa110"}});
  sys.Attributes("pci0000:00/0000:00:1c.0/0000:03:00.0", {{"vendor", "0x109e"},
                                                          {"device", "0x036E"},
                                                          {"subsystem_vendor", "0x0070"},
                                                          {"subsystem_device", "0x13eb"}});
  sys.Node("pci0000:00/0000:00:1c.0/0000:03:00.0", "video3", "BT878 video (Hauppauge)");

  sys.Attributes("platform/vivid.0", {});
  sys.Node("platform/vivid.0", "video5", "vivid-000-vid-cap");
  sys.Node("", "video7", "Dummy video device (0x0000)");
  return sys;
}

TEST(V4l2NodeListTest, ListsEveryNodeByItsNumber) {
  const testing_support::TempDir dir;
  Machine(dir.path());

  std::vector<std::string> sysnames;
  for (const V4l2NodeInfo& node : ListVideoNodesFromSysfs(dir.path().string())) {
    sysnames.push_back(node.sysname);
    EXPECT_EQ(node.devnode, "/dev/" + node.sysname);
  }
  EXPECT_TRUE(ListVideoNodesFromSysfs((dir.path() / "none").string()).empty());
  EXPECT_EQ(sysnames, (std::vector<std::string>{"video0", "video1", "video2", "video3", "video4",
                                                "video5", "video7", "video10"}));
}

TEST(V4l2NodeListTest, GivesTheParentsIdentityAsUdevWould) {
  const testing_support::TempDir dir;
  Machine(dir.path());
  // Each node's properties without V4L_NAME; empty values are absent properties.
  struct Row {
    const char* bus;
    const char* vendor;
    const char* model;
    const char* interface;
    const char* serial;
    const char* path;
  };
  // clang-format off
  const std::map<std::string, Row> expected = {
      {"video0", {"usb", "046d", "0825", "00", "A1B2C3", "pci-0000:00:14.0-usb-0:2:1.0"}},
      {"video4", {"usb", "0c45", "6366", "02", "", "pci-0000:00:14.0-usb-0:3:1.2"}},  // serial ""
      {"video10", {"usb", "1908", "2311", "00", "", "pci-0000:00:14.0-usb-0:4.1:1.0"}},
      {"video2", {"usb", "1908", "2311", "00", "", "pci-0000:00:14.0-usb-0:4.2:1.0"}},
      {"video3", {"pci", "109e", "036e", "", "", "pci-0000:03:00.0"}},  // the card, not the bridge
      {"video5", {"", "", "", "", "", "platform-vivid.0"}},
      {"video7", {"", "", "", "", "", ""}},
  };
  // clang-format on

  std::size_t compared = 0;
  for (V4l2NodeInfo node : ListVideoNodesFromSysfs(dir.path().string())) {
    const auto row = expected.find(node.sysname);
    if (row == expected.end()) continue;
    ++compared;
    Properties wanted;
    for (const auto& [key, value] : Properties{{"ID_BUS", row->second.bus},
                                               {"ID_VENDOR_ID", row->second.vendor},
                                               {"ID_MODEL_ID", row->second.model},
                                               {"ID_USB_INTERFACE_NUM", row->second.interface},
                                               {"ID_SERIAL_SHORT", row->second.serial},
                                               {"ID_PATH", row->second.path}}) {
      if (!value.empty()) wanted[key] = value;
    }
    if (node.sysname == "video3") {
      wanted["ID_PCI_SUBSYS_VENDOR_ID"] = "0070";
      wanted["ID_PCI_SUBSYS_DEVICE_ID"] = "13eb";
    }
    EXPECT_FALSE(node.properties["V4L_NAME"].empty()) << node.sysname;
    node.properties.erase("V4L_NAME");
    EXPECT_EQ(node.properties, wanted) << node.sysname;
  }
  EXPECT_EQ(compared, expected.size());
}

}  // namespace
