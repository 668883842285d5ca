// Device lists: names taken from monikers, exclusion, and entries that keep their index.

#include <gtest/gtest.h>

#include "FakeDevices.h"
#include "FakeMedia.h"
#include "dshow/DShow.h"
#include "rudozav/devices/DeviceNames.h"
#include "rudozav/devices/Devices.h"

namespace rudozav_test {
namespace {

TEST(DeviceNamesTest, SplitDisplayNameTakesTheIdsBetweenTheHashes) {
  const TDisplayNameParts usb = SplitDisplayName(UsbCameraDisplayName("6&2b5c7a6f&0&0000"));
  EXPECT_EQ(usb.HardwareId, "VID_046D PID_0825 MI_00");
  EXPECT_EQ(usb.InstanceId, "6&2b5c7a6f&0&0000");

  const TDisplayNameParts single =
      SplitDisplayName("@device:sw:#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global");
  EXPECT_EQ(single.HardwareId, "");
  EXPECT_EQ(single.InstanceId, "");

  EXPECT_EQ(SplitDisplayName("@device:cm:{33D9A760}\\cvid").HardwareId, "");
}

TEST(DeviceNamesTest, ExcludedFragmentsAreMatchedInUpperCaseUntilAnEmptyFragment) {
  EXPECT_TRUE(IsNameAllowed("anything", ""));
  EXPECT_FALSE(IsNameAllowed("MPEG Layer-3", "IAC2!MPEG LAYER-3!VOXWARE"));
  EXPECT_TRUE(IsNameAllowed("PCM", "IAC2!MPEG LAYER-3"));
  EXPECT_TRUE(IsNameAllowed("Voxware codec", "IAC2!!VOXWARE"));
}

class DeviceListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallFakeDevices();
    InstallFakeFilterGraph();
  }
  void TearDown() override {
    UninstallFakeFilterGraph();
    UninstallFakeDevices();
  }

  static FakeDevice Camera(const std::string& instance) {
    return {UsbCameraDisplayName(instance), "USB Camera", WdmClsid(), true, false};
  }
};

TEST_F(DeviceListTest, TwoIdenticalCamerasGetTheSameNameAndDifferentKeys) {
  PlugDevice(CLSID_VideoInputDeviceCategory, Camera("6&1&0&0000"));
  PlugDevice(CLSID_VideoInputDeviceCategory, Camera("6&2&0&0000"));
  TDevices list("Video Device", CLSID_VideoInputDeviceCategory, "");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.NamesText(), "USB Camera (WDM)\r\nUSB Camera (WDM)");
  EXPECT_NE(list.Items[0].RegistryName, list.Items[1].RegistryName);
  EXPECT_EQ(list.Items[0].RegistryName.find('\\'), std::string::npos);
  EXPECT_TRUE(list.Items[0].IsWDM);
  EXPECT_EQ(DeviceFilterName(list, 0), "USB Camera (WDM) 0");
  EXPECT_EQ(DeviceFilterName(list, 1), "USB Camera (WDM) 1");
  EXPECT_EQ(list.DeviceChange, dc_None);
}

TEST_F(DeviceListTest, AReturningDeviceKeepsItsEntryAndIndex) {
  PlugDevice(CLSID_VideoInputDeviceCategory, Camera("6&1&0&0000"));
  PlugDevice(CLSID_VideoInputDeviceCategory, Camera("6&2&0&0000"));
  TDevices list("Video Device", CLSID_VideoInputDeviceCategory, "");
  UnplugDevice(CLSID_VideoInputDeviceCategory, UsbCameraDisplayName("6&1&0&0000"));
  RebuildDeviceList(list);
  EXPECT_EQ(list.DeviceChange, dc_Removal);
  EXPECT_EQ(list.Count(), 2);
  PlugDevice(CLSID_VideoInputDeviceCategory, Camera("6&1&0&0000"));
  RebuildDeviceList(list);
  EXPECT_EQ(list.DeviceChange, dc_Arrival);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Items[0].InstanceId, "6&1&0&0000");
  RebuildDeviceList(list);
  EXPECT_EQ(list.DeviceChange, dc_None);
}

TEST_F(DeviceListTest, ExcludedAndUnreadableDevicesAreCountedButNotListed) {
  const std::string exclusions = "ENCODER DMO!IAC2!ACELP.NET!WINDOWS MEDIA AUDIO V1!MPEG LAYER-3";
  PlugDevice(CLSID_AudioCompressorCategory, {"@device:cm:mp3", "MPEG Layer-3", "", true, false});
  PlugDevice(CLSID_AudioCompressorCategory, {"@device:cm:pcm", "PCM", "", true, false});
  PlugDevice(CLSID_AudioCompressorCategory, {"@device:cm:nameless", "", "", true, false});
  PlugDevice(CLSID_AudioCompressorCategory, {"@device:cm:nobag", "Lost", "", false, false});
  TDevices list("Audio Compressor", CLSID_AudioCompressorCategory, exclusions);
  EXPECT_EQ(list.NamesText(), "PCM");
  EXPECT_EQ(list.EnumeratedCount, 4);
  EXPECT_FALSE(list.Items[0].IsWDM);
}

TEST_F(DeviceListTest, ADvCameraIsListedUnderItsHardwareId) {
  PlugDevice(CLSID_VideoInputDeviceCategory,
             {"@device:pnp:\\\\?\\avc#panasonic&dv&camera&0#4&1f&0&0#{65e8773d}\\global",
              "Microsoft DV Camera and VCR", WdmClsid(), true, false});
  TDevices list("Video Device", CLSID_VideoInputDeviceCategory, "");
  EXPECT_EQ(list.NamesText(), "PANASONIC DV CAMERA 0");
}

TEST_F(DeviceListTest, AVfwDeviceIsListedOnlyWhenItsFilterCanJoinAGraph) {
  PlugDevice(CLSID_VideoInputDeviceCategory,
             {"@device:pnp:vfw0", "Old Capture Card", VfwClsid(), true, false});
  PlugDevice(CLSID_VideoInputDeviceCategory,
             {"@device:pnp:vfw1", "Busy Capture Card", VfwClsid(), true, true});
  TDevices list("Video Device", CLSID_VideoInputDeviceCategory, "");
  EXPECT_EQ(list.NamesText(), "Old Capture Card (vfw)");
  EXPECT_EQ(list.EnumeratedCount, 2);
  // The trial graph was released with the filter removed.
  ASSERT_TRUE(LastCreatedGraph());
  EXPECT_TRUE(LastCreatedGraph()->filters.empty());
}

TEST_F(DeviceListTest, WithoutAnEnumeratorTheListStaysAsItWas) {
  PlugDevice(CLSID_VideoInputDeviceCategory, Camera("6&1&0&0000"));
  TDevices list("Video Device", CLSID_VideoInputDeviceCategory, "");
  UninstallFakeDevices();
  RebuildDeviceList(list);
  EXPECT_EQ(list.NamesText(), "USB Camera (WDM)");
  EXPECT_EQ(list.DeviceChange, dc_Removal);
}

}  // namespace
}  // namespace rudozav_test
