// Test entry: every test gets its own current directory, registry and system directory, a V4L2
// without nodes, an ALSA without capture devices and no FFmpeg compressors in the device lists,
// so that a camera, microphone or codec of the machine never takes part in a test unless the
// test asks for it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "devices/alsa/AlsaApi.h"
#include "devices/encoders/EncoderDeviceSource.h"
#include "devices/v4l2/FakeV4l2.h"
#include "support/TempDir.h"

namespace testing_support {
namespace {

// The machine's ALSA for playback (the audio renderer plays, or falls back on silence), with no
// capture device.
class PlaybackOnlyAlsa final : public AlsaApi {
 public:
  std::unique_ptr<AlsaPcm> OpenPlayback(const std::string& device, int* error) override {
    return SystemAlsaApi()->OpenPlayback(device, error);
  }
};

std::unique_ptr<TempDir> g_testDir;
std::filesystem::path g_startDir;

class HermeticTests : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    g_testDir = std::make_unique<TempDir>();
    const auto& dir = g_testDir->path();
    std::filesystem::create_directories(dir / "system");
    setenv("RUDOZAV_REGISTRY", (dir / "registry.db").c_str(), 1);
    setenv("RUDOZAV_SYSTEM_DIR", (dir / "system").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    std::filesystem::current_path(dir);
    devices::SetDefaultV4l2Api(std::make_shared<devices::FakeV4l2>());
    SetDefaultAlsaApi(std::make_shared<PlaybackOnlyAlsa>());
    devices::SetEncoderCompressorsListed(false);
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    std::filesystem::current_path(g_startDir);
    g_testDir.reset();
  }
};

}  // namespace

const std::filesystem::path& TestDirectory() {
  return g_testDir->path();
}

}  // namespace testing_support

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  testing_support::g_startDir = std::filesystem::current_path();
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::UnitTest::GetInstance()->listeners().Append(new testing_support::HermeticTests);
  return RUN_ALL_TESTS();
}
