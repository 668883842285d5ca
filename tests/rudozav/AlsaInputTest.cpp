// The component with a sound input of the in-memory ALSA beside a V4L2 camera: the input is
// listed under its card's name, a preview with RenderAudio plays its sound through the audio
// renderer in the audio format chosen, and that format is kept with the device's settings.

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <functional>

#include "ComponentFixture.h"
#include "clock/Clock.h"
#include "devices/alsa/FakeAlsa.h"
#include "devices/v4l2/FakeV4l2.h"
#include "devices/v4l2/FakeV4l2Description.h"
#include "devices/virtual/DescriptionParser.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"

namespace rudozav_test {
namespace {

class AlsaInputTest : public ComponentTest {
 protected:
  AlsaInputTest() : ComponentTest(false, true) {}

  void SetUp() override {
    ComponentTest::SetUp();
    devices::SetDefaultV4l2Api(v4l2_);
    SetDefaultAlsaApi(alsa_);
    v4l2_->Plug("/dev/video0", devices::FakeV4l2DeviceFrom(devices::DemoDevices().front()), true);
    alsa_->AddCaptureDevice(Microphone(), Counting());
  }
  void TearDown() override {
    ComponentTest::TearDown();
    SetDefaultAlsaApi(nullptr);
    devices::SetDefaultV4l2Api(nullptr);
  }

  static AlsaCaptureDeviceInfo Microphone() {
    AlsaCaptureDeviceInfo microphone;
    microphone.pcm = "hw:CARD=C920,DEV=0";
    microphone.hardware = true;
    microphone.cardName = "HD Pro Webcam C920";
    microphone.pcmName = "USB Audio";
    microphone.properties = {{"ID_BUS", "usb"},
                             {"ID_VENDOR_ID", "046d"},
                             {"ID_MODEL_ID", "082d"},
                             {"ID_USB_INTERFACE_NUM", "02"},
                             {"ID_PATH", "pci-0000:00:14.0-usb-0:1:1.2"}};
    return microphone;
  }
  // Stereo 16-bit at 44.1 or 48 kHz; the right channel's low byte is 0x11.
  static FakeCaptureConfig Counting() {
    FakeCaptureConfig config;
    config.formats = {PcmSampleFormat::kS16LE};
    config.channels = {2};
    config.rates = {44100, 48000};
    for (int i = 0; i < 4410; ++i) {
      config.samples.push_back(static_cast<BYTE>(i));
      config.samples.push_back(0x11);
    }
    return config;
  }

  std::shared_ptr<devices::FakeV4l2> v4l2_ = std::make_shared<devices::FakeV4l2>();
  std::shared_ptr<FakeAlsa> alsa_ = std::make_shared<FakeAlsa>();
};

TEST_F(AlsaInputTest, TheInputsSoundPlaysInTheChosenFormatAndTheFormatIsKept) {
  TRavorOderiri& component = CreateLoaded();
  ASSERT_EQ(AudioDeviceList()->Count(), 1);
  EXPECT_EQ(AudioDeviceList()->Items[0].Name, "HD Pro Webcam C920 (WDM)");
  component.SetAudioFormat(af_44100_16b_2ch);
  component.SetRenderAudio(true);
  component.StartPreview();
  ASSERT_EQ(component.CurrentState(), cs_Preview);
  ASSERT_TRUE(WaitFor([&] { return alsa_->BytesWritten() >= 4 * 4410; }));
  const auto played = alsa_->Devices();
  ASSERT_FALSE(played.empty());
  EXPECT_EQ(played.back().rate, 44100u);
  EXPECT_EQ(played.back().channels, 2u);
  ASSERT_GE(played.back().written.size(), 4u);
  EXPECT_EQ(played.back().written[1], 0x11) << "the input's own sound";
  component.StopPreview();
  Destroy(component);

  TRavorOderiri& again = CreateLoaded();
  EXPECT_EQ(again.AudioFormat(), af_44100_16b_2ch);
}

TEST_F(AlsaInputTest, AWebcamPluggedInBringsItsCameraAndMicrophoneIntoTheLists) {
  v4l2_->UnplugAll();
  alsa_->RemoveCaptureDevice(Microphone().pcm);
  TRavorOderiri& component = CreateLoaded();
  Record(component);
  TDevicesManager& manager = *DevicesManager();
  manager.DevicesManagerFirstTick();
  ASSERT_EQ(AudioDeviceList()->Count(), 0);

  // udev tells of the sound card and of the video node; the fake V4L2 plays udev's part.
  alsa_->AddCaptureDevice(Microphone(), Counting());
  devices::FakeV4l2Device camera = devices::FakeV4l2DeviceFrom(devices::DemoDevices().front());
  camera.properties["ID_VENDOR_ID"] = "046d";
  camera.properties["ID_MODEL_ID"] = "082d";
  v4l2_->Plug("/dev/video0", camera);
  const DWORD due = GetTickCount() + TDevicesManager::kRebuildDelay;
  ASSERT_TRUE(WaitFor([&] { return manager.RebuildDueTime() == due; }));
  sysclock::Advance(TDevicesManager::kRebuildDelay + 1);
  manager.DevicesManagerTick();
  EXPECT_EQ(std::count(events.begin(), events.end(), "DeviceArrival"), 1);
  EXPECT_EQ(VideoDeviceList()->Count(), 1);
  ASSERT_EQ(AudioDeviceList()->Count(), 1);
  // The microphone and the camera name the same vendor and model.
  EXPECT_EQ(AudioDeviceList()->Items[0].HardwareId, "VID_046D PID_082D MI_02");
  EXPECT_EQ(VideoDeviceList()->Items[0].HardwareId, "VID_046D PID_082D MI_00");
}

}  // namespace
}  // namespace rudozav_test
