// Construction, loading and destruction of the component.

#include <QApplication>
#include <filesystem>

#include "ComponentFixture.h"
#include "FakeMedia.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/devices/DevicesManager.h"
#include "ui/Cursor.h"
#include "ui/Window.h"

namespace rudozav_test {
namespace {

TEST_F(ComponentTest, ConstructionGivesTheLookAndTheDefaults) {
  TRavorOderiri& component = Create();
  EXPECT_EQ(component.Width(), 200);
  EXPECT_EQ(component.Height(), 160);
  EXPECT_EQ(component.Color(), 0x00B79B9B);
  EXPECT_EQ(component.palette().color(QPalette::Window), QColor(0x9B, 0x9B, 0xB7));
  EXPECT_EQ(component.BorderStyle(), bsNone);
  EXPECT_EQ(component.frameShape(), QFrame::NoFrame);
  EXPECT_EQ(component.Alignment(), taCenter);
  EXPECT_EQ(component.StoragePath(), std::filesystem::current_path().string());
  EXPECT_EQ(component.TextOnFrameString(), "this text can be written on video frames");
  EXPECT_EQ(component.TextOnFrameFont().Name, component.font().family().toStdString());
  EXPECT_DOUBLE_EQ(component.FrameRate(), 30.0);
  EXPECT_EQ(component.DroppedFrameCountMethod(), fim_FrameEvent);
  EXPECT_EQ(component.BusyCursor(), crHourGlass);
  EXPECT_EQ(component.CurrentState(), cs_Down);
  EXPECT_FALSE(component.IsBusy());
  EXPECT_FALSE(component.IsInitialized());
  EXPECT_EQ(ui::WindowClassName(&component), "TRavorOderiri");
  ASSERT_NE(DevicesManager(), nullptr);
  EXPECT_TRUE(DevicesManager()->IsAttached(&component));
}

TEST_F(ComponentTest, LoadingWithoutAVideoDeviceTellsTheHostWhyThePreviewDidNotStart) {
  TRavorOderiri& component = Create();
  component.SetVideoDevice(1);
  component.SetCaption("RavorOderiri1");
  Record(component);
  component.Loaded();
  EXPECT_EQ(events, (std::vector<std::string>{
                        "StateChanging 0 1", "ErrorLog 33 Error: no video device",
                        "ErrorLog 85 Error: cannot start preview", "ComponentLoaded"}));
  EXPECT_EQ(component.VideoDevice(), 0);
  EXPECT_EQ(component.CurrentState(), cs_Preview);
  EXPECT_FALSE(component.PreviewFlag());
  EXPECT_EQ(component.Caption(), "");
  EXPECT_EQ(ui::ScreenCursor(), crDefault);
  // Loading runs once.
  events.clear();
  component.Loaded();
  EXPECT_TRUE(events.empty());
}

TEST_F(LoggedComponentTest, TheDeviceWarningOfLoadingIsLoggedButNotReported) {
  TRavorOderiri& component = Create();
  Record(component);
  component.Loaded();
  EXPECT_TRUE(LogHasLine("40 Warning: video device index out of range"));
  EXPECT_TRUE(LogHasLine("begin LOADED"));
  EXPECT_TRUE(LogHasLine("end LOADED"));
  EXPECT_EQ(std::count(events.begin(), events.end(),
                       "ErrorLog 40 Warning: video device index out of range"),
            0);
}

TEST_F(ComponentTest, WithoutTheFrameGrabberTheHostIsToldAndTheComponentStaysInert) {
  SetSampleGrabberAvailable(false);
  TRavorOderiri& shown = Create();
  Record(shown);
  shown.Loaded();
  EXPECT_EQ(messageBoxes, (std::vector<std::string>{"DirectX 8 required!"}));
  EXPECT_TRUE(events.empty());
  EXPECT_FALSE(shown.IsInitialized());
  EXPECT_FALSE(shown.RestartGraph(true));

  TRavorOderiri& handled = Create();
  bool nilSender = false;
  handled.OnDirectX8Required = [&](TRavorOderiri* sender) { nilSender = sender == nullptr; };
  handled.Loaded();
  EXPECT_TRUE(nilSender);
  EXPECT_EQ(messageBoxes.size(), 1u);
}

TEST_F(ComponentTest, DestructionUnregistersFromTheManager) {
  TRavorOderiri& first = Create();
  TRavorOderiri& second = Create();
  ASSERT_EQ(DevicesManager()->Components(), (std::vector<TRavorOderiri*>{&first, &second}));
  Destroy(first);
  EXPECT_EQ(DevicesManager()->Components(), (std::vector<TRavorOderiri*>{&second}));
}

TEST_F(ComponentTest, InDesignModeSettersOnlyStoreAndNothingIsSetUp) {
  FinishProcess();  // a designer loads the component into a fresh process
  TRavorOderiri::SetDesignMode(true);
  {
    TRudOzavProcess process;
    TRavorOderiri component;
    EXPECT_EQ(DevicesManager(), nullptr);
    Record(component);
    component.SetVideoDevice(7);
    component.SetFrameRate(12.5);
    component.SetVideoSize(3);
    component.Loaded();
    EXPECT_EQ(component.VideoDevice(), 7);
    EXPECT_DOUBLE_EQ(component.FrameRate(), 12.5);
    EXPECT_EQ(component.VideoSize(), 3);
    EXPECT_EQ(component.QueuedOperationCount(), 0u);
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(component.IsLoaded());
  }
  TRavorOderiri::SetDesignMode(false);
}

}  // namespace
}  // namespace rudozav_test
