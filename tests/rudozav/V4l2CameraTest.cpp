// The component on a V4L2 camera served by the in-memory driver, built from the same description
// as the virtual demo camera: it is listed before virtual devices, previews through the real V4L2
// filter, takes a snapshot, and keeps its settings key when it comes back on another node.

#include <QCoreApplication>

#include <chrono>
#include <functional>

#include "ComponentFixture.h"
#include "JpegProbe.h"
#include "devices/v4l2/FakeV4l2.h"
#include "devices/v4l2/FakeV4l2Description.h"
#include "devices/virtual/DescriptionParser.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"

namespace rudozav_test {
namespace {

class V4l2CameraTest : public ComponentTest {
 protected:
  V4l2CameraTest() : ComponentTest(false, true) {}

  void SetUp() override {
    ComponentTest::SetUp();
    devices::SetDefaultV4l2Api(fake_);
    camera_ = devices::FakeV4l2DeviceFrom(devices::DemoDevices().front());
  }
  void TearDown() override {
    ComponentTest::TearDown();
    devices::SetDefaultV4l2Api(nullptr);
  }

  std::shared_ptr<devices::FakeV4l2> fake_ = std::make_shared<devices::FakeV4l2>();
  devices::FakeV4l2Device camera_;
};

TEST_F(V4l2CameraTest, PreviewsAndTakesASnapshotThroughTheV4l2Filter) {
  fake_->Plug("/dev/video0", camera_, true);
  TRavorOderiri& component = CreateLoaded();
  ASSERT_EQ(component.VideoDevices(), "Virtual Camera (WDM)");
  component.StartPreview();
  ASSERT_EQ(component.CurrentState(), cs_Preview);
  const TRavorOdeririState& state = component.State();
  ASSERT_NE(state.graph->frameGrabberRecord, nullptr);
  ASSERT_TRUE(WaitFor([&] { return state.graph->frameGrabberRecord->FrameCount > 2; }));
  EXPECT_TRUE(fake_->IsStreaming("/dev/video0"));

  ASSERT_TRUE(component.CaptureFrameTo(fc_JpegFile, "shot.jpg"));
  const TJpegProbe shot = ProbeJpeg("shot.jpg");
  ASSERT_TRUE(shot.ok);
  EXPECT_EQ(shot.width, 640);
  EXPECT_EQ(shot.height, 480);
  component.StopPreview();
  EXPECT_FALSE(fake_->IsStreaming("/dev/video0"));
}

TEST_F(V4l2CameraTest, ACameraBackOnAnotherNodeKeepsItsSettingsKey) {
  fake_->Plug("/dev/video0", camera_, true);
  TRavorOderiri& component = CreateLoaded();
  ASSERT_EQ(VideoDeviceList()->Items.size(), 1u);
  const std::string key = VideoDeviceList()->Items[0].RegistryName;
  Destroy(component);
  FinishProcess();

  fake_->UnplugAll();
  fake_->Plug("/dev/video3", camera_, true);
  SetUp();
  CreateLoaded();
  ASSERT_EQ(VideoDeviceList()->Items.size(), 1u);
  EXPECT_EQ(VideoDeviceList()->Items[0].RegistryName, key);
}

TEST_F(V4l2CameraTest, PictureValuesSetAreWrittenBackToACameraThatForgotThem) {
  fake_->Plug("/dev/video0", camera_, true);
  TRavorOderiri& component = CreateLoaded();
  ASSERT_TRUE(component.BuildBaseGraph(false));
  ASSERT_TRUE(component.SetProcAmpValue(0, 200));   // brightness
  ASSERT_TRUE(component.SetProcAmpValue(6, 3200));  // white balance, automatic until now
  component.ClearGraph();
  fake_->UnplugAll();  // back with its defaults, as a camera plugged in again
  fake_->Plug("/dev/video0", camera_, true);
  ASSERT_TRUE(component.BuildBaseGraph(false));
  EXPECT_EQ(component.ProcAmpValue(0), 200);
  EXPECT_EQ(component.ProcAmpValue(6), 3200);
  LONG value = 0;
  LONG flags = 0;
  ASSERT_EQ(component.State().graph->procAmp->Get(VideoProcAmp_WhiteBalance, &value, &flags), S_OK);
  EXPECT_EQ(flags, VideoProcAmp_Flags_Manual);
}

}  // namespace
}  // namespace rudozav_test
