// The renderer window's input forwarding and painting.

#include "dshow/filters/VideoWindowWidget.h"

#include <gtest/gtest.h>

#include <QTest>

#include "RecordingWidget.h"
#include "TestApplication.h"

namespace {

using ui_test::RecordingWidget;

class VideoWindowWidgetTest : public ::testing::Test {
 protected:
  void SetUp() override { ui_test::TestApplication(); }
};

TEST_F(VideoWindowWidgetTest, MouseAndKeysGoToTheDrainWithCoordinatesAndKeys) {
  RecordingWidget drain;
  VideoWindowWidget window;
  window.resize(320, 240);
  window.show();
  window.SetMessageDrain(&drain);

  QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, QPoint(17, 203));
  QTest::mouseClick(&window, Qt::RightButton, Qt::ShiftModifier, QPoint(3, 4));
  QTest::keyClick(&window, Qt::Key_Escape);
  QTest::keyClick(&window, Qt::Key_J);
  ASSERT_TRUE(ui_test::WaitFor([&] { return drain.received.size() >= 8; }));

  std::vector<ui::Message> got;
  for (const auto& m : drain.received) {
    if (m.msg != WM_MOUSEMOVE) got.push_back(m);
  }
  ASSERT_EQ(got.size(), 8u);
  EXPECT_EQ(got[0].msg, WM_LBUTTONDOWN);
  EXPECT_EQ(got[1].msg, WM_LBUTTONUP);
  EXPECT_EQ(got[1].lParam & 0xFFFF, 17);
  EXPECT_EQ((got[1].lParam >> 16) & 0xFFFF, 203);
  EXPECT_EQ(got[2].msg, WM_RBUTTONDOWN);
  EXPECT_EQ(got[2].wParam & 0x6u, 0x6u) << "right button and shift flags";
  EXPECT_EQ(got[3].msg, WM_RBUTTONUP);
  EXPECT_EQ(got[4].msg, WM_KEYDOWN);
  EXPECT_EQ(got[5].msg, WM_KEYUP);
  EXPECT_EQ(got[5].wParam, VK_ESCAPE);
  EXPECT_EQ(got[7].wParam, WPARAM{'J'});
}

TEST_F(VideoWindowWidgetTest, WithoutADrainNothingIsPosted) {
  VideoWindowWidget window;
  auto drain = std::make_unique<RecordingWidget>();
  window.SetMessageDrain(drain.get());
  drain.reset();  // a drain that went away is forgotten, not posted to
  EXPECT_EQ(window.MessageDrain(), nullptr);
  window.show();
  QTest::mouseClick(&window, Qt::LeftButton);
}

TEST_F(VideoWindowWidgetTest, PaintsTheFrameScaledToTheWindow) {
  VideoWindowWidget window;
  window.resize(40, 20);
  QImage frame(4, 2, QImage::Format_RGB32);
  frame.fill(Qt::red);
  frame.setPixelColor(3, 1, Qt::blue);  // bottom right corner
  window.ShowFrame(frame);
  EXPECT_EQ(window.FramesShown(), 1);
  const QImage shot = window.grab().toImage();
  EXPECT_EQ(shot.pixelColor(0, 0), QColor(Qt::red));
  EXPECT_EQ(shot.pixelColor(39, 19), QColor(Qt::blue));
  EXPECT_EQ(shot.pixelColor(20, 5), QColor(Qt::red));
}

TEST(VirtualKeyTest, KeysMapToTheirVirtualCodes) {
  EXPECT_EQ(VirtualKeyOf(Qt::Key_A), 0x41u);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_7), 0x37u);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_F5), 0x74u);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Enter), VK_RETURN);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_Left), 0x25u);
  EXPECT_EQ(VirtualKeyOf(Qt::Key_MediaPlay), 0u);
}

}  // namespace
