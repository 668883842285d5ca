// The V4L2 capture filter over the in-memory driver: the formats it probes, streaming through a
// graph, frames the driver skipped or broke, a node unplugged mid-stream, a node another program
// holds, and the picture controls.

#include <gtest/gtest.h>

#include <optional>

#include "../GraphFixture.h"
#include "../TestSink.h"
#include "devices/capture/DeviceControls.h"
#include "devices/v4l2/FakeV4l2.h"
#include "devices/v4l2/V4l2CaptureFilter.h"
#include "dshow/VideoMediaType.h"
#include "dshow/base/SourceStream.h"
#include "platform/ui/TestApplication.h"

namespace devices_test {
namespace {

using devices::FakeV4l2;
using devices::FakeV4l2Control;
using devices::FakeV4l2Device;
using devices::FakeV4l2Format;
using devices::FakeV4l2Sizes;

constexpr char kNode[] = "/dev/video0";

FakeV4l2Format Format(std::uint32_t fourcc, std::vector<FakeV4l2Sizes::Size> sizes,
                      bool compressed = false) {
  FakeV4l2Format format;
  format.fourcc = fourcc;
  format.compressed = compressed;
  format.description = compressed ? "Motion-JPEG" : "YUYV 4:2:2";
  format.sizes.sizes = std::move(sizes);
  return format;
}

// A UVC webcam: YUYV slow at its large size, MJPG fast at every size.
FakeV4l2Device UvcCamera() {
  FakeV4l2Device camera;
  camera.card = "HD Webcam C525";
  camera.formats = {
      Format(V4L2_PIX_FMT_YUYV, {{640, 480, {{1, 30}, {1, 15}}}, {1280, 720, {{1, 10}}}}),
      Format(V4L2_PIX_FMT_MJPEG, {{640, 480, {{1, 30}}}, {1280, 720, {{1, 30}, {1, 15}}}}, true),
  };
  camera.controls = {
      {V4L2_CID_BRIGHTNESS, V4L2_CTRL_TYPE_INTEGER, "Brightness", 0, 255, 1, 128, 128},
      {V4L2_CID_AUTO_WHITE_BALANCE, V4L2_CTRL_TYPE_BOOLEAN, "White Balance, Automatic", 0, 1, 1, 1,
       1},
      {V4L2_CID_WHITE_BALANCE_TEMPERATURE,
       V4L2_CTRL_TYPE_INTEGER,
       "White Balance Temperature",
       2800,
       6500,
       10,
       4000,
       4000,
       0,
       {},
       {},
       V4L2_CID_AUTO_WHITE_BALANCE,
       0},
      {V4L2_CID_POWER_LINE_FREQUENCY,
       V4L2_CTRL_TYPE_MENU,
       "Power Line Frequency",
       0,
       3,
       1,
       1,
       1,
       0,
       {"Disabled", "50 Hz", "", "Auto"}},
  };
  camera.paced = false;
  return camera;
}

class V4l2Capture : public GraphFixture {
 protected:
  ComPtr<devices::V4l2CaptureFilter> AddCamera(FakeV4l2Device device, const char* node = kNode) {
    fake_->Plug(node, std::move(device), true);
    HRESULT hr = E_FAIL;
    auto filter = devices::V4l2CaptureFilter::Open(fake_, node, "Camera", &hr);
    EXPECT_EQ(hr, S_OK);
    if (filter) {
      EXPECT_EQ(graph_->AddFilter(filter.Get(), node), S_OK);
    }
    return filter;
  }

  ComPtr<TestSink> Connect(IBaseFilter* camera, GUID subtype) {
    auto sink = MakeComObject<TestSink>(SubtypeIs(subtype));
    EXPECT_EQ(graph_->AddFilter(sink.Get(), "Sink"), S_OK);
    EXPECT_EQ(graph_->Connect(PinNamed(camera, "Capture").Get(), sink->GetPin(0)), S_OK);
    return sink;
  }

  // Runs until the sink has count frames, then stops.
  void RunFor(TestSink& sink, std::size_t count) {
    ASSERT_EQ(Control()->Run(), S_OK);
    ASSERT_TRUE(ui_test::WaitFor([&] { return sink.Count() >= count; }));
    ASSERT_EQ(Control()->Stop(), S_OK);
  }

  static LONG Dropped(IBaseFilter* camera) {
    LONG dropped = -1;
    EXPECT_EQ(PinNamed(camera, "Capture").As<IAMDroppedFrames>()->GetNumDropped(&dropped), S_OK);
    return dropped;
  }

  std::shared_ptr<FakeV4l2> fake_ = std::make_shared<FakeV4l2>();
};

TEST_F(V4l2Capture, EachFormatAndSizeIsACapabilityWithTheRatesOfThatSize) {
  auto camera = AddCamera(UvcCamera());
  auto config = PinNamed(camera.Get(), "Capture").As<IAMStreamConfig>();
  int count = 0;
  int size = 0;
  ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
  ASSERT_EQ(count, 4);
  struct Expected {
    GUID subtype;
    LONG width;
    REFERENCE_TIME fastest;
    REFERENCE_TIME slowest;
  };
  const Expected expected[] = {{MEDIASUBTYPE_YUY2, 640, 333333, 666667},
                               {MEDIASUBTYPE_YUY2, 1280, 1000000, 1000000},
                               {MEDIASUBTYPE_MJPG, 640, 333333, 333333},
                               {MEDIASUBTYPE_MJPG, 1280, 333333, 666667}};
  for (int i = 0; i < count; ++i) {
    AM_MEDIA_TYPE* type = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(config->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&caps)), S_OK);
    const MediaType owned = MediaType::Adopt(type);
    EXPECT_EQ(owned->subtype, expected[i].subtype) << i;
    EXPECT_EQ(ReadVideoFormat(owned.Get())->width, expected[i].width) << i;
    EXPECT_EQ(caps.MinFrameInterval, expected[i].fastest) << i;
    EXPECT_EQ(caps.MaxFrameInterval, expected[i].slowest) << i;
  }
}

TEST_F(V4l2Capture, ARangeOfSizesOrNoSizeListIsOneCapabilityOverTheRange) {
  for (const auto kind : {FakeV4l2Sizes::Kind::kStepwise, FakeV4l2Sizes::Kind::kNone}) {
    FakeV4l2Device device;
    device.formats[0].sizes.kind = kind;
    device.formats[0].sizes.range = {160, 1920, 16, 120, 1080, 8};
    device.formats[0].sizes.sizes = {{160, 120, {{1, 30}}}, {1920, 1080, {{1, 5}}}};
    auto camera = AddCamera(device);
    auto config = PinNamed(camera.Get(), "Capture").As<IAMStreamConfig>();
    int count = 0;
    int size = 0;
    ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
    ASSERT_EQ(count, 1) << static_cast<int>(kind);
    AM_MEDIA_TYPE* type = nullptr;
    VIDEO_STREAM_CONFIG_CAPS caps{};
    ASSERT_EQ(config->GetStreamCaps(0, &type, reinterpret_cast<BYTE*>(&caps)), S_OK);
    MediaType::Adopt(type);
    EXPECT_EQ(caps.MinOutputSize.cx, 160);
    EXPECT_EQ(caps.MaxOutputSize.cy, 1080);
    graph_->RemoveFilter(camera.Get());
    fake_->UnplugAll();
  }
}

TEST_F(V4l2Capture, StreamsFramesWithRisingTimesAndGivesTheNodeBackOnStop) {
  auto camera = AddCamera(UvcCamera());
  auto sink = Connect(camera.Get(), MEDIASUBTYPE_YUY2);
  RunFor(*sink, 4);
  const auto frames = sink->Frames();
  for (std::size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i].length, 640 * 480 * 2);
    EXPECT_EQ(frames[i].mediaStart, static_cast<LONGLONG>(i));
    if (i > 0) {
      EXPECT_GE(frames[i].start, frames[i - 1].start);
    }
  }
  EXPECT_FALSE(fake_->IsStreaming(kNode));
  EXPECT_EQ(fake_->MappedBuffers(), 0);
  EXPECT_FALSE(
      dynamic_cast<CSourceStream*>(PinNamed(camera.Get(), "Capture").Get())->ThreadRunning());
}

TEST_F(V4l2Capture, SetFormatPutsTheChosenSubtypeSizeAndRateOnTheNode) {
  auto camera = AddCamera(UvcCamera());
  auto config = PinNamed(camera.Get(), "Capture").As<IAMStreamConfig>();
  AM_MEDIA_TYPE* type = nullptr;
  VIDEO_STREAM_CONFIG_CAPS caps{};
  ASSERT_EQ(config->GetStreamCaps(3, &type, reinterpret_cast<BYTE*>(&caps)), S_OK);
  MediaType mjpg = MediaType::Adopt(type);
  SetAvgTimePerFrame(mjpg.Get(), 666667);
  ASSERT_EQ(config->SetFormat(&mjpg.Get()), S_OK);
  auto sink = Connect(camera.Get(), MEDIASUBTYPE_MJPG);
  ASSERT_EQ(Control()->Run(), S_OK);
  ASSERT_TRUE(ui_test::WaitFor([&] { return sink->Count() >= 2; }));
  const auto format = fake_->CurrentFormat(kNode);
  ASSERT_TRUE(format);
  EXPECT_EQ(format->pixelformat, static_cast<std::uint32_t>(V4L2_PIX_FMT_MJPEG));
  EXPECT_EQ(format->width, 1280u);
  EXPECT_EQ(fake_->CurrentInterval(kNode).denominator / fake_->CurrentInterval(kNode).numerator,
            15u);
  ASSERT_EQ(Control()->Stop(), S_OK);
  const auto head = sink->Frames()[0].head;
  ASSERT_GE(head.size(), 2u);
  EXPECT_EQ(head[0], 0xFF);
  EXPECT_EQ(head[1], 0xD8);
}

TEST_F(V4l2Capture, SkippedAndBrokenFramesCountAsDroppedAndNeverReachTheGraph) {
  FakeV4l2Device device = UvcCamera();
  device.formats = {device.formats[1]};  // MJPG only
  device.faults.sequenceGaps = {{2, 3}};
  device.faults.truncatedFrames = {4};
  device.faults.errorFlagFrames = {5};
  auto camera = AddCamera(device);
  auto sink = Connect(camera.Get(), MEDIASUBTYPE_MJPG);
  RunFor(*sink, 6);
  EXPECT_EQ(Dropped(camera.Get()), 3 + 1 + 1);
  for (const auto& frame : sink->Frames())
    EXPECT_GT(frame.length, 0);
}

TEST_F(V4l2Capture, UnpluggedMidStreamTheNodeIsLostOnceAndStopDoesNotHang) {
  auto camera = AddCamera(UvcCamera());
  auto sink = Connect(camera.Get(), MEDIASUBTYPE_YUY2);
  ASSERT_EQ(Control()->Run(), S_OK);
  ASSERT_TRUE(ui_test::WaitFor([&] { return sink->Count() >= 2; }));
  fake_->Unplug(kNode, true);
  const auto lost = AwaitEvent(EC_DEVICE_LOST);
  ASSERT_TRUE(lost);
  EXPECT_TRUE(IsSameObject(reinterpret_cast<IUnknown*>(*lost), camera.Get()));
  const std::size_t delivered = sink->Count();
  ASSERT_EQ(Control()->Stop(), S_OK);
  EXPECT_EQ(sink->Count(), delivered);
  EXPECT_FALSE(AwaitEvent(EC_DEVICE_LOST, 0)) << "lost is told once";
  EXPECT_EQ(Control()->Run(), devices::kDeviceNotConnected);
}

TEST_F(V4l2Capture, ALostNodeAfterSomeFramesEndsTheStreamLikeAnUnplug) {
  FakeV4l2Device device = UvcCamera();
  device.faults.lostAfterFrames = 3;
  auto camera = AddCamera(device);
  auto sink = Connect(camera.Get(), MEDIASUBTYPE_YUY2);
  ASSERT_EQ(Control()->Run(), S_OK);
  ASSERT_TRUE(AwaitEvent(EC_DEVICE_LOST));
  ASSERT_EQ(Control()->Stop(), S_OK);
  EXPECT_EQ(sink->Count(), 3u);
}

TEST_F(V4l2Capture, AStreamTheBusCannotCarryAbortsTheGraphWithTheBandwidthCode) {
  FakeV4l2Device device = UvcCamera();
  device.faults.noStreamOn = true;
  auto camera = AddCamera(device);
  auto sink = Connect(camera.Get(), MEDIASUBTYPE_YUY2);
  ASSERT_EQ(Control()->Run(), S_OK);
  const auto aborted = AwaitEvent(EC_ERRORABORT);
  ASSERT_TRUE(aborted);
  EXPECT_EQ(static_cast<HRESULT>(*aborted), devices::kDeviceNoBandwidth);
  ASSERT_EQ(Control()->Stop(), S_OK);
  EXPECT_EQ(sink->Count(), 0u);
}

TEST_F(V4l2Capture, ANodeAnotherProgramHoldsRefusesToLeaveStoppedWithTheBusyCode) {
  FakeV4l2Device held = UvcCamera();
  held.faults.busyAtSetFormat = 1000;  // every S_FMT
  auto camera = AddCamera(held);
  auto sink = Connect(camera.Get(), MEDIASUBTYPE_YUY2);
  EXPECT_EQ(camera->Pause(), devices::kDeviceInUse);
  EXPECT_TRUE(camera->IsStopped());
  EXPECT_FALSE(fake_->IsStreaming(kNode));

  // A second filter on a node the first streams from.
  auto free = AddCamera(UvcCamera(), "/dev/video2");
  auto first = MakeComObject<TestSink>(SubtypeIs(MEDIASUBTYPE_YUY2));
  ASSERT_EQ(graph_->AddFilter(first.Get(), "First"), S_OK);
  ASSERT_EQ(graph_->Connect(PinNamed(free.Get(), "Capture").Get(), first->GetPin(0)), S_OK);
  ASSERT_TRUE(SUCCEEDED(free->Pause()));
  HRESULT hr = E_FAIL;
  auto second = devices::V4l2CaptureFilter::Open(fake_, "/dev/video2", "Camera", &hr);
  ComPtr<IGraphBuilder> other;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, &other), S_OK);
  ASSERT_EQ(other->AddFilter(second.Get(), "Second"), S_OK);
  auto otherSink = MakeComObject<TestSink>(SubtypeIs(MEDIASUBTYPE_YUY2));
  ASSERT_EQ(other->AddFilter(otherSink.Get(), "Sink"), S_OK);
  ASSERT_EQ(other->Connect(PinNamed(second.Get(), "Capture").Get(), otherSink->GetPin(0)), S_OK);
  EXPECT_EQ(second->Pause(), devices::kDeviceInUse);
  ASSERT_EQ(free->Stop(), S_OK);
}

TEST_F(V4l2Capture, ProcAmpFollowsTheDriversRangesAndItsAutomaticPartners) {
  auto camera = AddCamera(UvcCamera());
  auto procAmp = camera.As<IAMVideoProcAmp>();
  ASSERT_TRUE(procAmp);
  LONG min = 0, max = 0, step = 0, def = 0, caps = 0;
  ASSERT_EQ(procAmp->GetRange(VideoProcAmp_WhiteBalance, &min, &max, &step, &def, &caps), S_OK);
  EXPECT_EQ(std::make_tuple(min, max, step, def), std::make_tuple(2800L, 6500L, 10L, 4000L));
  EXPECT_EQ(caps, VideoProcAmp_Flags_Auto | VideoProcAmp_Flags_Manual);
  EXPECT_EQ(procAmp->GetRange(VideoProcAmp_Gamma, &min, &max, &step, &def, &caps),
            E_PROP_ID_UNSUPPORTED);

  LONG value = 0, flags = 0;
  ASSERT_EQ(procAmp->Get(VideoProcAmp_WhiteBalance, &value, &flags), S_OK);
  EXPECT_EQ(flags, VideoProcAmp_Flags_Auto);
  // Manual switches the automatic partner off before the value is written.
  ASSERT_EQ(procAmp->Set(VideoProcAmp_WhiteBalance, 5000, VideoProcAmp_Flags_Manual), S_OK);
  EXPECT_EQ(fake_->ControlValue(kNode, V4L2_CID_AUTO_WHITE_BALANCE), 0);
  EXPECT_EQ(fake_->ControlValue(kNode, V4L2_CID_WHITE_BALANCE_TEMPERATURE), 5000);
  ASSERT_EQ(procAmp->Set(VideoProcAmp_WhiteBalance, 0, VideoProcAmp_Flags_Auto), S_OK);
  EXPECT_EQ(fake_->ControlValue(kNode, V4L2_CID_AUTO_WHITE_BALANCE), 1);
  EXPECT_EQ(procAmp->Set(VideoProcAmp_Brightness, 300, VideoProcAmp_Flags_Manual), E_INVALIDARG);
  EXPECT_EQ(fake_->ControlValue(kNode, V4L2_CID_BRIGHTNESS), 128);
}

TEST_F(V4l2Capture, TheWholeControlListShowsMenusWithoutHolesAndInactiveManualControls) {
  auto camera = AddCamera(UvcCamera());
  auto controls = camera.As<devices::IDeviceControls>();
  ASSERT_TRUE(controls);
  std::vector<devices::DeviceControlInfo> list;
  ASSERT_EQ(controls->GetControls(&list), S_OK);
  ASSERT_EQ(list.size(), 4u);
  const auto find = [&](std::uint32_t id) {
    return *std::find_if(list.begin(), list.end(), [id](const auto& c) { return c.id == id; });
  };
  const auto menu = find(V4L2_CID_POWER_LINE_FREQUENCY).menu;
  ASSERT_EQ(menu.size(), 3u);
  EXPECT_EQ(menu[2], std::make_pair(3, std::string("Auto")));
  EXPECT_TRUE(find(V4L2_CID_WHITE_BALANCE_TEMPERATURE).inactive);
  EXPECT_EQ(controls->SetValue(V4L2_CID_WHITE_BALANCE_TEMPERATURE, 5000), E_ACCESSDENIED);
  EXPECT_EQ(controls->SetValue(V4L2_CID_POWER_LINE_FREQUENCY, 3), S_OK);
  std::int32_t value = 0;
  EXPECT_EQ(controls->GetValue(V4L2_CID_POWER_LINE_FREQUENCY, &value), S_OK);
  EXPECT_EQ(value, 3);
}

}  // namespace
}  // namespace devices_test
