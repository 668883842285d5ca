// ALSA capture devices in the system device enumerator: cards' devices before configuration
// PCMs, their names, display names that follow the hardware rather than the card number, and
// binding by display name.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "../Binding.h"
#include "com/Com.h"
#include "devices/alsa/AlsaDeviceSource.h"
#include "devices/alsa/AlsaDisplayName.h"
#include "devices/alsa/FakeAlsa.h"
#include "devices/capture/DeviceResults.h"
#include "devices/v4l2/V4l2DisplayName.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/DShow.h"
#include "platform/ui/TestApplication.h"

namespace {

using devices_test::ListDevices;
using devices_test::ListedDevice;

using devices::AlsaDisplayName;

constexpr char kPort2[] = "pci-0000:00:14.0-usb-0:2:1.2";
constexpr char kPort3[] = "pci-0000:00:14.0-usb-0:3:1.2";

// The microphone of a webcam: interface 2 of the camera's USB device.
AlsaCaptureDeviceInfo WebcamMicrophone(int card, const std::string& path,
                                       const std::string& serial = {}) {
  AlsaCaptureDeviceInfo info;
  info.pcm = "hw:CARD=C920,DEV=0";
  info.hardware = true;
  info.card = card;
  info.device = 0;
  info.cardId = "C920";
  info.cardName = "HD Pro Webcam C920";
  info.pcmName = "USB Audio";
  info.properties = {{"ID_BUS", "usb"},
                     {"ID_VENDOR_ID", "046d"},
                     {"ID_MODEL_ID", "082d"},
                     {"ID_USB_INTERFACE_NUM", "02"},
                     {"ID_PATH", path}};
  if (!serial.empty()) info.properties["ID_SERIAL_SHORT"] = serial;
  return info;
}

AlsaCaptureDeviceInfo PciCodec(int device, const std::string& pcmName) {
  AlsaCaptureDeviceInfo info;
  info.pcm = "hw:CARD=PCH,DEV=" + std::to_string(device);
  info.hardware = true;
  info.card = 0;
  info.device = device;
  info.cardId = "PCH";
  info.cardName = "HDA Intel PCH";
  info.pcmName = pcmName;
  info.properties = {{"ID_BUS", "pci"},
                     {"ID_VENDOR_ID", "8086"},
                     {"ID_MODEL_ID", "a170"},
                     {"ID_PCI_SUBSYS_VENDOR_ID", "1043"},
                     {"ID_PCI_SUBSYS_DEVICE_ID", "8694"},
                     {"ID_PATH", "pci-0000:00:1f.3"}};
  return info;
}

AlsaCaptureDeviceInfo Configured(const std::string& pcm, const std::string& description) {
  AlsaCaptureDeviceInfo info;
  info.pcm = pcm;
  info.description = description;
  return info;
}

std::vector<ListedDevice> AudioInputs() {
  return ListDevices(CLSID_AudioInputDeviceCategory);
}

// The four "#"-separated fields of a plug-and-play display name.
std::vector<std::string> Fields(const std::string& name) {
  std::vector<std::string> fields;
  for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
    end = name.find('#', start);
    fields.push_back(name.substr(start, end - start));
  }
  return fields;
}

class AlsaEnumeration : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::TestApplication();
    virtualdevices::Reset();
    SetDefaultAlsaApi(fake_);
  }
  void TearDown() override {
    SetDefaultAlsaApi(nullptr);
    virtualdevices::Reset();
  }

  std::shared_ptr<FakeAlsa> fake_ = std::make_shared<FakeAlsa>();
};

TEST_F(AlsaEnumeration, CardsComeBeforeConfigurationPcmsWithTheirNames) {
  fake_->AddCaptureDevice(Configured("default",
                                     "Default ALSA Output (currently PipeWire Media "
                                     "Server)\nDefault Audio Device"));
  fake_->AddCaptureDevice(WebcamMicrophone(1, kPort2));
  fake_->AddCaptureDevice(Configured("pipewire", ""));
  fake_->AddCaptureDevice(PciCodec(0, "ALC892 Analog"));
  fake_->AddCaptureDevice(PciCodec(2, "HDA Intel PCH"));

  const std::string audioInput = "@device:cm:{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\";
  struct Expected {
    std::string friendlyName;
    std::string devicePath;
    std::string displayName;  // a regular expression
  };
  const std::vector<Expected> expected = {
      {"HD Pro Webcam C920", "hw:CARD=C920,DEV=0",
       R"(@device:pnp:\\\\\?\\usb#vid_046d&pid_082d&mi_02#6&[0-9a-f]{8}&0&0002#\{6994ad04-93ef-11d0-a3cc-00a0c9223196\}\\global)"},
      {"HDA Intel PCH: ALC892 Analog", "hw:CARD=PCH,DEV=0",
       R"(@device:pnp:\\\\\?\\pci#ven_8086&dev_a170&subsys_86941043#6&[0-9a-f]{8}&0&0000#.*)"},
      {"HDA Intel PCH", "hw:CARD=PCH,DEV=2",
       R"(@device:pnp:\\\\\?\\pci#ven_8086&dev_a170&subsys_86941043#6&[0-9a-f]{8}&2&0000#.*)"},
      {"Default ALSA Output (currently PipeWire Media Server)", "default",
       std::regex_replace(audioInput, std::regex(R"([\\{}])"), R"(\$&)") + "default"},
      {"pipewire", "pipewire", ".*\\\\pipewire"},
  };
  const std::vector<ListedDevice> listed = AudioInputs();
  ASSERT_EQ(listed.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(listed[i].friendlyName, expected[i].friendlyName) << i;
    EXPECT_EQ(listed[i].devicePath, expected[i].devicePath) << i;
    EXPECT_TRUE(std::regex_match(listed[i].displayName, std::regex(expected[i].displayName)))
        << listed[i].displayName;
    EXPECT_EQ(listed[i].clsid, StringFromCLSID(CLSID_Proxy)) << i;
  }
}

TEST_F(AlsaEnumeration, DisplayNamesFollowTheHardwareNotTheCardNumber) {
  AlsaCaptureDeviceInfo secondDevice = WebcamMicrophone(1, kPort2);
  secondDevice.device = 1;
  secondDevice.pcm = "hw:CARD=C920,DEV=1";
  AlsaCaptureDeviceInfo renamedCard = WebcamMicrophone(1, kPort2);
  renamedCard.cardId = "C920_1";
  struct Case {
    const char* what;
    AlsaCaptureDeviceInfo first;
    AlsaCaptureDeviceInfo second;
    bool sameName;
  };
  const std::vector<Case> cases = {
      {"card renumbered", WebcamMicrophone(1, kPort2), WebcamMicrophone(4, kPort2), true},
      {"card id changed", WebcamMicrophone(1, kPort2), renamedCard, true},
      {"bus number in the path", WebcamMicrophone(1, "pci-0000:00:14.0-usb-3:2:1.2"),
       WebcamMicrophone(1, "pci-0000:00:14.0-usbv2-0:2:1.2"), true},
      {"moved, with serial", WebcamMicrophone(1, kPort2, "A1B2"),
       WebcamMicrophone(2, kPort3, "A1B2"), true},
      {"identical microphones, two ports", WebcamMicrophone(1, kPort2), WebcamMicrophone(2, kPort3),
       false},
      {"two devices of one card", WebcamMicrophone(1, kPort2), secondDevice, false},
      {"two devices of one card, with serial", WebcamMicrophone(1, kPort2, "A1B2"),
       [] {
         AlsaCaptureDeviceInfo info = WebcamMicrophone(1, kPort2, "A1B2");
         info.device = 1;
         return info;
       }(),
       false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AlsaDisplayName(c.first) == AlsaDisplayName(c.second), c.sameName) << c.what;
    EXPECT_EQ(AlsaDisplayName(c.first).find("card"), std::string::npos) << c.what;
  }
}

TEST_F(AlsaEnumeration, AWebcamsMicrophoneSharesVendorAndProductWithItsCamera) {
  const AlsaCaptureDeviceInfo microphone = WebcamMicrophone(1, kPort2, "A1B2");
  const devices::V4l2NodeInfo camera{"/dev/video0",
                                     "video0",
                                     {{"ID_BUS", "usb"},
                                      {"ID_VENDOR_ID", "046d"},
                                      {"ID_MODEL_ID", "082d"},
                                      {"ID_USB_INTERFACE_NUM", "00"},
                                      {"ID_SERIAL_SHORT", "A1B2"},
                                      {"ID_PATH", "pci-0000:00:14.0-usb-0:2:1.0"}}};
  const std::vector<std::string> sound = Fields(AlsaDisplayName(microphone));
  const std::vector<std::string> video = Fields(devices::V4l2DisplayName(camera));
  ASSERT_EQ(sound.size(), 4u);
  ASSERT_EQ(video.size(), 4u);
  EXPECT_EQ(sound[1], "vid_046d&pid_082d&mi_02");
  EXPECT_EQ(video[1], "vid_046d&pid_082d&mi_00");
  EXPECT_EQ(sound[2], video[2]) << "the same device instance";
  EXPECT_EQ(sound[3], "{6994ad04-93ef-11d0-a3cc-00a0c9223196}\\global");
}

TEST_F(AlsaEnumeration, BindingFindsThePresentDeviceByDisplayName) {
  fake_->AddCaptureDevice(WebcamMicrophone(1, kPort2));
  const std::string name = AlsaDisplayName(WebcamMicrophone(1, kPort2));
  ComPtr<IBaseFilter> filter;
  EXPECT_EQ(devices::BindAlsaDevice(name, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()),
            S_OK);
  EXPECT_TRUE(filter);
  filter = nullptr;

  fake_->RemoveCaptureDevice("hw:CARD=C920,DEV=0");
  EXPECT_EQ(devices::BindAlsaDevice(name, IID_IBaseFilter, filter.ReleaseAndGetVoidAddress()),
            devices::kDeviceNotConnected);
  EXPECT_FALSE(filter);
}

}  // namespace
