// Virtual devices in filter graphs: streaming and stopping, the crossbars upstream of a capture
// card, a device lost while it streams, and compressors and microphones on the way.

#include <gtest/gtest.h>

#include <QSlider>
#include <optional>

#include "GraphFixture.h"
#include "TestSink.h"
#include "devices/virtual/Timecode.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/PropertyPageClasses.h"
#include "dshow/base/SourceStream.h"
#include "platform/ui/FrameTesting.h"
#include "platform/ui/RecordingWidget.h"
#include "platform/ui/TestApplication.h"

namespace devices_test {
namespace {

constexpr UINT kGraphMessage = WM_APP + 7;

constexpr char kCamera[] = R"({"friendlyName": "Cam", "vid": "1d6b", "pid": "0102",
  "pins": [{"role": "capture", "formats": [{"subtype": "YUY2", "size": [640, 480], "frameRate": 30}]}],
  "droppedFrames": {}})";

class VirtualGraph : public GraphFixture {
 protected:
  void SetUp() override {
    virtualdevices::Reset();
    GraphFixture::SetUp();
  }
  void TearDown() override {
    GraphFixture::TearDown();
    virtualdevices::Reset();
  }

  // Plugs the device, binds it and adds it to the graph.
  ComPtr<IBaseFilter> AddDevice(const std::string& json, const char* name) {
    const auto plugged = virtualdevices::Plug(json);
    EXPECT_TRUE(plugged) << plugged.error;
    if (!plugged) return nullptr;
    displayName_ = plugged.displayNames.back();
    ComPtr<IBaseFilter> filter = BindDevice(displayName_);
    EXPECT_TRUE(filter);
    if (filter) {
      EXPECT_EQ(graph_->AddFilter(filter.Get(), name), S_OK);
    }
    return filter;
  }

  ComPtr<TestSink> AddSink(std::function<bool(const AM_MEDIA_TYPE&)> accepts,
                           const char* name = "Sink") {
    auto sink = MakeComObject<TestSink>(std::move(accepts));
    EXPECT_EQ(graph_->AddFilter(sink.Get(), name), S_OK);
    return sink;
  }

  HRESULT Connect(IBaseFilter* from, const std::string& pin, CBaseFilter* to) {
    ComPtr<IPin> output = PinNamed(from, pin);
    if (!output) return E_FAIL;
    return graph_->Connect(output.Get(), to->GetPin(0));
  }

  static bool NoThreadLeft(IBaseFilter* filter) {
    ComPtr<IEnumPins> pins;
    filter->EnumPins(pins.ReleaseAndGetAddressOf());
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
      auto* stream = dynamic_cast<CSourceStream*>(pin.Get());
      if (stream != nullptr && stream->ThreadRunning()) return false;
    }
    return true;
  }

  std::string displayName_;
};

TEST_F(VirtualGraph, AYuy2CameraStreamsLiveFramesUntilStop) {
  auto camera = AddDevice(kCamera, "Video Capture");
  auto sink = AddSink(SubtypeIs(MEDIASUBTYPE_YUY2));
  ASSERT_EQ(Connect(camera.Get(), "Capture", sink.Get()), S_OK);
  ASSERT_EQ(Control()->Run(), S_OK);
  ASSERT_TRUE(ui_test::WaitFor([&] { return sink->Count() >= 4; }));
  ASSERT_EQ(Control()->Stop(), S_OK);
  EXPECT_TRUE(NoThreadLeft(camera.Get()));

  const auto frames = sink->Frames();
  for (std::size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i].length, 640 * 480 * 2);
    EXPECT_EQ(frames[i].stop - frames[i].start, 333333);
    // Media times number the frames; a slow machine skips some, which count as dropped.
    if (i > 0) {
      EXPECT_GT(frames[i].mediaStart, frames[i - 1].mediaStart);
      EXPECT_GE(frames[i].start, frames[i - 1].start);
    }
  }
  EXPECT_EQ(frames[0].mediaStart, 0);
  EXPECT_NE(frames[0].head, frames[1].head) << "the picture moves";
  // Nothing arrives once stopped.
  EXPECT_EQ(sink->Count(), frames.size());

  auto counter = PinNamed(camera.Get(), "Capture").As<IAMDroppedFrames>();
  ASSERT_TRUE(counter);
  LONG delivered = 0;
  LONG dropped = 0;
  ASSERT_EQ(counter->GetNumNotDropped(&delivered), S_OK);
  ASSERT_EQ(counter->GetNumDropped(&dropped), S_OK);
  // A frame made as the graph stopped may not have reached the sink.
  EXPECT_GE(static_cast<std::size_t>(delivered), frames.size());
  EXPECT_LE(static_cast<std::size_t>(delivered), frames.size() + 1);
  EXPECT_GE(delivered + dropped, frames.back().mediaStart + 1);
}

TEST_F(VirtualGraph, SetFormatOnAConnectedPinConnectsItAgainWithTheNewRate) {
  auto camera = AddDevice(R"({"friendlyName": "Cam", "pins": [{"formats": [
      {"subtype": "YUY2", "size": [320, 240], "frameRate": 30, "frameRates": [5, 30]}]}]})",
                          "Video Capture");
  auto sink = AddSink(SubtypeIs(MEDIASUBTYPE_YUY2));
  ASSERT_EQ(Connect(camera.Get(), "Capture", sink.Get()), S_OK);
  auto config = PinNamed(camera.Get(), "Capture").As<IAMStreamConfig>();
  AM_MEDIA_TYPE* current = nullptr;
  ASSERT_EQ(config->GetFormat(&current), S_OK);
  MediaType slower = MediaType::Adopt(current);
  SetAvgTimePerFrame(slower.Get(), 500000);
  ASSERT_EQ(config->SetFormat(&slower.Get()), S_OK);
  MediaType connected;
  ASSERT_EQ(sink->InputPin()->ConnectionMediaType(connected.ResetAndGet()), S_OK);
  EXPECT_EQ(ReadVideoFormat(connected.Get())->avgTimePerFrame, 500000);

  ASSERT_EQ(Control()->Run(), S_OK);
  ASSERT_TRUE(ui_test::WaitFor([&] { return sink->Count() >= 2; }));
  EXPECT_EQ(config->SetFormat(&slower.Get()), VFW_E_NOT_STOPPED);
  ASSERT_EQ(Control()->Stop(), S_OK);
  EXPECT_EQ(sink->Frames()[0].stop - sink->Frames()[0].start, 500000);
}

TEST_F(VirtualGraph, ThroughTheColourSpaceConverterToAnRgb24OnlySink) {
  if (!IsBuiltInClass(CLSID_Colour)) GTEST_SKIP() << "no colour space converter in this build";
  auto camera = AddDevice(kCamera, "Video Capture");
  auto sink = AddSink(SubtypeIs(MEDIASUBTYPE_RGB24));
  ASSERT_EQ(Connect(camera.Get(), "Capture", sink.Get()), S_OK);
  ASSERT_EQ(Control()->Run(), S_OK);
  ASSERT_TRUE(ui_test::WaitFor([&] { return sink->Count() >= 3; }));
  ASSERT_EQ(Control()->Stop(), S_OK);
  EXPECT_TRUE(NoThreadLeft(camera.Get()));
  EXPECT_EQ(sink->Frames()[0].length, 640 * 480 * 3);
}

TEST_F(VirtualGraph, UnpluggingAStreamingCameraPostsDeviceLostAndStopStillWorks) {
  ui_test::RecordingWidget window;
  auto camera = AddDevice(kCamera, "Video Capture");
  auto sink = AddSink(SubtypeIs(MEDIASUBTYPE_YUY2));
  ASSERT_EQ(Connect(camera.Get(), "Capture", sink.Get()), S_OK);
  auto events = graph_.As<IMediaEventEx>();
  ASSERT_EQ(events->SetNotifyWindow(reinterpret_cast<OAHWND>(&window), kGraphMessage, 5), S_OK);
  ASSERT_EQ(Control()->Run(), S_OK);
  ASSERT_TRUE(ui_test::WaitFor([&] { return sink->Count() >= 2; }));

  ASSERT_TRUE(virtualdevices::Unplug(displayName_));
  const auto lost = AwaitEvent(EC_DEVICE_LOST);
  ASSERT_TRUE(lost);
  EXPECT_TRUE(IsSameObject(reinterpret_cast<IUnknown*>(*lost), camera.Get()));
  ASSERT_TRUE(ui_test::WaitFor([&] { return !window.received.empty(); }));
  EXPECT_EQ(window.received[0].msg, kGraphMessage);
  EXPECT_EQ(window.received[0].lParam, 5);
  const std::size_t delivered = sink->Count();

  ASSERT_EQ(Control()->Stop(), S_OK);
  EXPECT_TRUE(NoThreadLeft(camera.Get()));
  EXPECT_EQ(sink->Count(), delivered) << "a lost device delivers nothing more";
  EXPECT_FALSE(AwaitEvent(EC_DEVICE_LOST, 0)) << "lost is told once";
}

TEST_F(VirtualGraph, ADeviceDescribedToGetLostStopsAfterItsFrames) {
  auto camera =
      AddDevice(R"({"friendlyName": "Flaky", "faults": {"lostAfterFrames": 3}})", "Video Capture");
  auto sink = AddSink(SubtypeIs(MEDIASUBTYPE_YUY2));
  ASSERT_EQ(Connect(camera.Get(), "Capture", sink.Get()), S_OK);
  ASSERT_EQ(Control()->Run(), S_OK);
  ASSERT_TRUE(AwaitEvent(EC_DEVICE_LOST));
  ASSERT_EQ(Control()->Stop(), S_OK);
  EXPECT_EQ(sink->Count(), 3u);
}

TEST_F(VirtualGraph, ADeviceThatRefusesGraphsCannotBeAdded) {
  const auto plugged = virtualdevices::Plug(
      R"({"friendlyName": "Proud", "kind": "vfw", "faults": {"addFails": true}})");
  ASSERT_TRUE(plugged);
  auto filter = BindDevice(plugged.displayNames[0]);
  ASSERT_TRUE(filter);
  EXPECT_TRUE(FAILED(graph_->AddFilter(filter.Get(), "Test")));
}

TEST_F(VirtualGraph, FindInterfaceFindsTheCrossbarsUpstreamOfTheCaptureCard) {
  auto card = AddDevice(R"({"friendlyName": "TV Card", "crossbars": [
      {"name": "Video Crossbar",
       "inputs": [{"type": "Tuner", "related": 3}, {"type": "Composite", "related": 4}, {"type": "SVideo", "related": 4},
                  {"type": "AudioTuner", "related": 0}, {"type": "AudioLine", "related": 1}],
       "outputs": [{"type": "VideoDecoder", "related": 1}, {"type": "AudioDecoder", "related": 0}]},
      {"name": "Audio Crossbar",
       "inputs": [{"type": "AudioTuner"}, {"type": "AudioLine"}],
       "outputs": [{"type": "AudioTuner"}, {"type": "AudioLine"}], "feeds": [3, 4]}]})",
                        "Video Capture");
  ComPtr<ICaptureGraphBuilder2> builder;
  ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, &builder), S_OK);
  ASSERT_EQ(builder->SetFiltergraph(graph_.Get()), S_OK);

  ComPtr<IAMCrossbar> video;
  ASSERT_EQ(builder->FindInterface(nullptr, nullptr, card.Get(), IID_IAMCrossbar,
                                   video.ReleaseAndGetVoidAddress()),
            S_OK);
  LONG outputs = 0, inputs = 0;
  ASSERT_EQ(video->get_PinCounts(&outputs, &inputs), S_OK);
  EXPECT_EQ(inputs, 5);
  EXPECT_EQ(outputs, 2);
  LONG related = 0, type = 0;
  ASSERT_EQ(video->get_CrossbarPinInfo(TRUE, 1, &related, &type), S_OK);
  EXPECT_EQ(type, PhysConn_Video_Composite);
  EXPECT_EQ(related, 4);
  EXPECT_EQ(video->Route(0, 2), S_OK);
  EXPECT_TRUE(FAILED(video->Route(0, 3)));  // audio does not route to the video output

  auto videoFilter = video.As<IBaseFilter>();
  ASSERT_TRUE(videoFilter);
  ComPtr<IAMCrossbar> audio;
  ASSERT_EQ(builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, videoFilter.Get(), IID_IAMCrossbar,
                                   audio.ReleaseAndGetVoidAddress()),
            S_OK);
  EXPECT_FALSE(IsSameObject(audio.Get(), video.Get()));
  ASSERT_EQ(audio->get_PinCounts(&outputs, &inputs), S_OK);
  EXPECT_EQ(inputs, 2);
  ComPtr<IAMCrossbar> beyond;
  EXPECT_TRUE(
      FAILED(builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, audio.As<IBaseFilter>().Get(),
                                    IID_IAMCrossbar, beyond.ReleaseAndGetVoidAddress())));

  // Asked again, the card does not add its crossbars a second time.
  ASSERT_EQ(builder->FindInterface(nullptr, nullptr, card.Get(), IID_IAMCrossbar,
                                   video.ReleaseAndGetVoidAddress()),
            S_OK);
  ComPtr<IEnumFilters> filters;
  ASSERT_EQ(graph_->EnumFilters(filters.ReleaseAndGetAddressOf()), S_OK);
  int count = 0;
  ComPtr<IBaseFilter> filter;
  while (filters->Next(1, filter.ReleaseAndGetAddressOf(), nullptr) == S_OK)
    ++count;
  EXPECT_EQ(count, 3);
}

TEST_F(VirtualGraph, ACompressorPassesFramesOnUnderItsFourCC) {
  auto camera = AddDevice(kCamera, "Video Capture");
  auto codec = AddDevice(
      R"({"category": "videoCompressor", "friendlyName": "Codec", "fourcc": "MJPG"})", "Codec");
  auto sink = AddSink(SubtypeIs(MEDIASUBTYPE_MJPG));
  ASSERT_EQ(graph_->Connect(PinNamed(camera.Get(), "Capture").Get(),
                            PinNamed(codec.Get(), "Input").Get()),
            S_OK);
  ASSERT_EQ(Connect(codec.Get(), "Output", sink.Get()), S_OK);
  ASSERT_EQ(Control()->Run(), S_OK);
  ASSERT_TRUE(ui_test::WaitFor([&] { return sink->Count() >= 2; }));
  ASSERT_EQ(Control()->Stop(), S_OK);
  EXPECT_EQ(sink->Frames()[0].length, 640 * 480 * 2);
}

TEST_F(VirtualGraph, CompressedCamerasDeliverRealFrames) {
  auto camcorder = AddDevice(R"({"friendlyName": "DV", "pins": [{"role": "interleaved"}],
                                 "timecode": {"start": "00:00:10:00", "framesPerSecond": 30}})",
                             "DV Capture");
  auto dvSink =
      AddSink([](const AM_MEDIA_TYPE& type) { return type.majortype == MEDIATYPE_Interleaved; });
  ASSERT_EQ(Connect(camcorder.Get(), "DV A/V Out", dvSink.Get()), S_OK);
  auto webcam = AddDevice(
      R"({"friendlyName": "Webcam", "pins": [{"formats": [{"subtype": "MJPG", "size": [320, 240]}]}]})",
      "MJPG Capture");
  auto jpegSink = AddSink(SubtypeIs(MEDIASUBTYPE_MJPG), "JPEG Sink");
  ASSERT_EQ(Connect(webcam.Get(), "Capture", jpegSink.Get()), S_OK);
  ASSERT_EQ(Control()->Run(), S_OK);
  ASSERT_TRUE(ui_test::WaitFor([&] { return dvSink->Count() >= 2 && jpegSink->Count() >= 2; }));
  ASSERT_EQ(Control()->Stop(), S_OK);

  const auto dv = dvSink->Frames();
  EXPECT_EQ(dv[0].length, 120000);  // one 525-line DV frame
  EXPECT_EQ(dv[0].head[0], 0x1F) << "a DIF header block comes first";
  const auto jpeg = jpegSink->Frames();
  ASSERT_GE(jpeg[0].head.size(), 2u);
  EXPECT_EQ(jpeg[0].head[0], 0xFF);
  EXPECT_EQ(jpeg[0].head[1], 0xD8);  // start of image

  // The tape's time code has run on at least to the last frame delivered (a slow machine skips
  // frames, and the tape runs on).
  TIMECODE_SAMPLE sample;
  sample.dwFlags = ED_DEVCAP_TIMECODE_READ;
  ASSERT_EQ(camcorder.As<IAMTimecodeReader>()->GetTimecode(&sample), S_OK);
  const LONGLONG run = devices::TimecodeToFrames(sample.timecode.dwFrames, 30) - 10 * 30;
  EXPECT_GE(run, dv.back().mediaStart + 1);
}

TEST_F(VirtualGraph, AMicrophoneDeliversItsToneInTheFormatSet) {
  auto microphone = AddDevice(R"({"category": "audio", "friendlyName": "Mic",
      "formats": [{"samplesPerSec": 44100, "bitsPerSample": 16, "channels": 2},
                  {"samplesPerSec": 8000, "bitsPerSample": 8, "channels": 1}],
      "tone": {"frequency": 1000, "amplitude": 0.5}})",
                              "Audio Capture");
  auto config = PinNamed(microphone.Get(), "Capture").As<IAMStreamConfig>();
  ASSERT_TRUE(config);
  MediaType format = MakePcmMediaType(22050, 16, 1);
  ASSERT_EQ(config->SetFormat(&format.Get()), S_OK);
  MediaType tooFast = MakePcmMediaType(96000, 16, 1);
  EXPECT_EQ(config->SetFormat(&tooFast.Get()), VFW_E_INVALIDMEDIATYPE);
  auto sink = AddSink(SubtypeIs(MEDIASUBTYPE_PCM));
  ASSERT_EQ(Connect(microphone.Get(), "Capture", sink.Get()), S_OK);
  ASSERT_EQ(Control()->Run(), S_OK);
  ASSERT_TRUE(ui_test::WaitFor([&] { return sink->Count() >= 2; }));
  ASSERT_EQ(Control()->Stop(), S_OK);
  const auto frames = sink->Frames();
  EXPECT_EQ(frames[0].length, 22050 / 20 * 2);  // a twentieth of a second of 16-bit mono
  EXPECT_NE(frames[0].head, std::vector<BYTE>(frames[0].head.size(), 0));
  EXPECT_TRUE(NoThreadLeft(microphone.Get()));
}

// The device controls page changes a running camera's picture at once: the frames after OK are
// brighter, without stopping the graph.
TEST_F(VirtualGraph, BrightnessFromThePageBrightensTheRunningPicture) {
  auto camera = AddDevice(R"({"friendlyName": "Grey Cam", "vid": "1d6b", "pid": "0104",
      "pins": [{"name": "Capture", "role": "capture", "formats": [
        {"subtype": "RGB24", "size": [64, 48], "frameRate": 30}]}],
      "picture": {"pattern": "solid", "moving": false, "colour": [100, 100, 100]},
      "procAmp": {"brightness": {"min": 0, "max": 255, "default": 128}}})",
                          "Video Capture");
  auto sink = AddSink(SubtypeIs(MEDIASUBTYPE_RGB24));
  ASSERT_EQ(Connect(camera.Get(), "Capture", sink.Get()), S_OK);
  ASSERT_EQ(Control()->Run(), S_OK);
  ASSERT_TRUE(ui_test::WaitFor([&] { return sink->Count() >= 1; }));
  const BYTE before = sink->Frames().front().head.at(0);  // blue of a grey pixel
  ASSERT_EQ(ui_test::RunPropertyFrame(
                {camera.Get()}, {CLSID_DeviceControlsPage},
                [](ui::PropertyFrameDriver& frame) {
                  frame.PageWidget(0)->findChild<QSlider*>("Brightness")->setValue(230);
                  frame.PressOk();
                }),
            S_OK);
  EXPECT_TRUE(ui_test::WaitFor([&] { return sink->Frames().back().head.at(0) > before + 60; }));
  EXPECT_EQ(Control()->Stop(), S_OK);
}

}  // namespace
}  // namespace devices_test
