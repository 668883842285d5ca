// Grabbing frames from a running graph: a virtual camera through the frame grabber into a null
// renderer, with the component's records set as a preview sets them, and the frame thread.

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <set>

#include "ComponentFixture.h"
#include "JpegProbe.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/DShow.h"
#include "dshow/VideoMediaType.h"
#include "filters/common/GrabberClasses.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/devices/DeviceBinding.h"
#include "rudozav/devices/Devices.h"
#include "rudozav/devices/DevicesManager.h"
#include "rudozav/frames/FrameThread.h"
#include "rudozav/graph/FilterInsertion.h"
#include "rudozav/graph/GrabberInsertion.h"
#include "rudozav/graph/GraphBuilder.h"
#include "ui/Application.h"

namespace fs = std::filesystem;

namespace rudozav_test {
namespace {

struct TGrabEvent {
  TFrameCaptureDest dest;
  std::string name;
  bool success;
  QSize size;
  std::int64_t frameCount;
};

class FrameGrabTest : public ComponentTest {
 protected:
  FrameGrabTest() : ComponentTest(false, true) {}

  // A loaded component whose graph runs camera -> " Frame Grabber" -> null renderer, with the
  // grabber's record as the frame grabber and active record.
  TRavorOderiri& Running(bool frameEvents = true, const char* devices = R"({"devices": [
      {"category": "video", "friendlyName": "Desk Camera"}]})") {
    EXPECT_TRUE(virtualdevices::Plug(devices));
    TRavorOderiri& component = CreateLoaded();
    component.SetFrameEventEnabled(frameEvents);
    TRavorOdeririState& state = component.State();
    EXPECT_TRUE(CreateGraphBuilder(component));
    int index = 0;
    bool usable = false;
    ComPtr<IBaseFilter> camera;
    EXPECT_TRUE(BindDeviceFilter(component, *VideoDeviceList(), index, usable, false, camera));
    ComPtr<IPin> pin;
    EXPECT_EQ(state.graph->captureBuilder->FindPin(camera.Get(), PINDIR_OUTPUT, nullptr, nullptr,
                                                   TRUE, 0, pin.ReleaseAndGetAddressOf()),
              S_OK);
    TGrabberControl* record = nullptr;
    EXPECT_TRUE(InsertFilter1grabber(component, CLSID_InplGrabber, " Frame Grabber", pin, record,
                                     kModeFrameGrabber, 1, 1, &MEDIASUBTYPE_RGB24));
    ComPtr<IBaseFilter> sink;
    EXPECT_TRUE(InsertFilter(component, CLSID_NullRenderer, "Sink", pin, sink));
    EXPECT_TRUE(GetGraphInterfaces(component));
    state.graph->frameGrabberRecord = record;
    state.graph->activeRecord = record;
    if (record != nullptr) {
      const auto format = ReadVideoFormat(record->FrameMediaType);
      state.graph->connectedVideoWidth = format ? format->width : 0;
      state.graph->connectedVideoHeight = format ? std::abs(format->height) : 0;
    }
    component.StartFrameThread(&TRavorOderiri::HandleFrameEvent);
    EXPECT_TRUE(component.ControlGraph(gm_Run));
    return component;
  }

  static bool WaitForFrame(TRavorOderiri& component) {
    return WaitFor([&] {
      const TGrabberControl* record = component.State().graph->frameGrabberRecord;
      return record != nullptr && record->FrameAvailable.load() != 0;
    });
  }
  // Frame events the UI thread has handled so far.
  static unsigned long long FrameEvents(TRavorOderiri& component) {
    const auto& thread = component.State().graph->frameThread;
    return thread ? thread->HandOvers() : 0;
  }

  void RecordGrabs(TRavorOderiri& component) {
    component.OnFrameCaptureCompleted = [this](TRavorOderiri*, const TFrameData& data,
                                               TFrameCaptureDest dest, const std::string& name,
                                               bool success) {
      grabs.push_back(
          {dest, name, success, data.Bitmap ? data.Bitmap->size() : QSize(), data.FrameCount});
    };
  }

  std::vector<TGrabEvent> grabs;
};

TEST_F(FrameGrabTest, ASnapshotIsWrittenAsJpegOfTheVideosSize) {
  TRavorOderiri& component = Running();
  RecordGrabs(component);
  ASSERT_TRUE(WaitForFrame(component));
  grabs.clear();

  ASSERT_TRUE(component.CaptureFrameTo(fc_JpegFile, "shot.JPG"));
  ASSERT_EQ(grabs.size(), 1u);
  EXPECT_EQ(grabs[0].dest, fc_JpegFile);
  EXPECT_EQ(grabs[0].name, "shot.jpg");
  EXPECT_TRUE(grabs[0].success);
  EXPECT_EQ(grabs[0].size, QSize(640, 480));
  EXPECT_GT(grabs[0].frameCount, 0);
  const TJpegProbe shot = ProbeJpeg("shot.jpg");
  ASSERT_TRUE(shot.ok);
  EXPECT_EQ(shot.width, 640);
  EXPECT_EQ(shot.height, 480);
  EXPECT_FALSE(shot.progressive);

  component.SetJPEGProgressiveDisplay(true);
  component.SetJPEGQuality(40);
  ASSERT_TRUE(component.CaptureFrameTo(fc_JpegFile, ""));
  ASSERT_EQ(grabs.size(), 2u);
  EXPECT_EQ(grabs[1].name, (fs::current_path() / "vg000001.jpg").string());
  EXPECT_TRUE(ProbeJpeg(grabs[1].name).progressive);
  EXPECT_LT(fs::file_size(grabs[1].name), fs::file_size("shot.jpg"));

  ASSERT_TRUE(component.CaptureFrameTo(fc_BmpFile, "still.png"));
  const QImage bmp("still.bmp");
  EXPECT_EQ(bmp.size(), QSize(640, 480));

  // A file that cannot be written: false and no event.
  fs::create_directories("taken.jpg");
  EXPECT_FALSE(component.CaptureFrameTo(fc_JpegFile, "taken.jpg"));
  EXPECT_EQ(grabs.size(), 3u);
}

TEST_F(FrameGrabTest, ABitmapGoesToTheEventAndAGrabInsideItIsRefused) {
  TRavorOderiri& component = Running();
  ASSERT_TRUE(WaitForFrame(component));
  int nested = -1;
  RecordGrabs(component);
  const auto record = component.OnFrameCaptureCompleted;
  component.OnFrameCaptureCompleted = [&](TRavorOderiri* sender, const TFrameData& data,
                                          TFrameCaptureDest dest, const std::string& name,
                                          bool success) {
    record(sender, data, dest, name, success);
    nested = component.CaptureFrameTo(fc_JpegFile, "nested.jpg") ? 1 : 0;
  };
  EXPECT_FALSE(component.CaptureFrameTo(fc_TBitmap, ""));
  ASSERT_EQ(grabs.size(), 1u);
  EXPECT_EQ(grabs[0].dest, fc_TBitmap);
  EXPECT_EQ(grabs[0].name, "");
  EXPECT_TRUE(grabs[0].success);
  EXPECT_EQ(grabs[0].size, QSize(640, 480));
  EXPECT_EQ(nested, 0);
  EXPECT_FALSE(fs::exists("nested.jpg"));
  // The mark is gone with the grab.
  component.OnFrameCaptureCompleted = nullptr;
  EXPECT_TRUE(component.CaptureFrameTo(fc_JpegFile, "after.jpg"));
}

TEST_F(FrameGrabTest, WithoutFrameEventsNoThreadRunsButSnapshotsWork) {
  TRavorOderiri& component = Running(false);
  EXPECT_FALSE(component.State().graph->frameThread);
  component.SetBurstMode(true);
  RecordGrabs(component);
  ASSERT_TRUE(WaitForFrame(component));
  EXPECT_TRUE(grabs.empty());  // no burst without frame events
  EXPECT_TRUE(component.CaptureFrameTo(fc_JpegFile, "shot.jpg"));
  EXPECT_EQ(ProbeJpeg("shot.jpg").width, 640);
}

TEST_F(FrameGrabTest, ABurstWritesNumberedFilesFromFrameEventsAndEnds) {
  TRavorOderiri& component = Running();
  RecordGrabs(component);
  component.SetBurstType(fc_JpegFile);
  component.SetBurstCount(2);
  component.SetBurstInterval(0);
  component.SetBurstMode(true);
  ASSERT_TRUE(WaitFor([&] { return !component.BurstMode(); }));
  ASSERT_EQ(grabs.size(), 2u);
  EXPECT_EQ(fs::path(grabs[0].name).filename(), "vg000001.jpg");
  EXPECT_EQ(fs::path(grabs[1].name).filename(), "vg000002.jpg");
  EXPECT_LT(grabs[0].frameCount, grabs[1].frameCount);
  EXPECT_TRUE(ProbeJpeg("vg000002.jpg").ok);
}

// Grabs on request and from every frame event of an endless burst, against a camera whose frames
// are alternately all red and all blue: a picture of both colours is a frame read while the
// filter wrote the next one.
TEST_F(FrameGrabTest, EveryGrabbedPictureIsOneWholeFrame) {
  TRavorOderiri& component = Running(true, R"({"devices": [{"category": "video",
    "friendlyName": "Flicker Camera",
    "picture": {"pattern": "alternate", "colour": [255, 0, 0], "colour2": [0, 0, 255]},
    "pins": [{"name": "Capture", "formats": [{"subtype": "RGB24", "size": [320, 240],
      "frameRate": 240}]}]}]})");
  int pictures = 0;
  int torn = 0;
  std::set<QRgb> colours;
  component.OnFrameCaptureCompleted = [&](TRavorOderiri*, const TFrameData& data, TFrameCaptureDest,
                                          const std::string&, bool) {
    const QImage picture = data.Bitmap->convertToFormat(QImage::Format_RGB32);
    const QRgb colour = picture.pixel(0, 0);
    bool whole = true;
    for (int y = 0; y < picture.height() && whole; ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
      whole =
          std::all_of(line, line + picture.width(), [&](QRgb pixel) { return pixel == colour; });
    }
    ++pictures;
    torn += whole ? 0 : 1;
    colours.insert(colour);
  };
  component.SetBurstCount(0);
  component.SetBurstInterval(0);
  component.SetBurstMode(true);
  // 800 grabs, or as many as a slow build (a sanitizer's) makes in a few seconds.
  const auto stressEnd = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  ASSERT_TRUE(WaitFor([&] {
    component.CaptureFrameTo(fc_TBitmap, "");
    return pictures >= 800 || std::chrono::steady_clock::now() > stressEnd;
  }));
  EXPECT_GE(pictures, 20);
  EXPECT_EQ(torn, 0) << "of " << pictures;
  EXPECT_EQ(colours, (std::set<QRgb>{qRgb(255, 0, 0), qRgb(0, 0, 255)}));
}

TEST_F(FrameGrabTest, TheCaptionIsInTheGrabbedPicture) {
  TRavorOderiri& component = Running();
  const TColor caption = 0x0003FE01;  // blue 3, green 254, red 1: not in the test pattern
  component.SetTextOnFrameFont({"DejaVu Sans", -80, caption, fsBold, 1});
  component.SetTextOnFrameString("MMMM");
  component.SetTextOnFrameEnabled(true);
  // Frames drawn after the hand-over carry the caption.
  ASSERT_TRUE(WaitFor([&] {
    return component.State().graph->frameGrabberRecord->Text != nullptr &&
           FrameEvents(component) > 3;
  }));
  int captionPixels = 0;
  component.OnFrameCaptureCompleted = [&](TRavorOderiri*, const TFrameData& data, TFrameCaptureDest,
                                          const std::string&, bool) {
    const QImage& picture = *data.Bitmap;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x)
        captionPixels += picture.pixel(x, y) == qRgb(1, 254, 3) ? 1 : 0;
  };
  component.CaptureFrameTo(fc_TBitmap, "");
  EXPECT_GT(captionPixels, 200);
}

TEST_F(FrameGrabTest, AHandlerThatStopsTheGraphEndsTheFrameThread) {
  TRavorOderiri& component = Running();
  component.SetBurstCount(0);
  component.SetBurstInterval(0);
  component.SetBurstMode(true);
  int calls = 0;
  component.OnFrameCaptureCompleted = [&](TRavorOderiri* sender, const TFrameData&,
                                          TFrameCaptureDest, const std::string&, bool) {
    ++calls;
    sender->Stop();  // clears the graph from inside a frame event
  };
  ASSERT_TRUE(WaitFor([&] { return calls > 0; }));
  EXPECT_FALSE(component.State().graph->frameThread);
  EXPECT_FALSE(component.State().graph->filterGraph);
  EXPECT_EQ(component.State().graph->frameGrabberRecord, nullptr);
  EXPECT_FALSE(component.CaptureFrameTo(fc_TBitmap, ""));
  QApplication::processEvents();
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace rudozav_test
