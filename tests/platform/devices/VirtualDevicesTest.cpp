// Plugging and unplugging virtual devices raises the device-change notification, through the
// API and through the watched description file.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "devices/virtual/VirtualDevices.h"
#include "platform/ui/TestApplication.h"
#include "support/TempDir.h"
#include "ui/MainWindowHook.h"

namespace {

using devices::DeviceCategory;

class VirtualDevices : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::TestApplication();
    virtualdevices::Reset();
    hook_ = ui::HookMainWindow([this](const ui::Message& message) {
      if (message.msg == WM_DEVICECHANGE) events_.push_back(message.wParam);
      return false;
    });
  }
  void TearDown() override {
    virtualdevices::Reset();
    ui::UnhookMainWindow(hook_);
    unsetenv("RUDOZAV_VIRTUAL_DEVICES");
  }

  static void Write(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path) << text;
  }
  static std::vector<std::string> Cameras() {
    return virtualdevices::DisplayNames(DeviceCategory::kVideoInput);
  }
  bool WaitForEvents(std::size_t count) {
    return ui_test::WaitFor([&] { return events_.size() >= count; });
  }

  std::vector<WPARAM> events_;
  int hook_ = 0;
};

TEST_F(VirtualDevices, PluggingAndUnpluggingNotifyTheMainWindowHooks) {
  const auto plugged = virtualdevices::Plug(R"({"friendlyName": "Cam"})");
  ASSERT_TRUE(plugged);
  ASSERT_TRUE(WaitForEvents(1));
  EXPECT_EQ(events_, std::vector<WPARAM>{DBT_DEVICEARRIVAL});
  ASSERT_TRUE(virtualdevices::Unplug(plugged.displayNames[0]));
  ASSERT_TRUE(WaitForEvents(2));
  EXPECT_EQ(events_[1], DBT_DEVICEREMOVECOMPLETE);
  // A failed plug changes nothing and says nothing; neither does unplugging nothing. The
  // notifications arrive in order, so a last plug marks the end.
  EXPECT_FALSE(virtualdevices::Plug(R"({"friendlyName": 3})"));
  virtualdevices::UnplugAll();
  ASSERT_TRUE(virtualdevices::Plug(R"({"friendlyName": "Marker"})"));
  ASSERT_TRUE(WaitForEvents(3));
  EXPECT_EQ(events_,
            (std::vector<WPARAM>{DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE, DBT_DEVICEARRIVAL}));
}

TEST_F(VirtualDevices, TheDescriptionFileIsFollowedWhileTheProgramRuns) {
  const auto file = testing_support::TestDirectory() / "devices.json";
  Write(file, R"([{"friendlyName": "A"}, {"friendlyName": "B"}])");
  std::string error;
  ASSERT_TRUE(virtualdevices::UseDescriptionFile(file.string(), &error)) << error;
  const auto before = Cameras();
  ASSERT_EQ(before.size(), 2u);
  ASSERT_TRUE(WaitForEvents(1));

  // B changes, C arrives: A stays plugged under its name, B and C are plugged anew.
  Write(file,
        R"([{"friendlyName": "A"}, {"friendlyName": "B", "kind": "vfw"}, {"friendlyName": "C"}])");
  ASSERT_TRUE(ui_test::WaitFor([] { return Cameras().size() == 3; }));
  EXPECT_EQ(Cameras()[0], before[0]);
  ASSERT_TRUE(WaitForEvents(3));
  EXPECT_EQ(events_[1], DBT_DEVICEREMOVECOMPLETE);
  EXPECT_EQ(events_[2], DBT_DEVICEARRIVAL);

  // A file that does not parse leaves the devices as they were.
  Write(file, R"([{"friendlyName": )");
  Write(file, R"([{"friendlyName": "A"}])");
  ASSERT_TRUE(ui_test::WaitFor([] { return Cameras().size() == 1; }));

  // Replaced the way editors save, by renaming a new file over it, it is still followed.
  const auto temporary = testing_support::TestDirectory() / "devices.json.new";
  Write(temporary, R"([{"friendlyName": "A"}, {"friendlyName": "D"}])");
  std::filesystem::rename(temporary, file);
  ASSERT_TRUE(ui_test::WaitFor([] { return Cameras().size() == 2; }));

  std::filesystem::remove(file);
  ASSERT_TRUE(ui_test::WaitFor([] { return Cameras().empty(); }));
}

TEST_F(VirtualDevices, DevicesPluggedThroughTheApiOutliveTheFile) {
  const auto file = testing_support::TestDirectory() / "devices.json";
  Write(file, R"({"friendlyName": "From file"})");
  ASSERT_TRUE(virtualdevices::UseDescriptionFile(file.string()));
  ASSERT_TRUE(virtualdevices::Plug(R"({"friendlyName": "From test"})"));
  Write(file, "[]");
  ASSERT_TRUE(ui_test::WaitFor([] { return Cameras().size() == 1; }));
}

TEST_F(VirtualDevices, TheEnvironmentNamesAFileOrTheDemo) {
  setenv("RUDOZAV_VIRTUAL_DEVICES", "demo", 1);
  ASSERT_TRUE(virtualdevices::LoadFromEnvironment());
  EXPECT_EQ(Cameras().size(), 1u);
  EXPECT_EQ(virtualdevices::DisplayNames(DeviceCategory::kAudioInput).size(), 1u);

  const auto file = testing_support::TestDirectory() / "cards.json";
  Write(file, R"([{"friendlyName": "X"}, {"friendlyName": "Y"}])");
  setenv("RUDOZAV_VIRTUAL_DEVICES", file.c_str(), 1);
  ASSERT_TRUE(virtualdevices::LoadFromEnvironment());
  EXPECT_EQ(Cameras().size(), 2u);  // the file's devices replace the demo's
  EXPECT_TRUE(virtualdevices::DisplayNames(DeviceCategory::kAudioInput).empty());

  setenv("RUDOZAV_VIRTUAL_DEVICES", "/no/such/file.json", 1);
  std::string error;
  EXPECT_FALSE(virtualdevices::LoadFromEnvironment(&error));
  EXPECT_NE(error.find("/no/such/file.json"), std::string::npos);
}

}  // namespace
