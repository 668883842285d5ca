// The video renderer: frames reaching its window, input going to the drain, IVideoWindow and
// IBasicVideo.

#include "dshow/filters/VideoRenderer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "FilterTestSupport.h"
#include "RecordingWidget.h"
#include "TestApplication.h"
#include "dshow/GraphInterfaces.h"
#include "dshow/Uuids.h"
#include "dshow/VideoMediaType.h"
#include "ui/Window.h"

namespace {

using filter_test::ConnectFilters;
using filter_test::FilterChain;
using filter_test::FrameSource;
using filter_test::PinOf;
using ui_test::RecordingWidget;
using ui_test::WaitFor;

OAHWND Handle(QWidget* widget) {
  return reinterpret_cast<OAHWND>(widget);
}

// A bottom-up RGB24 picture, red on top and blue below.
std::vector<BYTE> RedOverBlue(int width, int height) {
  const DWORD stride = DibStride(width, 24);
  std::vector<BYTE> frame(stride * height);
  for (int row = 0; row < height; ++row) {
    const bool top = row >= height / 2;  // bottom-up: the last rows are the top
    for (int x = 0; x < width; ++x) {
      BYTE* p = &frame[row * stride + x * 3];
      p[0] = top ? 0 : 255;  // blue
      p[2] = top ? 255 : 0;  // red
    }
  }
  return frame;
}

class VideoRendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::TestApplication();  // before the renderer, which makes its window on this thread
    renderer_ = MakeComObject<VideoRenderer>(CLSID_VideoRenderer);
    window_ = renderer_.As<IVideoWindow>();
    video_ = renderer_.As<IBasicVideo>();
  }

  ComPtr<VideoRenderer> renderer_;
  ComPtr<IVideoWindow> window_;
  ComPtr<IBasicVideo> video_;
};

TEST_F(VideoRendererTest, ShowsFramesAndForwardsAClickToTheDrain) {
  auto source = MakeComObject<FrameSource>(*MakeVideoMediaType(MEDIASUBTYPE_RGB24, 16, 8, 400'000),
                                           RedOverBlue(16, 8));
  ASSERT_EQ(ConnectFilters(source.Get(), renderer_.Get()), S_OK);
  RecordingWidget drain;
  ASSERT_EQ(window_->put_MessageDrain(Handle(&drain)), S_OK);
  FilterChain chain;
  chain.Add(source.Get(), "source");
  chain.Add(renderer_.Get(), "video renderer 1");
  ASSERT_TRUE(SUCCEEDED(chain.Run()));

  VideoWindowWidget* window = renderer_->Window();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitFor([&] { return window->FramesShown() >= 2; }));
  EXPECT_TRUE(window->isVisible()) << "AutoShow showed it when the graph started";
  const QImage frame = window->Frame();
  EXPECT_EQ(frame.size(), QSize(16, 8));
  EXPECT_EQ(frame.pixelColor(3, 1), QColor(255, 0, 0)) << "the top stays on top";
  EXPECT_EQ(frame.pixelColor(3, 6), QColor(0, 0, 255));
  EXPECT_EQ(chain.Stop(), S_OK);

  window_->SetWindowPosition(0, 0, 160, 80);
  QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, QPoint(12, 34));
  ASSERT_TRUE(WaitFor([&] {
    return std::any_of(drain.received.begin(), drain.received.end(),
                       [](const ui::Message& m) { return m.msg == WM_LBUTTONUP; });
  }));
  const auto up = std::find_if(drain.received.begin(), drain.received.end(),
                               [](const ui::Message& m) { return m.msg == WM_LBUTTONUP; });
  EXPECT_EQ(up->lParam & 0xFFFF, 12);
  EXPECT_EQ((up->lParam >> 16) & 0xFFFF, 34);
}

TEST_F(VideoRendererTest, WindowPropertiesRoundTrip) {
  ASSERT_EQ(window_->put_Caption("video renderer 12345"), S_OK);
  LPOLESTR caption = nullptr;
  ASSERT_EQ(window_->get_Caption(&caption), S_OK);
  EXPECT_STREQ(caption, "video renderer 12345");
  CoTaskMemFree(caption);
  EXPECT_EQ(FindWindow(nullptr, "video renderer 12345"), renderer_->Window())
      << "a top-level window found by its caption";

  LONG value = 0;
  window_->put_AutoShow(OAFALSE);
  window_->get_AutoShow(&value);
  EXPECT_EQ(value, OAFALSE);
  window_->put_WindowStyle(VideoRenderer::kStyleChild);
  window_->get_WindowStyle(&value);
  EXPECT_EQ(value, VideoRenderer::kStyleChild);

  QWidget owner;
  owner.resize(400, 300);
  owner.show();
  ASSERT_EQ(window_->put_Owner(Handle(&owner)), S_OK);
  OAHWND handle = 0;
  window_->get_Owner(&handle);
  EXPECT_EQ(handle, Handle(&owner));
  EXPECT_EQ(renderer_->Window()->parentWidget(), &owner);
  EXPECT_FALSE(renderer_->Window()->isWindow()) << "a child of its owner";
  ASSERT_EQ(window_->SetWindowPosition(10, 20, 200, 100), S_OK);
  LONG left = 0, top = 0, width = 0, height = 0;
  window_->GetWindowPosition(&left, &top, &width, &height);
  EXPECT_EQ((std::array{left, top, width, height}), (std::array<LONG, 4>{10, 20, 200, 100}));
  window_->put_Visible(OATRUE);
  window_->get_Visible(&value);
  EXPECT_EQ(value, OATRUE);
  EXPECT_TRUE(renderer_->Window()->isVisible());

  RecordingWidget drain;
  window_->put_MessageDrain(Handle(&drain));
  window_->get_MessageDrain(&handle);
  EXPECT_EQ(handle, Handle(&drain));
  EXPECT_EQ(window_->NotifyOwnerMessage(Handle(&owner), WM_DISPLAYCHANGE, 0, 0), S_OK);

  // Full screen takes the window out of its owner and puts it back where it was.
  ASSERT_EQ(window_->put_FullScreenMode(OATRUE), S_OK);
  window_->get_FullScreenMode(&value);
  EXPECT_EQ(value, OATRUE);
  EXPECT_TRUE(renderer_->Window()->isWindow());
  ASSERT_EQ(window_->put_FullScreenMode(OAFALSE), S_OK);
  EXPECT_EQ(renderer_->Window()->parentWidget(), &owner);
  window_->GetWindowPosition(&left, &top, &width, &height);
  EXPECT_EQ((std::array{left, top, width, height}), (std::array<LONG, 4>{10, 20, 200, 100}));

  // No owner: top-level again.
  ASSERT_EQ(window_->put_Owner(0), S_OK);
  EXPECT_TRUE(renderer_->Window()->isWindow());
  window_->put_Visible(OAFALSE);
  window_->get_Visible(&value);
  EXPECT_EQ(value, OAFALSE);
  EXPECT_EQ(window_->put_Owner(Handle(renderer_->Window())), E_INVALIDARG);
}

TEST_F(VideoRendererTest, ReportsTheConnectedSizeAndRaisesAnEventWhenItChanges) {
  LONG width = 0, height = 0;
  EXPECT_EQ(video_->GetVideoSize(&width, &height), VFW_E_NOT_CONNECTED);
  FilterChain chain;
  chain.Add(renderer_.Get(), "video renderer 1");
  auto small = MakeComObject<FrameSource>(*MakeVideoMediaType(MEDIASUBTYPE_YUY2, 32, 16));
  ASSERT_EQ(ConnectFilters(small.Get(), renderer_.Get()), S_OK);
  ASSERT_EQ(video_->GetVideoSize(&width, &height), S_OK);
  EXPECT_EQ(width, 32);
  EXPECT_EQ(height, 16);
  EXPECT_EQ(chain.Graph().Count(EC_VIDEO_SIZE_CHANGED), 0) << "the first size is no change";
  video_->get_SourceWidth(&width);
  EXPECT_EQ(width, 32);
  EXPECT_EQ(video_->IsUsingDefaultSource(), S_OK);
  EXPECT_EQ(video_->SetSourcePosition(0, 0, 64, 16), E_INVALIDARG) << "beyond the picture";
  EXPECT_EQ(video_->SetSourcePosition(8, 0, 16, 16), S_OK);
  EXPECT_EQ(video_->IsUsingDefaultSource(), S_FALSE);

  PinOf(small.Get(), PINDIR_OUTPUT)->Disconnect();
  PinOf(renderer_.Get(), PINDIR_INPUT)->Disconnect();
  auto large = MakeComObject<FrameSource>(*MakeVideoMediaType(MEDIASUBTYPE_RGB32, 320, 240));
  ASSERT_EQ(ConnectFilters(large.Get(), renderer_.Get()), S_OK);
  chain.Add(large.Get(), "large");
  const auto events = chain.Graph().Events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].code, EC_VIDEO_SIZE_CHANGED);
  EXPECT_EQ(events[0].param1, 320 | (240 << 16));
  video_->get_VideoHeight(&height);
  EXPECT_EQ(height, 240);
}

TEST_F(VideoRendererTest, GivesTheCurrentImageAsABottomUpDib) {
  auto source = MakeComObject<FrameSource>(*MakeVideoMediaType(MEDIASUBTYPE_RGB24, 16, 8),
                                           RedOverBlue(16, 8));
  ASSERT_EQ(ConnectFilters(source.Get(), renderer_.Get()), S_OK);
  LONG size = 0;
  EXPECT_EQ(video_->GetCurrentImage(&size, nullptr), VFW_E_WRONG_STATE) << "no frame yet";
  FilterChain chain;
  chain.Add(source.Get(), "source");
  chain.Add(renderer_.Get(), "renderer");
  source->Stream()->frameLimit = 1;
  ASSERT_TRUE(SUCCEEDED(chain.Run()));
  ASSERT_TRUE(filter_test::WaitUntil([&] { return renderer_->FramesPresented() >= 1; }));
  ASSERT_EQ(video_->GetCurrentImage(&size, nullptr), S_OK);
  ASSERT_EQ(size, static_cast<LONG>(sizeof(BITMAPINFOHEADER) + 16 * 8 * 4));
  std::vector<LONG> image(static_cast<size_t>(size) / 4);
  ASSERT_EQ(video_->GetCurrentImage(&size, image.data()), S_OK);
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
  EXPECT_EQ(header->biHeight, 8);
  EXPECT_EQ(header->biBitCount, 32);
  const auto* pixels = reinterpret_cast<const BYTE*>(header + 1);
  EXPECT_EQ(pixels[0], 255) << "the first row is the bottom one: blue";
  EXPECT_EQ(pixels[7 * 16 * 4 + 2], 255) << "the last row is the top one: red";
}

TEST_F(VideoRendererTest, IsCreatedUnderBothRendererClassIds) {
  for (const CLSID& clsid : {CLSID_VideoMixingRenderer, CLSID_VideoRenderer}) {
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                               filter.ReleaseAndGetVoidAddress()),
              S_OK);
    CLSID made;
    filter->GetClassID(&made);
    EXPECT_EQ(made, clsid);
    EXPECT_TRUE(filter.As<IVideoWindow>());
    EXPECT_TRUE(filter.As<IBasicVideo>());
  }
}

TEST(VideoRendererWithoutUiTest, AWindowlessRendererStillTakesFrames) {
  // Made away from the UI thread: no window, the window calls refuse, frames are converted.
  ComPtr<VideoRenderer> renderer;
  std::thread([&] { renderer = MakeComObject<VideoRenderer>(CLSID_VideoRenderer); }).join();
  EXPECT_EQ(renderer->Window(), nullptr);
  EXPECT_EQ(renderer.As<IVideoWindow>()->put_Caption("x"), E_UNEXPECTED);
  auto source = MakeComObject<FrameSource>(*MakeVideoMediaType(MEDIASUBTYPE_RGB565, 16, 8));
  ASSERT_EQ(ConnectFilters(source.Get(), renderer.Get()), S_OK);
  FilterChain chain;
  chain.Add(source.Get(), "source");
  chain.Add(renderer.Get(), "renderer");
  ASSERT_TRUE(SUCCEEDED(chain.Run()));
  EXPECT_TRUE(filter_test::WaitUntil([&] { return renderer->FramesPresented() >= 3; }));
}

}  // namespace
