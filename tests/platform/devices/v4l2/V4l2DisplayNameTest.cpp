// Which nodes are cameras, and the display names nodes are listed under.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "devices/v4l2/V4l2DisplayName.h"

namespace {

using devices::IsVideoCaptureNode;
using devices::V4l2DisplayName;
using devices::V4l2NodeInfo;

constexpr char kPort2[] = "pci-0000:00:14.0-usb-0:2:1.0";
constexpr char kPort3[] = "pci-0000:00:14.0-usb-0:3:1.0";
constexpr char kCapture[] = "{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global";

V4l2NodeInfo Camera(const std::string& sysname, const std::string& path,
                    const std::string& serial = "", const std::string& interface = "00") {
  V4l2NodeInfo node{"/dev/" + sysname,
                    sysname,
                    {{"ID_BUS", "usb"},
                     {"ID_VENDOR_ID", "046d"},
                     {"ID_MODEL_ID", "0825"},
                     {"ID_USB_INTERFACE_NUM", interface},
                     {"ID_PATH", path}}};
  if (!serial.empty()) node.properties["ID_SERIAL_SHORT"] = serial;
  return node;
}

TEST(V4l2DisplayNameTest, NameFollowsTheCameraNotTheNode) {
  struct Case {
    const char* what;
    V4l2NodeInfo first;
    V4l2NodeInfo second;
    bool sameName;
  };
  const std::vector<Case> cases = {
      {"renumbered", Camera("video0", kPort2), Camera("video2", kPort2), true},
      {"moved, with serial", Camera("video0", kPort2, "X1"), Camera("video4", kPort3, "X1"), true},
      {"bus number in the path", Camera("video0", "pci-0000:00:14.0-usb-3:2:1.0"),
       Camera("video0", "pci-0000:00:14.0-usbv2-0:2:1.0"), true},
      {"identical cameras, two ports", Camera("video0", kPort2), Camera("video2", kPort3), false},
      {"same port, two controllers", Camera("video0", kPort2),
       Camera("video0", "pci-0000:00:1d.0-usb-0:2:1.0"), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(V4l2DisplayName(c.first) == V4l2DisplayName(c.second), c.sameName) << c.what;
  }
}

TEST(V4l2DisplayNameTest, PlugAndPlayNamesSplitIntoTheirFields) {
  const V4l2NodeInfo card{"/dev/video3",
                          "video3",
                          {{"ID_BUS", "pci"},
                           {"ID_VENDOR_ID", "109e"},
                           {"ID_MODEL_ID", "036e"},
                           {"ID_PCI_SUBSYS_VENDOR_ID", "0070"},
                           {"ID_PCI_SUBSYS_DEVICE_ID", "13eb"},
                           {"ID_PATH", "pci-0000:03:00.0"}}};
  struct Case {
    V4l2NodeInfo node;
    std::string hardwareId;
    std::string instance;  // a regular expression
  };
  const std::vector<Case> cases = {
      {Camera("video0", kPort2, "A1B2C3"), "vid_046d&pid_0825&mi_00", "A1B2C3"},
      {Camera("video0", kPort2, "SN#1\\2&3 4/x.y-z"), "vid_046d&pid_0825&mi_00",
       "SN_1_2_3_4_x\\.y-z"},
      {Camera("video0", kPort2), "vid_046d&pid_0825&mi_00", "6&[0-9a-f]{8}&0&0000"},
      {Camera("video6", kPort2, "", "02"), "vid_046d&pid_0825&mi_02", "6&[0-9a-f]{8}&0&0002"},
      {card, "ven_109e&dev_036e&subsys_13eb0070", "6&[0-9a-f]{8}&0&0000"},
  };
  for (const Case& c : cases) {
    const std::string name = V4l2DisplayName(c.node);
    std::vector<std::string> fields;
    for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
      end = name.find('#', start);
      fields.push_back(name.substr(start, end - start));
    }
    ASSERT_EQ(fields.size(), 4u) << name;
    EXPECT_EQ(fields[0], "@device:pnp:\\\\?\\" + c.node.properties.at("ID_BUS")) << name;
    EXPECT_EQ(fields[1], c.hardwareId) << name;
    EXPECT_TRUE(std::regex_match(fields[2], std::regex(c.instance))) << name;
    EXPECT_EQ(fields[3], kCapture) << name;
  }
}

TEST(V4l2DisplayNameTest, NodesWithoutIdsGetClassManagerNames) {
  const std::string videoInput = "@device:cm:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\";
  const V4l2NodeInfo vivid{
      "/dev/video5", "video5", {{"ID_PATH", "platform-vivid.0"}, {"ID_V4L_PRODUCT", "vivid"}}};
  V4l2NodeInfo renumbered = vivid;
  renumbered.sysname = "video9";
  const V4l2NodeInfo loopback{"/dev/video7", "video7", {{"V4L_NAME", "Dummy video device"}}};

  const std::string name = V4l2DisplayName(vivid);
  EXPECT_EQ(name.substr(0, videoInput.size()), videoInput);
  EXPECT_TRUE(std::regex_match(name.substr(videoInput.size()), std::regex("vivid_[0-9a-f]{8}")))
      << name;
  EXPECT_EQ(V4l2DisplayName(renumbered), name);
  EXPECT_EQ(V4l2DisplayName(loopback), videoInput + "Dummy video device");
}

TEST(V4l2DisplayNameTest, OnlyVideoCaptureNodesAreCameras) {
  constexpr std::uint32_t kDeviceCaps = V4L2_CAP_DEVICE_CAPS;
  constexpr std::uint32_t kCamera = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
  constexpr std::uint32_t kUvc = kCamera | V4L2_CAP_META_CAPTURE | kDeviceCaps;
  struct Case {
    const char* what;
    std::uint32_t capabilities;
    std::uint32_t deviceCaps;
    bool camera;
  };
  const std::vector<Case> cases = {
      {"camera", kUvc, kCamera, true},
      {"metadata node of that camera", kUvc, V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING, false},
      {"driver without device caps", kCamera, 0, true},
      {"multi-planar", kDeviceCaps, V4L2_CAP_VIDEO_CAPTURE_MPLANE | V4L2_CAP_READWRITE, true},
      {"neither streaming nor read", kDeviceCaps | kCamera, V4L2_CAP_VIDEO_CAPTURE, false},
      {"m2m", kDeviceCaps, V4L2_CAP_VIDEO_M2M_MPLANE | V4L2_CAP_STREAMING, false},
      {"capture and output", kDeviceCaps, kCamera | V4L2_CAP_VIDEO_OUTPUT, false},
  };
  for (const Case& c : cases) {
    v4l2_capability caps{};
    caps.capabilities = c.capabilities;
    caps.device_caps = c.deviceCaps;
    EXPECT_EQ(IsVideoCaptureNode(caps), c.camera) << c.what;
  }
}

}  // namespace
