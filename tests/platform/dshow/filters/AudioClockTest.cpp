// The audio renderer as a reference clock, driven sample by sample on the test clock against an
// in-memory sound card whose crystal runs apart from the system's or stalls.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "FilterTestSupport.h"
#include "clock/Clock.h"
#include "devices/alsa/FakeAlsa.h"
#include "dshow/AudioMediaType.h"
#include "dshow/Uuids.h"
#include "dshow/base/MediaSample.h"
#include "dshow/filters/AudioRenderer.h"

namespace {

using filter_test::ConnectFilters;
using filter_test::DisconnectAll;
using filter_test::FrameSource;

constexpr DWORD kStepMs = 10;
constexpr LONG kSampleBytes = 80 * 4;           // 10 ms of 16-bit stereo at 8 kHz
constexpr REFERENCE_TIME kSample = 100'000;     // its length
constexpr REFERENCE_TIME kTolerance = 20'000;   // 2 ms between the clock and what is heard
constexpr REFERENCE_TIME kLead = 10 * kSample;  // sound queued ahead, as a device buffer holds

// An audio renderer running on its own clock, fed by the test from its thread as a streaming
// thread would, with samples as fast as the device takes them.
class DeviceClock : public ::testing::Test {
 protected:
  void SetUp() override {
    sysclock::UseTestClock(1000);
    MediaType type = MakePcmMediaType(8000, 16, 2);
    type->lSampleSize = kSampleBytes;
    source_ = MakeComObject<FrameSource>(type);
    renderer_ = MakeComObject<AudioRenderer>(CLSID_AudioRender, alsa_);
    ASSERT_EQ(ConnectFilters(source_.Get(), renderer_.Get()), S_OK);
    ASSERT_EQ(renderer_->SetSyncSource(renderer_.Get()), S_OK);
    ASSERT_TRUE(SUCCEEDED(renderer_->Pause()));
    ASSERT_TRUE(renderer_->PlayingToDevice());
    start_ = Clock();
    ASSERT_EQ(renderer_->Run(start_), S_OK);
    // The device starts with the first sound written, at start_.
    while (fed_ < kLead)
      Feed();
  }
  void TearDown() override {
    renderer_->Stop();
    renderer_->SetSyncSource(nullptr);  // the renderer as its own clock holds itself
    DisconnectAll(renderer_.Get());     // connected pins hold each other's filters
    sysclock::UseRealClock();
  }

  REFERENCE_TIME Clock() {
    REFERENCE_TIME now = 0;
    EXPECT_EQ(renderer_->GetTime(&now), S_OK);
    return now;
  }

  // Moves time on by one step, keeping kLead of sound written ahead of what the device plays at
  // the speed it was told; false when the clock ran backwards.
  bool Step(double speed) {
    sysclock::Advance(kStepMs);
    const double step = static_cast<double>(kStepMs) * 10'000 * speed;
    if (!stalled_) played_ += step;
    // The writer goes on as a device with a long buffer lets it, stalled or not.
    scheduled_ += step;
    while (fed_ < std::llround(scheduled_) + kLead)
      Feed();
    const REFERENCE_TIME now = Clock();
    const bool forward = now >= last_;
    last_ = now;
    return forward;
  }

  void Feed() {
    CMediaSample sample(nullptr, buffer_.data(), kSampleBytes);
    REFERENCE_TIME stop = fed_ + kSample;
    sample.SetTime(&fed_, &stop);
    ASSERT_EQ(renderer_->DoRenderSample(&sample), S_OK);
    fed_ = stop;
  }

  void Stall(bool stalled) {
    alsa_->StallPlayback(stalled);
    stalled_ = stalled;
  }

  // How far the clock is from the stream time the device sounds now.
  REFERENCE_TIME Apart() { return Clock() - (start_ + std::llround(played_)); }

  std::shared_ptr<FakeAlsa> alsa_ = std::make_shared<FakeAlsa>();
  ComPtr<FrameSource> source_;
  ComPtr<AudioRenderer> renderer_;
  std::vector<BYTE> buffer_ = std::vector<BYTE>(kSampleBytes);
  REFERENCE_TIME start_ = 0;
  REFERENCE_TIME fed_ = 0;   // stream time written
  double played_ = 0;        // stream time the device has played
  double scheduled_ = 0;     // what it would have played without stalls
  REFERENCE_TIME last_ = 0;  // the last reading of the clock
  bool stalled_ = false;
};

class DeviceSpeed : public DeviceClock, public ::testing::WithParamInterface<double> {};

TEST_P(DeviceSpeed, TheClockKeepsThePaceOfTheSoundCardOverAMinute) {
  alsa_->SetPlaybackSpeed(GetParam());
  for (int step = 0; step < 60'000 / static_cast<int>(kStepMs); ++step) {
    ASSERT_TRUE(Step(GetParam())) << "the clock ran backwards at step " << step;
    if (step >= 100) {
      ASSERT_LE(std::abs(Apart()), kTolerance) << "step " << step;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Crystals, DeviceSpeed, ::testing::Values(1.005, 0.995, 1.0));

TEST_F(DeviceClock, AStalledDeviceLeavesTheClockToThePlatformClockAndIsFollowedAgainAfter) {
  constexpr double kFast = 1.005;
  alsa_->SetPlaybackSpeed(kFast);
  for (int step = 0; step < 500; ++step)
    ASSERT_TRUE(Step(kFast));
  Stall(true);
  const REFERENCE_TIME before = Clock();
  for (int step = 0; step < 500; ++step)
    ASSERT_TRUE(Step(kFast)) << "the clock ran backwards while the device stalled";
  // Slewed toward the stalled card only until the stall shows (kStall), then the platform's pace.
  EXPECT_NEAR(static_cast<double>(Clock() - before), 500.0 * kStepMs * 10'000, 30'000);
  // Moving again, the card is followed at its pace from where the clock stands: no jump back.
  Stall(false);
  ASSERT_TRUE(Step(kFast));
  const REFERENCE_TIME resumedAt = Clock();
  const double playedAt = played_;
  for (int step = 0; step < 1000; ++step)
    ASSERT_TRUE(Step(kFast)) << "the clock ran backwards after the stall";
  EXPECT_NEAR(static_cast<double>(Clock() - resumedAt), played_ - playedAt, kTolerance);
}

}  // namespace
