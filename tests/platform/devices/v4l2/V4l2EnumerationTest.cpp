// V4L2 nodes in the system device enumerator: real cameras before virtual ones, metadata nodes
// left out, names that survive replug and renumbering, identical cameras told apart by port,
// and binding by display name.

#include <gtest/gtest.h>

#include "../Binding.h"
#include "devices/capture/DeviceResults.h"
#include "devices/v4l2/FakeV4l2.h"
#include "devices/virtual/VirtualDevices.h"
#include "platform/ui/TestApplication.h"

namespace devices_test {
namespace {

using devices::FakeV4l2;
using devices::FakeV4l2Device;

FakeV4l2Device UsbCamera(std::string card, std::string port, std::string serial = {}) {
  FakeV4l2Device camera;
  camera.card = std::move(card);
  camera.properties = {{"ID_BUS", "usb"},
                       {"ID_VENDOR_ID", "046d"},
                       {"ID_MODEL_ID", "0825"},
                       {"ID_USB_INTERFACE_NUM", "00"},
                       {"ID_PATH", "pci-0000:00:14.0-usb-0:" + port + ":1.0"}};
  if (!serial.empty()) camera.properties["ID_SERIAL_SHORT"] = serial;
  return camera;
}

std::vector<ListedDevice> VideoDevices() {
  return ListDevices(CLSID_VideoInputDeviceCategory);
}

class V4l2Enumeration : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::TestApplication();
    virtualdevices::Reset();
    devices::SetDefaultV4l2Api(fake_);
  }
  void TearDown() override {
    devices::SetDefaultV4l2Api(nullptr);
    virtualdevices::Reset();
  }

  std::shared_ptr<FakeV4l2> fake_ = std::make_shared<FakeV4l2>();
};

TEST_F(V4l2Enumeration, CamerasComeBeforeVirtualDevicesAndMetadataNodesAreLeftOut) {
  fake_->Plug("/dev/video0", UsbCamera("HD Webcam", "2"), true);
  FakeV4l2Device metadata = UsbCamera("HD Webcam", "2");
  metadata.deviceCaps = V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
  fake_->Plug("/dev/video1", metadata, true);
  ASSERT_TRUE(virtualdevices::Plug(R"({"friendlyName": "Virtual Camera"})"));

  const auto listed = VideoDevices();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].friendlyName, "HD Webcam");
  EXPECT_EQ(listed[0].devicePath, "/dev/video0");
  EXPECT_EQ(listed[0].displayName.rfind("@device:pnp:\\\\?\\usb#vid_046d&pid_0825&mi_00#", 0), 0u);
  EXPECT_EQ(listed[1].friendlyName, "Virtual Camera");
}

TEST_F(V4l2Enumeration, ACameraKeepsItsNameOnAnotherNodeAndIdenticalOnesDifferByPort) {
  fake_->Plug("/dev/video0", UsbCamera("Cam", "2"), true);
  fake_->Plug("/dev/video2", UsbCamera("Cam", "3"), true);
  const auto before = VideoDevices();
  ASSERT_EQ(before.size(), 2u);
  EXPECT_NE(before[0].displayName, before[1].displayName);

  // Replugged in the other order, the nodes swap numbers; each port keeps its name.
  fake_->UnplugAll();
  fake_->Plug("/dev/video0", UsbCamera("Cam", "3"), true);
  fake_->Plug("/dev/video2", UsbCamera("Cam", "2"), true);
  const auto after = VideoDevices();
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0].displayName, before[1].displayName);
  EXPECT_EQ(after[1].displayName, before[0].displayName);

  // A camera with a serial keeps its name on any port.
  fake_->UnplugAll();
  fake_->Plug("/dev/video0", UsbCamera("Cam", "2", "A1B2"), true);
  const std::string serialName = VideoDevices()[0].displayName;
  fake_->UnplugAll();
  fake_->Plug("/dev/video4", UsbCamera("Cam", "5", "A1B2"), true);
  EXPECT_EQ(VideoDevices()[0].displayName, serialName);
}

TEST_F(V4l2Enumeration, AMonikerBindsItsNodeAndFailsOnceTheNodeIsGone) {
  fake_->Plug("/dev/video0", UsbCamera("Cam", "2"), true);
  const std::string name = VideoDevices()[0].displayName;
  ComPtr<IMoniker> moniker = FindMoniker(name);
  ASSERT_TRUE(moniker);
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(
      moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()),
      S_OK);
  EXPECT_TRUE(PinNamed(filter.Get(), "Capture"));
  filter.Reset();

  fake_->UnplugAll();
  EXPECT_EQ(
      moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()),
      devices::kDeviceNotConnected);
}

}  // namespace
}  // namespace devices_test
