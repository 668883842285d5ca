// The ALSA capture filter over the in-memory ALSA: the formats it offers, the plug layer for a
// device that takes none of them, samples with contiguous times, an overrun recovered as a
// discontinuity, a device that goes away, and one another program holds.

#include <gtest/gtest.h>

#include "../GraphFixture.h"
#include "../TestSink.h"
#include "devices/alsa/AlsaCaptureFilter.h"
#include "devices/alsa/FakeAlsa.h"
#include "dshow/AudioMediaType.h"
#include "platform/ui/TestApplication.h"

namespace devices_test {
namespace {

constexpr char kPcm[] = "hw:CARD=Mic,DEV=0";

// A stereo 16-bit microphone at 48 kHz whose samples count up.
FakeCaptureConfig Counting() {
  FakeCaptureConfig config;
  config.formats = {PcmSampleFormat::kS16LE};
  config.channels = {2};
  config.rates = {48000};
  config.paced = false;
  for (int i = 0; i < 4096; ++i) {
    config.samples.push_back(static_cast<BYTE>(i));
    config.samples.push_back(static_cast<BYTE>(i >> 8));
  }
  return config;
}

class AlsaCapture : public GraphFixture {
 protected:
  ComPtr<devices::AlsaCaptureFilter> AddMicrophone(FakeCaptureConfig config,
                                                   const char* pcm = kPcm) {
    AlsaCaptureDeviceInfo info;
    info.pcm = pcm;
    info.hardware = true;
    fake_->AddCaptureDevice(info, std::move(config));
    auto filter = MakeComObject<devices::AlsaCaptureFilter>(fake_, pcm, "Microphone");
    EXPECT_EQ(graph_->AddFilter(filter.Get(), "Microphone"), S_OK);
    return filter;
  }

  ComPtr<TestSink> Connect(IBaseFilter* microphone) {
    auto sink = MakeComObject<TestSink>(
        [](const AM_MEDIA_TYPE& type) { return type.majortype == MEDIATYPE_Audio; });
    EXPECT_EQ(graph_->AddFilter(sink.Get(), "Sink"), S_OK);
    EXPECT_EQ(graph_->Connect(PinNamed(microphone, "Capture").Get(), sink->GetPin(0)), S_OK);
    return sink;
  }

  std::shared_ptr<FakeAlsa> fake_ = std::make_shared<FakeAlsa>();
};

TEST_F(AlsaCapture, OffersTheFormatsTheDeviceTakesBestFirst) {
  FakeCaptureConfig config;
  config.formats = {PcmSampleFormat::kS16LE, PcmSampleFormat::kU8};
  config.channels = {1, 2};
  config.rates = {44100, 48000};
  auto microphone = AddMicrophone(config);
  auto streamConfig = PinNamed(microphone.Get(), "Capture").As<IAMStreamConfig>();
  int count = 0;
  int size = 0;
  ASSERT_EQ(streamConfig->GetNumberOfCapabilities(&count, &size), S_OK);
  EXPECT_EQ(size, static_cast<int>(sizeof(AUDIO_STREAM_CONFIG_CAPS)));
  ASSERT_EQ(count, 8);
  const struct {
    int index;
    DWORD rate;
    WORD bits;
    WORD channels;
  } expected[] = {{0, 48000, 16, 2}, {1, 44100, 16, 2}, {2, 48000, 16, 1}, {7, 44100, 8, 1}};
  for (const auto& e : expected) {
    AM_MEDIA_TYPE* type = nullptr;
    AUDIO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(streamConfig->GetStreamCaps(e.index, &type, reinterpret_cast<BYTE*>(&caps)), S_OK);
    const MediaType owned = MediaType::Adopt(type);
    const WAVEFORMATEX* format = WaveFormatOf(owned.Get());
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->nSamplesPerSec, e.rate) << e.index;
    EXPECT_EQ(format->wBitsPerSample, e.bits) << e.index;
    EXPECT_EQ(format->nChannels, e.channels) << e.index;
    EXPECT_EQ(caps.MaximumSampleFrequency, e.rate) << e.index;
  }
  // 22.05 kHz is not the device's: refused.
  MediaType other = MakePcmMediaType(22050, 16, 2);
  EXPECT_EQ(streamConfig->SetFormat(&other.Get()), VFW_E_INVALIDMEDIATYPE);
}

TEST_F(AlsaCapture, ADeviceThatTakesNoCommonFormatIsUsedThroughThePlugLayer) {
  FakeCaptureConfig array;
  array.formats = {PcmSampleFormat::kS32LE};
  array.channels = {4};
  array.rates = {16000};
  auto microphone = AddMicrophone(array, "hw:CARD=Array,DEV=0");
  EXPECT_EQ(microphone->Pcm(), "plughw:CARD=Array,DEV=0");
  int count = 0;
  int size = 0;
  auto streamConfig = PinNamed(microphone.Get(), "Capture").As<IAMStreamConfig>();
  ASSERT_EQ(streamConfig->GetNumberOfCapabilities(&count, &size), S_OK);
  EXPECT_EQ(count, 28);
}

TEST_F(AlsaCapture, SamplesCarryTheDevicesSoundWithContiguousTimes) {
  auto microphone = AddMicrophone(Counting());
  auto sink = Connect(microphone.Get());
  ASSERT_EQ(Control()->Run(), S_OK);
  ASSERT_TRUE(ui_test::WaitFor([&] { return sink->Count() >= 4; }));
  ASSERT_EQ(Control()->Stop(), S_OK);
  const auto frames = sink->Frames();
  EXPECT_EQ(frames[0].length, 48000 / 50 * 4);
  EXPECT_TRUE(frames[0].discontinuity);
  EXPECT_EQ(frames[0].head[2], 1);  // the second frame's left sample
  for (std::size_t i = 1; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i].start, frames[i - 1].stop) << i;
    EXPECT_FALSE(frames[i].discontinuity) << i;
  }
  EXPECT_EQ(fake_->Counters(kPcm).openNow, 0) << "the device is closed once stopped";
}

TEST_F(AlsaCapture, AnOverrunIsRecoveredCountedAndMarkedAsADiscontinuity) {
  FakeCaptureConfig config = Counting();
  config.overrunAfterReads = 2;
  auto microphone = AddMicrophone(config);
  auto sink = Connect(microphone.Get());
  ASSERT_EQ(Control()->Run(), S_OK);
  ASSERT_TRUE(ui_test::WaitFor([&] { return sink->Count() >= 5; }));
  ASSERT_EQ(Control()->Stop(), S_OK);
  EXPECT_EQ(microphone->Pin().Overruns(), 1);
  LONG dropped = 0;
  ASSERT_EQ(PinNamed(microphone.Get(), "Capture").As<IAMDroppedFrames>()->GetNumDropped(&dropped),
            S_OK);
  EXPECT_EQ(dropped, 1);
  EXPECT_EQ(fake_->Counters(kPcm).recoveries, 1);
  const auto frames = sink->Frames();
  EXPECT_TRUE(frames[2].discontinuity);
  EXPECT_FALSE(frames[3].discontinuity);
}

TEST_F(AlsaCapture, ADeviceThatGoesAwayIsLostOnceAndStopDoesNotHang) {
  FakeCaptureConfig config = Counting();
  config.goneAfterReads = 3;
  auto microphone = AddMicrophone(config);
  auto sink = Connect(microphone.Get());
  ASSERT_EQ(Control()->Run(), S_OK);
  const auto lost = AwaitEvent(EC_DEVICE_LOST);
  ASSERT_TRUE(lost);
  EXPECT_TRUE(IsSameObject(reinterpret_cast<IUnknown*>(*lost), microphone.Get()));
  ASSERT_EQ(Control()->Stop(), S_OK);
  EXPECT_EQ(sink->Count(), 3u);
  EXPECT_FALSE(AwaitEvent(EC_DEVICE_LOST, 0)) << "lost is told once";
}

TEST_F(AlsaCapture, ADeviceAnotherProgramHoldsRefusesToLeaveStoppedWithTheBusyCode) {
  FakeCaptureConfig config = Counting();
  auto microphone = AddMicrophone(config);
  auto sink = Connect(microphone.Get());
  int error = 0;
  auto other = fake_->OpenCapture(kPcm, &error);  // another program holds the device
  ASSERT_TRUE(other);
  EXPECT_EQ(microphone->Pause(), devices::kDeviceInUse);
  EXPECT_TRUE(microphone->IsStopped());
  other.reset();
  EXPECT_TRUE(SUCCEEDED(microphone->Pause()));
  EXPECT_EQ(microphone->Stop(), S_OK);
}

}  // namespace
}  // namespace devices_test
