// libasound itself, without a sound card: a private ALSA configuration for this process whose
// hinted PCMs are listed and whose file PCM captures a file's samples. And capture from every
// real card present, skipped where there is none.

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "devices/alsa/AlsaApi.h"
#include "support/TempDir.h"

namespace {

constexpr unsigned kRate = 48000;
constexpr unsigned kChannels = 2;
constexpr unsigned kPeriod = 960;

// A raw S16_LE stereo file of a second, a different value in every sample.
std::vector<std::int16_t> WriteSamples(const std::filesystem::path& file) {
  std::vector<std::int16_t> samples(kRate * kChannels);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::int16_t>((i * 7919) % 65536 - 32768);
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(samples.data()),
             static_cast<std::streamsize>(samples.size() * sizeof(std::int16_t)));
  return samples;
}

// A capture PCM reading infile over a null slave, PCMs that are left out of the list (no
// description, output only, "null", a hardware plugin's name) and a pure null PCM.
std::string Configuration(const std::string& infile) {
  return R"conf(
pcm.rudozav_file {
  type file
  slave.pcm "rudozav_silence"
  file "/dev/null"
  infile ")conf" +
         infile + R"conf("
  format "raw"
  hint { show on description "Recorded sound" }
}
pcm.rudozav_silence {
  type null
  hint { show on description "Silence" }
}
pcm.rudozav_undescribed { type null }
pcm.rudozav_speaker {
  type null
  hint { show on description "Speaker" ioid Output }
}
pcm.null {
  type null
  hint { show on description "Discard all samples" }
}
pcm.dsnoop {
  type null
  hint { show on description "Hardware seen through a plugin" }
}
)conf";
}

// ALSA_CONFIG_PATH names the whole configuration libasound reads, so this process sees these
// PCMs and nothing of the machine's; libasound reloads when the path changes, and drops the
// private configuration again when the test ends.
class PrivateAlsaConfiguration : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto dir = testing_support::TestDirectory();
    samples_ = WriteSamples(dir / "in.raw");
    std::ofstream(dir / "asoundrc") << Configuration((dir / "in.raw").string());
    setenv("ALSA_CONFIG_PATH", (dir / "asoundrc").c_str(), 1);
    snd_config_update_free_global();
  }
  void TearDown() override {
    unsetenv("ALSA_CONFIG_PATH");
    snd_config_update_free_global();
  }

  std::vector<std::int16_t> samples_;
};

TEST_F(PrivateAlsaConfiguration, ListsTheHintedPcmsThatMayCapture) {
  std::vector<std::pair<std::string, std::string>> configured;
  for (const AlsaCaptureDeviceInfo& device : SystemAlsaApi()->CaptureDevices()) {
    if (!device.hardware) configured.emplace_back(device.pcm, device.description);
  }
  // The speaker's output-only hint is left out only where libasound reports its direction.
  std::erase_if(configured, [](const auto& pcm) { return pcm.first == "rudozav_speaker"; });
  EXPECT_EQ(configured, (std::vector<std::pair<std::string, std::string>>{
                            {"rudozav_file", "Recorded sound"}, {"rudozav_silence", "Silence"}}));
}

TEST_F(PrivateAlsaConfiguration, CapturesTheFileOfTheFilePlugin) {
  int error = 0;
  auto capture = SystemAlsaApi()->OpenCapture("rudozav_file", &error);
  ASSERT_TRUE(capture) << snd_strerror(error);
  EXPECT_TRUE(capture->Accepts(PcmSampleFormat::kS16LE, kChannels, kRate));
  ASSERT_EQ(capture->SetParams(PcmSampleFormat::kS16LE, kChannels, kRate, kPeriod, 4), 0);
  ASSERT_EQ(capture->Start(), 0);

  std::vector<std::int16_t> captured(samples_.size());
  unsigned frames = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (frames < kRate && std::chrono::steady_clock::now() < deadline) {
    const int ready = capture->Wait(100);
    ASSERT_GE(ready, 0) << snd_strerror(ready);
    // The file plugin reads its file a buffer at a time at most.
    const long read =
        capture->Read(&captured[frames * kChannels], std::min(kPeriod, kRate - frames));
    if (read == -EAGAIN) continue;
    ASSERT_GT(read, 0) << snd_strerror(static_cast<int>(read));
    frames += static_cast<unsigned>(read);
  }
  ASSERT_EQ(frames, kRate);
  EXPECT_TRUE(captured == samples_) << "the file's samples, in order";

  std::int64_t stampNs = 0;
  long available = 0;
  const int stamped = capture->Timestamp(&stampNs, &available);
  EXPECT_TRUE(stamped == -EINVAL || (stamped == 0 && stampNs > 0)) << stamped;
  EXPECT_EQ(capture->Drop(), 0);
  EXPECT_EQ(capture->Start(), 0) << "ready again after a drop";
}

TEST_F(PrivateAlsaConfiguration, OpeningAnUnknownPcmFails) {
  int error = 0;
  EXPECT_FALSE(SystemAlsaApi()->OpenCapture("rudozav_absent", &error));
  EXPECT_LT(error, 0);
}

// Every card's capture device that no other program holds, for a fifth of a second.
TEST(RealAlsaCapture, CapturesFromEveryCardPresent) {
  std::vector<AlsaCaptureDeviceInfo> cards = SystemAlsaApi()->CaptureDevices();
  std::erase_if(cards, [](const AlsaCaptureDeviceInfo& device) { return !device.hardware; });
  if (cards.empty()) GTEST_SKIP() << "no sound card captures here";
  int captured = 0;
  for (const AlsaCaptureDeviceInfo& card : cards) {
    SCOPED_TRACE(card.pcm);
    int error = 0;
    auto capture = SystemAlsaApi()->OpenCapture("plug" + card.pcm, &error);
    if (!capture && error == -EBUSY) continue;  // a sound server holds it
    ASSERT_TRUE(capture) << snd_strerror(error);
    ASSERT_EQ(capture->SetParams(PcmSampleFormat::kS16LE, kChannels, kRate, kPeriod, 4), 0);
    ASSERT_EQ(capture->Start(), 0);
    std::vector<std::int16_t> buffer(kPeriod * kChannels);
    unsigned frames = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (frames < kRate / 5 && std::chrono::steady_clock::now() < deadline) {
      if (capture->Wait(100) <= 0) continue;
      const long read = capture->Read(buffer.data(), kPeriod);
      if (read == -EPIPE) {
        ASSERT_EQ(capture->Recover(static_cast<int>(read)), 0);
        ASSERT_EQ(capture->Start(), 0);
      } else if (read > 0) {
        frames += static_cast<unsigned>(read);
      }
    }
    EXPECT_GE(frames, kRate / 5);
    ++captured;
  }
  if (captured == 0) GTEST_SKIP() << "every card is held by another program";
}

// The capture mixer of every card present, read only: a test must not change a person's mixer.
TEST(RealAlsaMixer, ReadsTheCaptureControlsOfEveryCardPresent) {
  std::vector<AlsaCaptureDeviceInfo> cards = SystemAlsaApi()->CaptureDevices();
  std::erase_if(cards, [](const AlsaCaptureDeviceInfo& device) { return !device.hardware; });
  int read = 0;
  for (const AlsaCaptureDeviceInfo& card : cards) {
    SCOPED_TRACE(card.pcm);
    AlsaCaptureMixer mixer;
    const int error = SystemAlsaApi()->ReadCaptureMixer(card.card, &mixer);
    if (error == -ENOENT) continue;  // a card without capture controls
    ASSERT_EQ(error, 0) << snd_strerror(error);
    if (mixer.hasVolume) {
      EXPECT_LE(mixer.minVolume, mixer.volume);
      EXPECT_LE(mixer.volume, mixer.maxVolume);
    }
    if (!mixer.sources.empty()) {
      EXPECT_LT(mixer.source, static_cast<int>(mixer.sources.size()));
    }
    ++read;
  }
  if (read == 0) GTEST_SKIP() << "no sound card with capture controls here";
}

}  // namespace
