// What the property setters do at once: refusals, ignored values and the per-device settings.

#include <QApplication>
#include <QKeyEvent>
#include <filesystem>
#include <fstream>

#include "ComponentFixture.h"
#include "rudozav/core/ComponentState.h"

namespace rudozav_test {
namespace {

TEST_F(ComponentTest, AVideoDeviceOutOfRangeIsKeptButNotSelected) {
  PlugCamera("6&2b5c7a6f&0&0000");
  PlugCamera("6&2b5c7a6f&0&0001");
  TRavorOderiri& component = CreateLoaded();
  component.SetVideoDevice(1);
  Record(component);
  component.SetVideoDevice(5);
  component.SetVideoDevice(-1);
  EXPECT_EQ(events,
            (std::vector<std::string>{"ErrorLog 40 Warning: video device index out of range",
                                      "ErrorLog 40 Error: index out of range"}));
  EXPECT_EQ(component.VideoDevice(), -1);
  EXPECT_EQ(component.CurrentDeviceIndex(), 1);
}

TEST_F(ComponentTest, PerDeviceSettingsAreResetWhenTheDeviceIsSelected) {
  PlugCamera("6&2b5c7a6f&0&0000");
  TRavorOderiri& component = Create();
  component.SetVideoSize(3);
  component.SetFrameRate(15);   // dropped: not loaded yet
  component.SetAudioDevice(1);  // dropped as well
  component.Loaded();
  EXPECT_EQ(component.VideoSize(), 0);
  EXPECT_DOUBLE_EQ(component.FrameRate(), 30.0);
  EXPECT_EQ(component.AudioDevice(), 0);
}

TEST_F(ComponentTest, FrameRateIgnoresNonPositiveValuesAndDoesNotApplyToDV) {
  TRavorOderiri& component = CreateLoaded();
  Record(component);
  component.SetFrameRate(0);
  component.SetFrameRate(-5);
  EXPECT_TRUE(events.empty());
  component.SetFrameRate(25);
  EXPECT_DOUBLE_EQ(component.FrameRate(), 25.0);
  component.State().settings[rs_IsDigitalVideoIn].BoolValue = true;
  ASSERT_TRUE(component.IsDVDevice());
  component.SetFrameRate(12.5);
  EXPECT_DOUBLE_EQ(component.FrameRate(), 25.0);
  EXPECT_EQ(events, std::vector<std::string>{"ErrorLog 80 Warning: does not apply to DV"});
}

TEST_F(ComponentTest, BurstSettingsIgnoreNegativeValuesAndBurstModeReloadsTheCounters) {
  TRavorOderiri& component = CreateLoaded();
  component.SetBurstCount(-1);
  component.SetBurstInterval(-1);
  EXPECT_EQ(component.BurstCount(), 3);
  EXPECT_EQ(component.BurstInterval(), 1);
  component.SetBurstCount(0);
  component.SetBurstInterval(4);
  component.SetBurstMode(true);
  EXPECT_EQ(component.State().burstFramesLeft, 0);
  EXPECT_EQ(component.State().burstSkip, 4);
}

TEST_F(ComponentTest, IndexRefusalsOfCompressorsAndAudioDevices) {
  TRavorOderiri& component = CreateLoaded();
  Record(component);
  component.SetAudioCompressor(-1);
  component.SetVideoCompressor(-2);
  component.SetAudioDevice(3);
  component.SetVideoCompressor(2);
  EXPECT_EQ(events,
            (std::vector<std::string>{"ErrorLog 40 Error: index out of range",
                                      "ErrorLog 40 Error: VideoCompressor index out of range",
                                      "ErrorLog 40 Error: AudioDevice index out of range"}));
  EXPECT_EQ(component.AudioCompressor(), 0);
  EXPECT_EQ(component.AudioDevice(), 0);
  EXPECT_EQ(component.VideoCompressor(), 2);
}

TEST_F(LoggedComponentTest, PlayerRateOutsideThePlayerIsOnlyLogged) {
  TRavorOderiri& component = CreateLoaded();
  Record(component);
  component.SetPlayerRate(2.0);
  EXPECT_DOUBLE_EQ(component.PlayerRate(), 2.0);
  EXPECT_TRUE(LogHasLine("46 Error: not playing"));
  EXPECT_TRUE(events.empty());
}

TEST_F(ComponentTest, StoragePathIsCreatedAndAnUncreatableOneIsReported) {
  TRavorOderiri& component = CreateLoaded();
  Record(component);
  component.State().jpegSequence = 7;
  component.SetStoragePath("shots/2026/jan");
  EXPECT_TRUE(std::filesystem::is_directory("shots/2026/jan"));
  EXPECT_EQ(component.State().jpegSequence, 0);
  std::ofstream("plain-file") << "x";
  component.SetStoragePath("plain-file/sub");
  EXPECT_EQ(component.StoragePath(), "plain-file/sub");
  EXPECT_EQ(events,
            std::vector<std::string>{"ErrorLog 9 Error: cannot create directory plain-file/sub"});
}

TEST_F(ComponentTest, BorderStyleSetsTheAllowanceOfTheVideoWindow) {
  TRavorOderiri& component = Create();
  component.SetBorderStyle(bsSingle);
  EXPECT_EQ(component.State().borderAllowance, 4);
  EXPECT_NE(component.frameShape(), QFrame::NoFrame);
  component.SetBorderStyle(bsNone);
  EXPECT_EQ(component.State().borderAllowance, 0);
}

TEST_F(ComponentTest, EscapeLeavesFullScreenButTheNextVideoWindowIsFullScreenAgain) {
  TRavorOderiri& component = CreateLoaded();
  component.SetFullScreenPreview(true);
  std::string keys;
  component.OnFullScreenKeyPress = [&](TRavorOderiri*, char& key) {
    keys += key;
    if (key == 'q') key = 27;  // the handler may change the key
  };
  QKeyEvent letter(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, "a");
  QApplication::sendEvent(&component, &letter);
  QKeyEvent quit(QEvent::KeyRelease, Qt::Key_Q, Qt::NoModifier, "q");
  QApplication::sendEvent(&component, &quit);
  EXPECT_EQ(keys, "aq");
  EXPECT_TRUE(component.FullScreenPreview());
}

}  // namespace
}  // namespace rudozav_test
