// The renderers' windows in the platform's graphs with virtual devices: adoption into the panel,
// sizing, full screen and Escape, the overlay renderer with and without the overlay mixer, and
// the hidden renderer of the device dialogs.

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>
#include <cstdlib>
#include <utility>
#include <vector>

#include "ComponentFixture.h"
#include "clock/Clock.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/DShow.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/graph/RendererInsertion.h"
#include "rudozav/graph/RendererWindows.h"
#include "ui/MessageEvent.h"
#include "ui/Window.h"

namespace rudozav_test {
namespace {

constexpr char kCamera[] = R"({"devices": [{"category": "video", "friendlyName": "Desk Camera",
  "pins": [{"name": "Capture", "role": "capture",
            "formats": [{"subtype": "YUY2", "size": [640, 480], "frameRate": 30}]}]}]})";

class RendererWindowsTest : public ComponentTest {
 protected:
  RendererWindowsTest() : ComponentTest(true, true) {}

  // A shown component with the base graph of the only device of json.
  TRavorOderiri& ComponentWithDevice(const char* json) {
    EXPECT_TRUE(virtualdevices::Plug(json));
    TRavorOderiri& component = CreateLoaded();
    component.show();
    EXPECT_TRUE(component.BuildBaseGraph(false));
    return component;
  }

  static std::string Stamped(TRavorOderiri& component, const std::string& name) {
    return name + std::to_string(component.State().graph->rendererStamp);
  }

  // The capture pin ended in the video renderer, with the connected size recorded.
  static void InsertVideoRenderer(TRavorOderiri& component) {
    TRavorOdeririState& state = component.State();
    ComPtr<IPin> pin;
    ASSERT_EQ(state.graph->captureBuilder->FindPin(
                  state.graph->videoCaptureFilter.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE,
                  &MEDIATYPE_Video, TRUE, 0, pin.ReleaseAndGetAddressOf()),
              S_OK);
    state.graph->recordConnectedSize = true;
    ASSERT_TRUE(InsertRenderer(component, pin, Stamped(component, "video renderer "),
                               state.graph->videoRenderer, true));
  }

  // Renderers set up and the active one shown, as at the end of a preview build.
  static void ShowVideo(TRavorOderiri& component) {
    component.SetupRendererWindows();
    component.ChooseActiveRenderer();
    component.ApplyFullScreenPreview();
  }

  static bool InGraph(TRavorOderiri& component, const std::string& name) {
    ComPtr<IBaseFilter> found;
    return component.State().graph->filterGraph->FindFilterByName(
               name.c_str(), found.ReleaseAndGetAddressOf()) == S_OK;
  }

  static QRect Placement(const TRenderer& record) {
    LONG left = 0, top = 0, width = 0, height = 0;
    EXPECT_EQ(record.VideoWindow->GetWindowPosition(&left, &top, &width, &height), S_OK);
    return QRect(left, top, width, height);
  }
};

TEST_F(RendererWindowsTest, TheVideoWindowIsAdoptedSizedAndClosedWithTheGraph) {
  TRavorOderiri& component = ComponentWithDevice(kCamera);
  std::vector<std::pair<int, int>> resized;
  component.OnResizeVideo = [&resized](TRavorOderiri*, int width, int height) {
    resized.emplace_back(width, height);
  };
  InsertVideoRenderer(component);
  TRavorOdeririState& state = component.State();
  TRenderer& video = state.graph->videoRenderer;
  component.SetupRendererWindows();

  // Found by its caption, without caption bits, a hidden child of the panel taking its input.
  ASSERT_NE(video.Window, nullptr);
  EXPECT_EQ(video.Window->windowTitle().toStdString(), Stamped(component, "video renderer "));
  EXPECT_EQ(video.Window->parentWidget(), &component);
  EXPECT_TRUE(video.Window->isHidden());
  LONG style = 0;
  ASSERT_EQ(video.VideoWindow->get_WindowStyle(&style), S_OK);
  EXPECT_EQ(style, WS_CHILD);
  OAHWND drain = 0;
  ASSERT_EQ(video.VideoWindow->get_MessageDrain(&drain), S_OK);
  EXPECT_EQ(reinterpret_cast<QWidget*>(drain), &component);
  EXPECT_EQ(video.SourceWidth, 640);
  EXPECT_EQ(video.SourceHeight, 480);

  // OverlayEnabled is on by default, but without an overlay renderer the video one shows.
  ASSERT_TRUE(component.OverlayEnabled());
  component.ChooseActiveRenderer();
  EXPECT_EQ(state.graph->activeRenderer, &video);
  component.ApplyFullScreenPreview();
  EXPECT_TRUE(video.Window->isVisible());
  EXPECT_EQ(component.size(), QSize(640, 480));
  EXPECT_EQ(Placement(video), QRect(0, 0, 640, 480));

  component.SetZoomSize(50);
  EXPECT_EQ(component.size(), QSize(320, 240));
  EXPECT_EQ(Placement(video), QRect(0, 0, 320, 240));
  component.SetZoomSize(100);
  EXPECT_EQ(component.size(), QSize(640, 480));

  // Without AutoSize the video fills the panel less the border, whatever the connected size.
  component.SetAutoSize(false);
  component.SetBorderStyle(bsSingle);
  component.resize(500, 300);
  QCoreApplication::processEvents();  // a top-level window may hear of its new size later
  EXPECT_EQ(Placement(video), QRect(0, 0, 496, 296));
  ASSERT_FALSE(resized.empty());
  for (const auto& size : resized)
    EXPECT_EQ(size, std::make_pair(640, 480));  // never zoomed

  const QPointer<QWidget> window = video.Window;
  component.ClearGraph();  // the records end with the graph; the next graph starts empty
  const TRenderer& fresh = state.graph->videoRenderer;
  EXPECT_EQ(state.graph->activeRenderer, nullptr);
  EXPECT_FALSE(fresh.Filter || fresh.VideoWindow || fresh.BasicVideo);
  EXPECT_EQ(fresh.Window, nullptr);
  EXPECT_TRUE(window.isNull() || !window->isVisible());

  // Without a graph sizing does nothing at all.
  resized.clear();
  component.SetAutoSize(true);
  component.resize(200, 100);
  component.SetOverlayEnabled(false);
  component.SetFullScreenPreview(false);
  EXPECT_EQ(state.graph->activeRenderer, nullptr);
  EXPECT_TRUE(resized.empty());
  EXPECT_EQ(component.size(), QSize(200, 100));
}

TEST_F(RendererWindowsTest, AWindowFoundByItsCaptionLosesOnlyItsCaptionBits) {
  TRavorOderiri& component = ComponentWithDevice(kCamera);
  InsertVideoRenderer(component);
  TRenderer& video = component.State().graph->videoRenderer;
  SetupRendererWindow(component, "some renderer", video);
  ASSERT_NE(video.Window, nullptr);
  EXPECT_EQ(FindTopLevelWindow("some renderer"), video.Window);
  EXPECT_EQ(FindTopLevelWindow("some render"), nullptr);  // exact captions only
  LONG style = 0;
  ASSERT_EQ(video.VideoWindow->get_WindowStyle(&style), S_OK);
  EXPECT_EQ(style, WS_OVERLAPPEDWINDOW & ~WS_CAPTION);
  EXPECT_TRUE(video.Window->windowFlags() & Qt::FramelessWindowHint);

  // A record without a filter is left as it is.
  TRenderer empty;
  SetupRendererWindow(component, "none", empty);
  EXPECT_EQ(empty.Window, nullptr);
  EXPECT_EQ(empty.SourceWidth, 0);
}

TEST_F(RendererWindowsTest, EscapeInFullScreenReturnsTheVideoToThePanelAndFullScreenStaysSet) {
  TRavorOderiri& component = ComponentWithDevice(kCamera);
  std::vector<int> keys;
  component.OnFullScreenKeyPress = [&keys](TRavorOderiri*, char& key) { keys.push_back(key); };
  InsertVideoRenderer(component);
  component.SetFullScreenPreview(true);  // nothing to show yet
  ShowVideo(component);
  TRenderer& video = component.State().graph->videoRenderer;
  ASSERT_NE(video.Window, nullptr);
  EXPECT_TRUE(video.Window->isWindow());
  EXPECT_TRUE(video.Window->isMaximized());
  EXPECT_TRUE(video.Window->isVisible());

  // The key reaches the component through the renderer window's message drain.
  SendMessage(&component, WM_KEYUP, VK_ESCAPE, 0);
  EXPECT_EQ(keys, std::vector<int>{27});
  EXPECT_EQ(video.Window->parentWidget(), &component);
  EXPECT_TRUE(video.Window->isVisible());
  EXPECT_TRUE(component.FullScreenPreview());

  // A hidden component shows nothing; showing it again applies full screen once more.
  component.SetVisible(false);
  component.SetVisible(true);
  EXPECT_TRUE(video.Window->isWindow());
  EXPECT_TRUE(video.Window->isVisible());
}

// The program's snapshot hides the component, then leaves full screen: the full-screen video must
// not stay over the window, and showing the component with full screen on brings it back.
TEST_F(RendererWindowsTest, HidingTheComponentTakesTheFullScreenVideoAway) {
  TRavorOderiri& component = ComponentWithDevice(kCamera);
  InsertVideoRenderer(component);
  component.SetFullScreenPreview(true);
  ShowVideo(component);
  TRenderer& video = component.State().graph->videoRenderer;
  ASSERT_NE(video.Window, nullptr);
  ASSERT_TRUE(video.Window->isWindow());

  component.SetVisible(false);
  component.SetFullScreenPreview(false);
  EXPECT_EQ(video.Window->parentWidget(), &component);
  EXPECT_FALSE(video.Window->isVisible());

  component.SetVisible(true);
  component.SetFullScreenPreview(true);
  EXPECT_TRUE(video.Window->isWindow());
  EXPECT_TRUE(video.Window->isVisible());
}

TEST_F(RendererWindowsTest, AVideoPortFeedsTheOverlayRendererWhichShowsWhileOverlayIsEnabled) {
  TRavorOderiri& component = ComponentWithDevice(R"({"devices": [{"category": "video",
    "friendlyName": "Port Card", "pins": [
      {"name": "Capture", "role": "capture",
       "formats": [{"subtype": "YUY2", "size": [720, 576], "frameRate": 25}]},
      {"name": "VP", "role": "videoPort",
       "formats": [{"subtype": "YUY2", "size": [720, 576], "frameRate": 25}]}]}]})");
  TRavorOdeririState& state = component.State();
  ASSERT_TRUE(component.SetupOverlayMixing(true));
  EXPECT_TRUE(InGraph(component, Stamped(component, "overlay renderer ")));
  EXPECT_FALSE(InGraph(component, "OverlayFilter mix"));
  InsertVideoRenderer(component);
  ShowVideo(component);
  EXPECT_EQ(state.graph->activeRenderer, &state.graph->overlayRenderer);
  ASSERT_NE(state.graph->overlayRenderer.Window, nullptr);
  EXPECT_TRUE(state.graph->overlayRenderer.Window->isVisible());
  EXPECT_FALSE(state.graph->videoRenderer.Window->isVisible());

  component.SetOverlayEnabled(false);
  EXPECT_EQ(state.graph->activeRenderer, &state.graph->videoRenderer);
  EXPECT_TRUE(state.graph->videoRenderer.Window->isVisible());
  EXPECT_FALSE(state.graph->overlayRenderer.Window->isVisible());
}

TEST_F(RendererWindowsTest, APreviewPinReachesTheOverlayRendererThroughTheMixer) {
  TRavorOderiri& component = ComponentWithDevice(R"({"devices": [{"category": "video",
    "friendlyName": "Overlay Card", "pins": [
      {"name": "Capture", "role": "capture",
       "formats": [{"subtype": "YUY2", "size": [720, 576], "frameRate": 25}]},
      {"name": "Preview", "role": "preview", "acceptsOverlay": true,
       "formats": [{"subtype": "YUY2", "size": [720, 576], "frameRate": 25}]}]}]})");
  ASSERT_TRUE(component.SetupOverlayMixing(true));
  ASSERT_TRUE(InGraph(component, "OverlayFilter mix"));
  TRenderer& overlay = component.State().graph->overlayRenderer;
  ComPtr<IPin> input;
  ASSERT_EQ(component.State().graph->captureBuilder->FindPin(overlay.Filter.Get(), PINDIR_INPUT,
                                                             nullptr, nullptr, FALSE, 0,
                                                             input.ReleaseAndGetAddressOf()),
            S_OK);
  AM_MEDIA_TYPE type{};
  ASSERT_EQ(input->ConnectionMediaType(&type), S_OK);
  EXPECT_EQ(type.subtype, MEDIASUBTYPE_RGB32);
  const auto format = ReadVideoFormat(type);
  FreeMediaType(type);
  ASSERT_TRUE(format);
  EXPECT_EQ(format->width, 720);  // the device's picture size
  EXPECT_EQ(std::abs(format->height), 576);
}

TEST_F(RendererWindowsTest, FailedOverlayMixingLeavesNeitherMixerNorOverlayRenderer) {
  // The video port's picture is of a type no renderer takes: the overlay renderer was added and
  // cannot be connected.
  TRavorOderiri& component = ComponentWithDevice(R"({"devices": [{"category": "video",
    "friendlyName": "Odd Card", "pins": [
      {"name": "Capture", "role": "capture",
       "formats": [{"subtype": "YUY2", "size": [320, 240], "frameRate": 25}]},
      {"name": "VP", "role": "videoPort",
       "formats": [{"subtype": "QQQQ", "size": [320, 240], "frameRate": 25}]}]}]})");
  Record(component);
  TRavorOdeririState& state = component.State();
  EXPECT_FALSE(component.SetupOverlayMixing(true));
  EXPECT_EQ(events,
            std::vector<std::string>{"ErrorLog 32 Error: direct draw acceleration disabled"});
  EXPECT_FALSE(InGraph(component, Stamped(component, "overlay renderer ")));
  EXPECT_FALSE(state.graph->overlayRenderer.Filter);
  ComPtr<IPin> port;
  EXPECT_EQ(state.graph->captureBuilder->FindPin(
                state.graph->videoCaptureFilter.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_VIDEOPORT,
                &MEDIATYPE_Video, TRUE, 0, port.ReleaseAndGetAddressOf()),
            S_OK);  // free again

  // The video renderer is the one shown although overlay is enabled.
  InsertVideoRenderer(component);
  ShowVideo(component);
  EXPECT_EQ(state.graph->activeRenderer, &state.graph->videoRenderer);
  EXPECT_TRUE(state.graph->videoRenderer.Window->isVisible());

  // Without the report flag the same failure is only logged.
  events.clear();
  EXPECT_FALSE(component.SetupOverlayMixing(false));
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(LogHasLine("32 ok: direct draw acceleration disabled"));
}

TEST_F(RendererWindowsTest, APreviewPinWithoutOverlayAndNoDeviceFailOverlayMixing) {
  TRavorOderiri& component = ComponentWithDevice(R"({"devices": [{"category": "video",
    "friendlyName": "Plain Card", "pins": [
      {"name": "Capture", "role": "capture",
       "formats": [{"subtype": "YUY2", "size": [320, 240], "frameRate": 25}]},
      {"name": "Preview", "role": "preview",
       "formats": [{"subtype": "YUY2", "size": [320, 240], "frameRate": 25}]}]}]})");
  EXPECT_FALSE(component.SetupOverlayMixing(false));
  EXPECT_FALSE(InGraph(component, "OverlayFilter mix"));
  EXPECT_FALSE(component.State().graph->overlayRenderer.Filter);

  Record(component);
  component.State().graph->videoCaptureFilter.Reset();
  EXPECT_FALSE(component.SetupOverlayMixing(true));
  EXPECT_TRUE(events.empty());  // no device, no report
}

TEST_F(RendererWindowsTest, TheNonVisibleRendererEndsTheFirstFreeDeviceStreamAndStaysHidden) {
  TRavorOderiri& component = ComponentWithDevice(kCamera);
  sysclock::Advance(25);
  const std::string name = "NonVisible Renderer" + std::to_string(GetTickCount());
  EXPECT_FALSE(InsertNonVisibleRenderer(component, &PIN_CATEGORY_PREVIEW));  // no such pin
  ASSERT_TRUE(InsertNonVisibleRenderer(component, nullptr));
  ComPtr<IBaseFilter> renderer;
  ASSERT_EQ(component.State().graph->filterGraph->FindFilterByName(
                name.c_str(), renderer.ReleaseAndGetAddressOf()),
            S_OK);
  ComPtr<IVideoWindow> window;
  ASSERT_EQ(renderer->QueryInterface(IID_IVideoWindow, window.ReleaseAndGetVoidAddress()), S_OK);
  LONG autoShow = OATRUE;
  ASSERT_EQ(window->get_AutoShow(&autoShow), S_OK);
  EXPECT_EQ(autoShow, OAFALSE);
  EXPECT_FALSE(InsertNonVisibleRenderer(component, nullptr));  // the only stream is taken
}

}  // namespace
}  // namespace rudozav_test
