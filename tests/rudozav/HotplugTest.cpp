// The device lists and hot-plug against the platform's virtual devices.

#include <QTest>
#include <algorithm>

#include "ComponentFixture.h"
#include "clock/Clock.h"
#include "devices/virtual/VirtualDevices.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"

namespace rudozav_test {
namespace {

constexpr char kTwinCameras[] = R"({"devices": [
  {"category": "video", "friendlyName": "Twin Camera", "vid": "1d6b", "pid": "0102"},
  {"category": "video", "friendlyName": "Twin Camera", "vid": "1d6b", "pid": "0102"}]})";

std::string Camera(const std::string& instance) {
  return R"({"devices": [{"category": "video", "friendlyName": "Desk Camera", "vid": "046d",
             "pid": "0825", "instance": ")" +
         instance + R"("}]})";
}

class HotplugTest : public ComponentTest {
 protected:
  HotplugTest() : ComponentTest(false, true) {}

  TDevicesManager& Manager() { return *DevicesManager(); }

  // Waits until the notification a plug or unplug posted has reached the manager's hook.
  void ExpectNotified() {
    const DWORD due = GetTickCount() + TDevicesManager::kRebuildDelay;
    EXPECT_TRUE(QTest::qWaitFor([&] { return Manager().RebuildDueTime() == due; }, 20000));
  }

  void TickAfterTheDelay() {
    sysclock::Advance(TDevicesManager::kRebuildDelay + 1);
    Manager().DevicesManagerTick();
  }

  int Count(const std::string& event) const {
    return static_cast<int>(std::count(events.begin(), events.end(), event));
  }
};

TEST_F(HotplugTest, TwoIdenticalCamerasShareTheirNameButNotTheirKey) {
  ASSERT_TRUE(virtualdevices::Plug(kTwinCameras));
  TRavorOderiri& component = CreateLoaded();
  EXPECT_EQ(component.VideoDevices(), "Twin Camera (WDM)\r\nTwin Camera (WDM)");
  const TDevices& cameras = *VideoDeviceList();
  EXPECT_NE(cameras.Items[0].RegistryName, cameras.Items[1].RegistryName);
  EXPECT_EQ(cameras.Items[0].HardwareId, "VID_1D6B PID_0102 MI_00");
  EXPECT_EQ(DeviceFilterName(cameras, 1), "Twin Camera (WDM) 1");
}

TEST_F(HotplugTest, AnUnpluggedCameraComesBackUnderItsIndex) {
  ASSERT_TRUE(virtualdevices::Plug(Camera("7&3a&0&0000")));
  ASSERT_TRUE(virtualdevices::Plug(Camera("7&3a&0&0001")));
  TRavorOderiri& component = CreateLoaded();
  Record(component);
  Manager().DevicesManagerFirstTick();
  const std::string first =
      virtualdevices::DisplayNames(devices::DeviceCategory::kVideoInput).front();

  ASSERT_TRUE(virtualdevices::Unplug(first));
  ExpectNotified();
  TickAfterTheDelay();
  EXPECT_EQ(events, std::vector<std::string>{"DeviceRemoval"});

  events.clear();
  ASSERT_TRUE(virtualdevices::Plug(Camera("7&3a&0&0000")));
  ExpectNotified();
  TickAfterTheDelay();
  EXPECT_EQ(events, std::vector<std::string>{"DeviceArrival"});
  const TDevices& cameras = *VideoDeviceList();
  ASSERT_EQ(cameras.Count(), 2);
  EXPECT_EQ(cameras.Items[0].InstanceId, "7&3a&0&0000");
}

TEST_F(HotplugTest, ABurstOfPlugsGivesOneRebuildASecondAfterTheLast) {
  TRavorOderiri& component = CreateLoaded();
  Record(component);
  Manager().DevicesManagerFirstTick();
  for (const char* instance : {"7&1&0&0000", "7&2&0&0000", "7&3&0&0000"}) {
    ASSERT_TRUE(virtualdevices::Plug(Camera(instance)));
    ExpectNotified();
    sysclock::Advance(400);
    Manager().DevicesManagerTick();
  }
  sysclock::Advance(TDevicesManager::kRebuildDelay - 400);
  Manager().DevicesManagerTick();
  EXPECT_EQ(component.VideoDevicesCount(), 0);
  sysclock::Advance(1);
  Manager().DevicesManagerTick();
  EXPECT_EQ(component.VideoDevicesCount(), 3);
  EXPECT_EQ(Count("DeviceArrival"), 1);
  EXPECT_EQ(component.CurrentDeviceIndex(), -1);  // several cameras: none is chosen for the user
}

TEST_F(HotplugTest, DvCamerasAreNamedByHardwareAndExcludedCompressorsAreLeftOut) {
  ASSERT_TRUE(virtualdevices::Plug(R"({"devices": [
    {"category": "video", "friendlyName": "Microsoft DV Camera and VCR", "bus": "avc",
     "vid": "04da", "pid": "1234"},
    {"category": "audioCompressor", "friendlyName": "MPEG Layer-3", "formatTag": 85},
    {"category": "audioCompressor", "friendlyName": "PCM Packer", "formatTag": 1}]})"));
  TRavorOderiri& component = CreateLoaded();
  EXPECT_EQ(component.VideoDevices(), "VID_04DA PID_1234 MI_00");
  const TDevices& compressors = *AudioCompressorList();
  EXPECT_EQ(compressors.NamesText(), "PCM Packer");
  EXPECT_EQ(compressors.EnumeratedCount, 2);
}

}  // namespace
}  // namespace rudozav_test
