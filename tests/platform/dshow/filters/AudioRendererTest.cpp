// The audio renderer against the in-memory ALSA: what it plays, and going on silently.

#include "dshow/filters/AudioRenderer.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "FilterTestSupport.h"
#include "devices/alsa/FakeAlsa.h"
#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"

namespace {

using filter_test::ConnectFilters;
using filter_test::FilterChain;
using filter_test::FrameSource;
using filter_test::WaitUntil;

// 10 ms of 16-bit stereo at 8 kHz per sample, a ramp of bytes.
MediaType Pcm() {
  MediaType type = MakePcmMediaType(8000, 16, 2);
  type->lSampleSize = 320;
  return type;
}

struct AudioChain {
  explicit AudioChain(std::shared_ptr<FakeAlsa> alsa) {
    source = MakeComObject<FrameSource>(Pcm());
    renderer = MakeComObject<AudioRenderer>(CLSID_AudioRender, std::move(alsa));
    EXPECT_EQ(ConnectFilters(source.Get(), renderer.Get()), S_OK);
    chain.Add(source.Get(), "source");
    chain.Add(renderer.Get(), "Audio Renderer");
  }
  ComPtr<FrameSource> source;
  ComPtr<AudioRenderer> renderer;
  FilterChain chain;
};

std::vector<BYTE> Ramp(size_t bytes) {
  std::vector<BYTE> data(bytes);
  for (size_t i = 0; i < bytes; ++i)
    data[i] = static_cast<BYTE>(i);
  return data;
}

TEST(AudioRendererTest, WritesWhatItReceivesToTheDevice) {
  auto alsa = std::make_shared<FakeAlsa>();
  AudioChain a(alsa);
  a.source->Stream()->frameLimit = 4;
  ASSERT_TRUE(SUCCEEDED(a.chain.Run()));
  ASSERT_TRUE(WaitUntil([&] { return a.chain.Graph().Count(EC_COMPLETE) == 1; }));
  EXPECT_TRUE(a.renderer->PlayingToDevice());
  const auto devices = alsa->Devices();
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].name, "default");
  EXPECT_EQ(devices[0].rate, 8000u);
  EXPECT_EQ(devices[0].channels, 2u);
  std::vector<BYTE> expected;
  for (int i = 0; i < 4; ++i) {
    const auto frame = Ramp(320);
    expected.insert(expected.end(), frame.begin(), frame.end());
  }
  EXPECT_EQ(devices[0].written, expected);
  EXPECT_EQ(a.renderer->SilentBytes(), 0);

  a.chain.Stop();
  EXPECT_TRUE(alsa->Devices()[0].closed) << "the device is closed when the graph stops";
  EXPECT_FALSE(a.renderer->PlayingToDevice());
}

TEST(AudioRendererTest, WithoutADeviceItGoesOnSilently) {
  auto alsa = std::make_shared<FakeAlsa>();
  alsa->FailOpen(-ENOENT);
  AudioChain a(alsa);
  a.source->Stream()->frameLimit = 3;
  ASSERT_TRUE(SUCCEEDED(a.chain.Run()));
  ASSERT_TRUE(WaitUntil([&] { return a.chain.Graph().Count(EC_COMPLETE) == 1; }));
  EXPECT_FALSE(a.renderer->PlayingToDevice());
  EXPECT_EQ(a.renderer->SilentBytes(), 3 * 320);
  EXPECT_EQ(alsa->OpenAttempts(), 1);
}

TEST(AudioRendererTest, ADeviceThatFailsWhilePlayingLeavesTheRestSilent) {
  auto alsa = std::make_shared<FakeAlsa>();
  AudioChain a(alsa);
  a.source->Stream()->frameLimit = 1;
  ASSERT_TRUE(SUCCEEDED(a.chain.Run()));
  ASSERT_TRUE(WaitUntil([&] { return a.chain.Graph().Count(EC_COMPLETE) == 1; }));
  a.chain.Stop();

  alsa->FailWrites(1, -ENODEV);
  a.source->Stream()->frameLimit = 4;  // three more
  ASSERT_TRUE(SUCCEEDED(a.chain.Run()));
  ASSERT_TRUE(WaitUntil([&] { return a.chain.Graph().Count(EC_COMPLETE) == 2; }));
  EXPECT_FALSE(a.renderer->PlayingToDevice());
  EXPECT_EQ(a.renderer->SilentBytes(), 3 * 320);
  EXPECT_EQ(alsa->BytesWritten(), 320u);
}

TEST(AudioRendererTest, TakesPlayablePcmOnly) {
  auto renderer = MakeComObject<AudioRenderer>(CLSID_DSoundRender, std::make_shared<FakeAlsa>());
  EXPECT_EQ(renderer->CheckMediaType(Pcm().Ptr()), S_OK);
  MediaType compressed = Pcm();
  WaveFormatOf(compressed.Get())->wFormatTag = 0x55;
  EXPECT_NE(renderer->CheckMediaType(compressed.Ptr()), S_OK);
  MediaType video(MEDIATYPE_Video, MEDIASUBTYPE_RGB24);
  EXPECT_NE(renderer->CheckMediaType(video.Ptr()), S_OK);
  CLSID clsid;
  renderer->GetClassID(&clsid);
  EXPECT_EQ(clsid, CLSID_DSoundRender);
}

// Sound at a segment rate: resampled to last 1/rate as long where that can be followed, muted
// (taken by the silent sink) where not.
struct RateCase {
  double rate;
  double playedShare;  // of the bytes received, what reaches the device
};

class AudioRate : public ::testing::TestWithParam<RateCase> {};

TEST_P(AudioRate, SoundFollowsTheRateOrIsMuted) {
  constexpr int kSamples = 20;
  auto alsa = std::make_shared<FakeAlsa>();
  AudioChain a(alsa);
  a.source->Stream()->frameLimit = kSamples;
  ASSERT_EQ(a.renderer->InputPin()->NewSegment(0, MAX_TIME, GetParam().rate), S_OK);
  ASSERT_TRUE(SUCCEEDED(a.chain.Run()));
  ASSERT_TRUE(WaitUntil([&] { return a.chain.Graph().Count(EC_COMPLETE) == 1; }));
  const double received = kSamples * 320;
  // The resampler keeps a few frames back: allow 64 frames of 4 bytes.
  EXPECT_NEAR(static_cast<double>(alsa->BytesWritten()), received * GetParam().playedShare, 256);
  EXPECT_EQ(a.renderer->SilentBytes(), GetParam().playedShare == 0 ? received : 0);
}

INSTANTIATE_TEST_SUITE_P(Rates, AudioRate,
                         ::testing::Values(RateCase{1.0, 1.0}, RateCase{2.0, 0.5},
                                           RateCase{0.5, 2.0}, RateCase{4.0, 0.0}));

}  // namespace
