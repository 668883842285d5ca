// ALSA playback against the in-memory device: what reaches the device, recovery and giving up.

#include "dshow/filters/PcmPlayback.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <numeric>
#include <vector>

#include "dshow/AudioMediaType.h"
#include "devices/alsa/FakeAlsa.h"

namespace {

WAVEFORMATEX Pcm(DWORD rate, WORD bits, WORD channels) {
  WAVEFORMATEX format;
  format.wFormatTag = WAVE_FORMAT_PCM;
  SetPcmFormat(format, rate, bits, channels);
  return format;
}

std::vector<BYTE> Ramp(size_t bytes) {
  std::vector<BYTE> data(bytes);
  std::iota(data.begin(), data.end(), BYTE{0});
  return data;
}

TEST(PcmPlaybackTest, WritesWholeFramesWithTheFormatsParameters) {
  auto alsa = std::make_shared<FakeAlsa>();
  PcmPlayback playback(alsa);
  ASSERT_TRUE(playback.Open("default", Pcm(44100, 16, 2)));
  const auto data = Ramp(4 * 100 + 3);  // 100 frames and a partial one that is left out
  EXPECT_TRUE(playback.Write(data.data(), data.size()));

  const auto devices = alsa->Devices();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].name, "default");
  EXPECT_EQ(devices[0].format, PcmSampleFormat::kS16LE);
  EXPECT_EQ(devices[0].channels, 2u);
  EXPECT_EQ(devices[0].rate, 44100u);
  EXPECT_EQ(devices[0].written, std::vector<BYTE>(data.begin(), data.begin() + 400));
  playback.Close();
  EXPECT_TRUE(alsa->Devices()[0].closed);
}

TEST(PcmPlaybackTest, ShortWritesAndUnderrunsLoseNothing) {
  auto alsa = std::make_shared<FakeAlsa>();
  PcmPlayback playback(alsa);
  ASSERT_TRUE(playback.Open("default", Pcm(8000, 8, 1)));
  alsa->LimitWrite(7);
  alsa->FailWrites(2, -EPIPE);
  const auto data = Ramp(50);
  EXPECT_TRUE(playback.Write(data.data(), data.size()));
  EXPECT_TRUE(playback.IsOpen());
  const auto device = alsa->Devices()[0];
  EXPECT_EQ(device.written, data);
  EXPECT_EQ(device.recoveries, 2);
}

TEST(PcmPlaybackTest, AnUnrecoverableErrorClosesTheDevice) {
  auto alsa = std::make_shared<FakeAlsa>();
  PcmPlayback playback(alsa);
  ASSERT_TRUE(playback.Open("default", Pcm(8000, 16, 1)));
  alsa->FailWrites(1, -ENODEV);  // unplugged
  const auto data = Ramp(20);
  EXPECT_FALSE(playback.Write(data.data(), data.size()));
  EXPECT_FALSE(playback.IsOpen());
  EXPECT_TRUE(alsa->Devices()[0].closed);

  // An underrun that never ends is given up too rather than looping forever.
  ASSERT_TRUE(playback.Open("default", Pcm(8000, 16, 1)));
  alsa->FailWrites(1000, -EPIPE);
  EXPECT_FALSE(playback.Write(data.data(), data.size()));
}

TEST(PcmPlaybackTest, OpenFailsForMissingDevicesAndUnplayableFormats) {
  auto alsa = std::make_shared<FakeAlsa>();
  PcmPlayback playback(alsa);
  alsa->FailOpen(-ENOENT);
  EXPECT_FALSE(playback.Open("default", Pcm(48000, 16, 2)));
  alsa->FailOpen(0);
  alsa->FailParams(-EINVAL);
  EXPECT_FALSE(playback.Open("default", Pcm(48000, 16, 2)));
  EXPECT_TRUE(alsa->Devices().back().closed) << "a device that refused the format stays closed";
  alsa->FailParams(0);

  WAVEFORMATEX odd = Pcm(48000, 12, 2);
  EXPECT_FALSE(playback.Open("default", odd));
  WAVEFORMATEX compressed = Pcm(48000, 16, 2);
  compressed.wFormatTag = 0x55;
  EXPECT_FALSE(playback.Open("default", compressed));
  EXPECT_EQ(alsa->OpenAttempts(), 2) << "unplayable formats are refused before any open";
  EXPECT_FALSE(playback.Write(nullptr, 0));
}

}  // namespace
