// The in-memory capture devices: what they accept, the faults real devices show and how a
// stream comes back from them, and waits that sleep no longer than asked.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <future>
#include <string>
#include <vector>

#include "devices/alsa/FakeAlsa.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr char kMic[] = "hw:CARD=C920,DEV=0";
constexpr unsigned kRate = 48000;
constexpr unsigned kPeriod = 960;  // 20 ms

AlsaCaptureDeviceInfo Hardware(const std::string& pcm) {
  AlsaCaptureDeviceInfo info;
  info.pcm = pcm;
  info.hardware = true;
  return info;
}

FakeCaptureConfig Unpaced() {
  FakeCaptureConfig config;
  config.paced = false;
  return config;
}

std::unique_ptr<AlsaCapture> Started(FakeAlsa& alsa, const std::string& pcm) {
  int error = 0;
  auto capture = alsa.OpenCapture(pcm, &error);
  EXPECT_EQ(error, 0);
  if (!capture) return nullptr;
  EXPECT_EQ(capture->SetParams(PcmSampleFormat::kS16LE, 2, kRate, kPeriod, 4), 0);
  EXPECT_EQ(capture->Start(), 0);
  return capture;
}

long ReadPeriod(AlsaCapture& capture) {
  std::vector<std::int16_t> buffer(kPeriod * 2);
  return capture.Read(buffer.data(), kPeriod);
}

TEST(FakeAlsaCapture, AcceptsWhatItWasMadeForAndThePlugLayerAnything) {
  auto alsa = std::make_shared<FakeAlsa>();
  alsa->AddCaptureDevice(Hardware(kMic));
  struct Case {
    const char* pcm;
    PcmSampleFormat format;
    unsigned channels;
    unsigned rate;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {kMic, PcmSampleFormat::kS16LE, 2, 48000, true},
      {kMic, PcmSampleFormat::kU8, 1, 44100, true},
      {kMic, PcmSampleFormat::kS16LE, 4, 48000, false},
      {kMic, PcmSampleFormat::kS16LE, 2, 22050, false},
      {kMic, PcmSampleFormat::kS32LE, 2, 48000, false},
      {"plughw:CARD=C920,DEV=0", PcmSampleFormat::kS32LE, 4, 22050, true},
  };
  for (const Case& c : cases) {
    int error = 0;
    auto capture = alsa->OpenCapture(c.pcm, &error);
    ASSERT_TRUE(capture) << c.pcm;
    EXPECT_EQ(capture->Accepts(c.format, c.channels, c.rate), c.accepted)
        << c.pcm << " " << c.channels << "x" << c.rate;
    EXPECT_EQ(capture->SetParams(c.format, c.channels, c.rate, kPeriod, 4),
              c.accepted ? 0 : -EINVAL);
  }
}

TEST(FakeAlsaCapture, OpensFailAsBusyUnknownOrHeldDevicesDo) {
  auto alsa = std::make_shared<FakeAlsa>();
  FakeCaptureConfig held;
  held.openError = -EBUSY;
  alsa->AddCaptureDevice(Hardware("hw:CARD=Held,DEV=0"), held);
  alsa->AddCaptureDevice(Hardware(kMic));
  alsa->AddCaptureDevice(AlsaCaptureDeviceInfo{.pcm = "default"});

  int error = 0;
  EXPECT_FALSE(alsa->OpenCapture("hw:CARD=Held,DEV=0", &error));
  EXPECT_EQ(error, -EBUSY) << "held by another program";
  EXPECT_FALSE(alsa->OpenCapture("hw:CARD=Gone,DEV=0", &error));
  EXPECT_EQ(error, -ENOENT);

  auto first = alsa->OpenCapture(kMic, &error);
  ASSERT_TRUE(first);
  EXPECT_FALSE(alsa->OpenCapture(kMic, &error));
  EXPECT_EQ(error, -EBUSY) << "a card's device serves one stream";
  EXPECT_FALSE(alsa->OpenCapture("plughw:CARD=C920,DEV=0", &error)) << "the same device";
  first.reset();
  EXPECT_TRUE(alsa->OpenCapture(kMic, &error));
  EXPECT_EQ(alsa->Counters(kMic).opens, 2);

  auto shared = alsa->OpenCapture("default", &error);
  EXPECT_TRUE(shared && alsa->OpenCapture("default", &error)) << "a sound server's PCM is shared";
}

TEST(FakeAlsaCapture, FaultsAndHowTheStreamComesBack) {
  struct Case {
    const char* what;
    int FakeCaptureConfig::*fault;
    int error;
    bool recovers;
  };
  const std::vector<Case> cases = {
      {"overrun", &FakeCaptureConfig::overrunAfterReads, -EPIPE, true},
      {"suspend", &FakeCaptureConfig::suspendAfterReads, -ESTRPIPE, true},
      {"unplugged", &FakeCaptureConfig::goneAfterReads, -ENODEV, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto alsa = std::make_shared<FakeAlsa>();
    FakeCaptureConfig config = Unpaced();
    config.*c.fault = 2;
    alsa->AddCaptureDevice(Hardware(kMic), config);
    auto capture = Started(*alsa, kMic);
    ASSERT_TRUE(capture);
    EXPECT_EQ(ReadPeriod(*capture), kPeriod);
    EXPECT_EQ(ReadPeriod(*capture), kPeriod);
    EXPECT_EQ(ReadPeriod(*capture), c.error);
    EXPECT_EQ(capture->Wait(0), c.error) << "until recovered";
    EXPECT_EQ(ReadPeriod(*capture), c.error);
    if (c.recovers) {
      EXPECT_EQ(capture->Recover(c.error), 0);
      EXPECT_EQ(ReadPeriod(*capture), -EBADFD) << "a capture stream must be started again";
      EXPECT_EQ(capture->Start(), 0);
      EXPECT_EQ(ReadPeriod(*capture), kPeriod) << "and the fault comes once";
      EXPECT_EQ(ReadPeriod(*capture), kPeriod);
    } else {
      EXPECT_LT(capture->Recover(c.error), 0);
      EXPECT_EQ(capture->Start(), -ENODEV);
      EXPECT_TRUE(alsa->CaptureDevices().empty()) << "no longer listed";
    }
    const FakeAlsa::CaptureCounters counters = alsa->Counters(kMic);
    EXPECT_EQ(counters.recoveries, 1);
    EXPECT_EQ(counters.starts, 2);
  }
}

TEST(FakeAlsaCapture, DeliversTheGivenSamplesOrATone) {
  auto alsa = std::make_shared<FakeAlsa>();
  FakeCaptureConfig given = Unpaced();
  const std::vector<std::int16_t> pattern = {1, -1, 2, -2, 3, -3};  // three stereo frames
  given.samples.resize(pattern.size() * sizeof(std::int16_t));
  std::memcpy(given.samples.data(), pattern.data(), given.samples.size());
  alsa->AddCaptureDevice(Hardware(kMic), given);
  alsa->AddCaptureDevice(Hardware("hw:CARD=Tone,DEV=0"), Unpaced());

  auto capture = Started(*alsa, kMic);
  std::vector<std::int16_t> frames(8 * 2);
  ASSERT_EQ(capture->Read(frames.data(), 8), 8);
  EXPECT_EQ(frames,
            (std::vector<std::int16_t>{1, -1, 2, -2, 3, -3, 1, -1, 2, -2, 3, -3, 1, -1, 2, -2}));

  // A second of the 440 Hz tone: 440 rising zero crossings, the same on both channels.
  auto tone = Started(*alsa, "hw:CARD=Tone,DEV=0");
  std::vector<std::int16_t> second(kRate * 2);
  for (unsigned done = 0; done < kRate;) {
    const long read = tone->Read(second.data() + done * 2, kRate - done);
    ASSERT_GT(read, 0);
    done += static_cast<unsigned>(read);
  }
  int rising = 0;
  for (unsigned i = 1; i < kRate; ++i) {
    EXPECT_EQ(second[i * 2], second[i * 2 + 1]);
    if (second[(i - 1) * 2] < 0 && second[i * 2] >= 0) ++rising;
  }
  EXPECT_NEAR(rising, 440, 1);
}

TEST(FakeAlsaCapture, PacedWaitsSleepNoLongerThanAskedAndEndOnUnplug) {
  auto alsa = std::make_shared<FakeAlsa>();
  FakeCaptureConfig noStamps;
  noStamps.noTimestamps = true;
  alsa->AddCaptureDevice(Hardware(kMic));
  alsa->AddCaptureDevice(Hardware("hw:CARD=Old,DEV=0"), noStamps);
  int error = 0;
  auto capture = alsa->OpenCapture(kMic, &error);
  ASSERT_TRUE(capture);
  constexpr unsigned kLongPeriod = kRate / 5;  // 200 ms
  ASSERT_EQ(capture->SetParams(PcmSampleFormat::kS16LE, 2, kRate, kLongPeriod, 2), 0);
  ASSERT_EQ(capture->Start(), 0);

  // A period takes 200 ms to arrive: a shorter wait times out, a longer one sees it.
  const Clock::time_point begin = Clock::now();
  EXPECT_EQ(capture->Wait(1), 0);
  EXPECT_EQ(capture->Wait(5000), 1);
  EXPECT_GE(Clock::now() - begin, milliseconds(100));
  EXPECT_LT(Clock::now() - begin, milliseconds(4000));
  std::vector<std::int16_t> buffer(kLongPeriod * 2);
  EXPECT_EQ(capture->Read(buffer.data(), kLongPeriod), static_cast<long>(kLongPeriod));

  std::int64_t stampNs = 0;
  long available = -1;
  EXPECT_EQ(capture->Timestamp(&stampNs, &available), 0);
  const std::int64_t nowNs =
      std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
  EXPECT_LE(stampNs, nowNs);
  EXPECT_GT(stampNs, nowNs - 1'000'000'000);
  EXPECT_EQ(Started(*alsa, "hw:CARD=Old,DEV=0")->Timestamp(&stampNs, &available), -EINVAL);

  // Nothing to read while waiting: unplugging wakes the wait at once.
  ASSERT_EQ(capture->Drop(), 0);
  auto waiting = std::async(std::launch::async, [&capture] { return capture->Wait(60'000); });
  EXPECT_EQ(waiting.wait_for(milliseconds(50)), std::future_status::timeout);
  alsa->RemoveCaptureDevice(kMic);
  ASSERT_EQ(waiting.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(waiting.get(), -ENODEV);
  EXPECT_EQ(ReadPeriod(*capture), -ENODEV);
}

}  // namespace
