#include "ui/MessageEvent.h"

#include <gtest/gtest.h>

#include <memory>

#include "RecordingWidget.h"
#include "TestApplication.h"
#include "ui/Application.h"

namespace {

using ui_test::RecordingWidget;

class Messages : public ::testing::Test {
 protected:
  void SetUp() override { ui_test::TestApplication(); }
};

TEST_F(Messages, PostedMessagesArriveLaterAndInOrder) {
  RecordingWidget widget;
  EXPECT_TRUE(PostMessage(&widget, WM_USER + 1, 10, -1));
  EXPECT_TRUE(PostMessage(&widget, 0x84D4, 0, 0));
  EXPECT_TRUE(PostMessage(&widget, WM_KEYUP, VK_ESCAPE, 0));
  EXPECT_TRUE(widget.received.empty()) << "a posted message was delivered at once";
  ASSERT_TRUE(ui_test::WaitFor([&] { return widget.received.size() == 3; }));
  EXPECT_EQ(widget.received[0].msg, WM_USER + 1);
  EXPECT_EQ(widget.received[0].wParam, 10u);
  EXPECT_EQ(widget.received[0].lParam, -1);
  EXPECT_EQ(widget.received[0].hwnd, &widget);
  EXPECT_EQ(widget.received[1].msg, 0x84D4u);
  EXPECT_EQ(widget.received[2].msg, WM_KEYUP);
  EXPECT_EQ(widget.received[2].wParam, VK_ESCAPE);
}

TEST_F(Messages, SentMessagesAreDeliveredAtOnceWithTheWidgetsResult) {
  RecordingWidget widget;
  EXPECT_EQ(SendMessage(&widget, WM_SIZE, 41, 0), 42);
  ASSERT_EQ(widget.received.size(), 1u);
  EXPECT_EQ(widget.received[0].msg, WM_SIZE);
}

TEST_F(Messages, UnhandledCloseClosesTheWindow) {
  QWidget window;
  window.show();
  EXPECT_EQ(SendMessage(&window, WM_CLOSE, 0, 0), 0);
  EXPECT_FALSE(window.isVisible());
  window.show();
  EXPECT_EQ(SendMessage(&window, WM_USER, 0, 0), 0) << "other messages are dropped";
  EXPECT_TRUE(window.isVisible());
}

TEST_F(Messages, MessagesForADestroyedWidgetAreDropped) {
  auto doomed = std::make_unique<RecordingWidget>();
  RecordingWidget survivor;
  EXPECT_TRUE(PostMessage(doomed.get(), WM_PAINT, 0, 0));
  EXPECT_TRUE(PostMessage(&survivor, WM_PAINT, 0, 0));
  const HWND stale = doomed.get();
  doomed.reset();
  ASSERT_TRUE(ui_test::WaitFor([&] { return survivor.received.size() == 1; }));
  EXPECT_FALSE(PostMessage(stale, WM_PAINT, 0, 0));
  EXPECT_EQ(SendMessage(stale, WM_PAINT, 0, 0), 0);
  EXPECT_FALSE(PostMessage(nullptr, WM_PAINT, 0, 0));
}

// A handler that pumps messages while it runs, as the component's logging and graph waits do,
// sees the messages posted after the one it handles.
class PumpingWidget : public RecordingWidget {
 protected:
  bool event(QEvent* event) override {
    const ui::Message* message = ui::AsMessage(event);
    if (message == nullptr || message->msg != WM_USER) return RecordingWidget::event(event);
    PostMessage(this, WM_USER + 1, 0, 0);
    ui_test::WaitFor([this] { return !received.empty(); });
    nestedSawFollower = !received.empty();
    event->accept();
    return true;
  }

 public:
  bool nestedSawFollower = false;
};

TEST_F(Messages, NestedPumpingDeliversLaterMessages) {
  PumpingWidget widget;
  PostMessage(&widget, WM_USER, 0, 0);
  ASSERT_TRUE(ui_test::WaitFor([&] { return widget.nestedSawFollower; }));
  ASSERT_EQ(widget.received.size(), 1u);
  EXPECT_EQ(widget.received[0].msg, WM_USER + 1);
}

TEST_F(Messages, AsMessageRecognisesOnlyMessageEvents) {
  const ui::MessageEvent event({nullptr, WM_MOVE, 1, 2});
  ASSERT_NE(ui::AsMessage(&event), nullptr);
  EXPECT_EQ(ui::AsMessage(&event)->msg, WM_MOVE);
  const QEvent other(QEvent::Resize);
  EXPECT_EQ(ui::AsMessage(&other), nullptr);
}

}  // namespace
