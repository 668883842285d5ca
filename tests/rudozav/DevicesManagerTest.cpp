// The device manager: its timer, hot-plug with the debounced rebuild, device binding and the
// settings version.

#include <QTest>
#include <algorithm>

#include "ComponentFixture.h"
#include "FakeDevices.h"
#include "FakeMedia.h"
#include "clock/Clock.h"
#include "dshow/DShow.h"
#include "registry/TRegistry2.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/devices/DeviceBinding.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"
#include "ui/MainWindowHook.h"

namespace rudozav_test {
namespace {

constexpr char kCamera[] = "6&2b5c7a6f&0&0000";

class DevicesManagerTest : public ComponentTest {
 protected:
  TDevicesManager& Manager() { return *DevicesManager(); }

  static void DeviceChange() {
    ui::CallMainWindowHooks({nullptr, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0});
  }

  int Count(const std::string& event) const {
    return static_cast<int>(std::count(events.begin(), events.end(), event));
  }
};

TEST_F(DevicesManagerTest, ABurstOfNotificationsGivesOneRebuildASecondAfterTheLast) {
  TRavorOderiri& component = CreateLoaded();
  Record(component);
  Manager().DevicesManagerFirstTick();
  ASSERT_TRUE(Manager().HookInstalled());
  PlugCamera(kCamera);
  DeviceChange();
  sysclock::Advance(300);
  DeviceChange();
  sysclock::Advance(300);
  DeviceChange();
  Manager().DevicesManagerTick();
  sysclock::Advance(TDevicesManager::kRebuildDelay);
  Manager().DevicesManagerTick();
  EXPECT_EQ(component.VideoDevicesCount(), 0);
  sysclock::Advance(1);
  Manager().DevicesManagerTick();
  EXPECT_EQ(component.VideoDevicesCount(), 1);
  EXPECT_EQ(Manager().RebuildDueTime(), 0u);
  sysclock::Advance(5000);
  Manager().DevicesManagerTick();
  EXPECT_EQ(Count("DeviceArrival"), 1);
  EXPECT_EQ(events.front(), "DeviceArrival");
  // The only camera is selected at once.
  EXPECT_EQ(component.CurrentDeviceIndex(), 0);
}

TEST_F(DevicesManagerTest, AFirstCameraStartsThePreviewOfAComponentThatStartsItself) {
  TRavorOderiri& component = CreateLoaded(true);
  TRavorOderiri& unloaded = Create();
  Record(component);
  bool unloadedHeard = false;
  unloaded.OnDeviceArrival = [&](TRavorOderiri*) { unloadedHeard = true; };
  Manager().DevicesManagerFirstTick();
  PlugCamera(kCamera);
  DeviceChange();
  sysclock::Advance(TDevicesManager::kRebuildDelay + 1);
  Manager().DevicesManagerTick();
  // The camera is selected, probed and the preview started, which fails for want of formats and
  // of a preview graph.
  EXPECT_EQ(events,
            (std::vector<std::string>{
                "DeviceArrival", "ChangeVideoDevice", "StateChanging 1 0", "StateChanging 0 1",
                "ErrorLog 30 Warning: no audio device found", "ErrorLog 63 Error: set video format",
                "ErrorLog 85 Error: cannot start preview"}));
  EXPECT_EQ(component.CurrentDeviceIndex(), 0);
  EXPECT_FALSE(unloadedHeard);
}

TEST_F(DevicesManagerTest, AnUnpluggedCameraKeepsItsIndexAndIsReportedBothWays) {
  PlugCamera(kCamera);
  TRavorOderiri& component = CreateLoaded();
  Record(component);
  Manager().DevicesManagerFirstTick();
  UnplugDevice(CLSID_VideoInputDeviceCategory, UsbCameraDisplayName(kCamera));
  DeviceChange();
  sysclock::Advance(TDevicesManager::kRebuildDelay + 1);
  Manager().DevicesManagerTick();
  EXPECT_EQ(events, std::vector<std::string>{"DeviceRemoval"});
  EXPECT_EQ(component.VideoDevicesCount(), 1);

  events.clear();
  PlugCamera(kCamera);
  DeviceChange();
  sysclock::Advance(TDevicesManager::kRebuildDelay + 1);
  Manager().DevicesManagerTick();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), "DeviceArrival");
  EXPECT_EQ(component.VideoDevices(), "USB Camera (WDM)");
}

TEST_F(DevicesManagerTest, TheFirstTickTellsTheFirstComponentWhenTheFrameGrabberIsMissing) {
  TRavorOderiri& first = Create();
  TRavorOderiri& second = Create();
  std::vector<TRavorOderiri*> senders;
  first.OnDirectX8Required = [&](TRavorOderiri* sender) { senders.push_back(sender); };
  second.OnDirectX8Required = [&](TRavorOderiri* sender) { senders.push_back(sender); };
  SetSampleGrabberAvailable(false);
  Manager().DevicesManagerFirstTick();
  Manager().DevicesManagerFirstTick();
  EXPECT_EQ(senders, std::vector<TRavorOderiri*>{nullptr});
  EXPECT_TRUE(Manager().FirstTickDone());
}

TEST_F(DevicesManagerTest, TheTimerHooksTheMainWindowAndDrivesTheComponentsTicks) {
  TRavorOderiri component;
  component.SetAutoStartPreview(false);
  component.Loaded();
  TDevicesManager& manager = Manager();
  EXPECT_TRUE(manager.TimerActive());
  EXPECT_TRUE(QTest::qWaitFor([&] { return manager.FirstTickDone(); }, 20000));
  EXPECT_TRUE(manager.HookInstalled());
  EXPECT_TRUE(manager.TimerActive());
  component.SetBusy(true);
  component.SetVideoSize(2);
  component.SetBusy(false);
  EXPECT_TRUE(QTest::qWaitFor([&] { return component.QueuedOperationCount() == 0; }, 20000));
  EXPECT_EQ(component.VideoSize(), 2);
}

TEST_F(DevicesManagerTest, ADeviceServesOneGraphOfTheProcessAtATime) {
  PlugCamera(kCamera);
  TRavorOderiri& first = CreateLoaded();
  TRavorOderiri& second = CreateLoaded();
  auto firstGraph = MakeComObject<FakeGraph>();
  auto secondGraph = MakeComObject<FakeGraph>();
  first.State().graph->filterGraph = firstGraph;
  second.State().graph->filterGraph = secondGraph;
  const TDevices& cameras = *VideoDeviceList();

  int index = 0;
  bool usable = false;
  ComPtr<IBaseFilter> filter;
  ASSERT_TRUE(BindDeviceFilter(first, cameras, index, usable, false, filter));
  EXPECT_TRUE(usable);
  EXPECT_TRUE(firstGraph->HasFilter("USB Camera (WDM) 0"));
  EXPECT_TRUE(IsDeviceInUse(cameras, 0));
  // Binding again re-adds the filter held.
  ASSERT_TRUE(BindDeviceFilter(first, cameras, index, usable, true, filter));
  EXPECT_EQ(firstGraph->filters.size(), 1u);

  Record(second);
  index = 5;
  ComPtr<IBaseFilter> secondFilter;
  EXPECT_FALSE(BindDeviceFilter(second, cameras, index, usable, false, secondFilter));
  EXPECT_EQ(index, 0);
  EXPECT_FALSE(usable);
  EXPECT_FALSE(secondFilter);
  EXPECT_EQ(events,
            (std::vector<std::string>{
                "ErrorLog 40 Warning: Video Device index out of range, index 0 used instead",
                "ErrorLog 97 Error: device USB Camera (WDM) already in use"}));
  // Compressors are shared: the test is skipped.
  EXPECT_TRUE(BindDeviceFilter(second, cameras, index, usable, true, secondFilter));
}

TEST_F(DevicesManagerTest, SettingsOfAnotherVersionAreDeletedOnce) {
  FinishProcess();
  TRegistry2 registry;
  ASSERT_TRUE(registry.OpenKey("\\Software\\RavorOderiri\\Devices\\Old camera", true));
  {
    TRudOzavProcess process;
    TRavorOderiri component;
  }
  EXPECT_FALSE(registry.KeyExists("\\Software\\RavorOderiri\\Devices\\Old camera"));
  EXPECT_TRUE(registry.KeyExists("\\Software\\RavorOderiri\\5.2_1210021507"));
  ASSERT_TRUE(registry.OpenKey("\\Software\\RavorOderiri\\Devices\\New camera", true));
  {
    TRudOzavProcess process;
    TRavorOderiri component;
  }
  EXPECT_TRUE(registry.KeyExists("\\Software\\RavorOderiri\\Devices\\New camera"));
}

}  // namespace
}  // namespace rudozav_test
