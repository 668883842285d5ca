// Messages and device changes that other threads post to the UI thread.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "RecordingWidget.h"
#include "TestApplication.h"
#include "ui/Application.h"
#include "ui/MainWindowHook.h"
#include "ui/MessageEvent.h"

namespace {

using ui_test::RecordingWidget;

class CrossThread : public ::testing::Test {
 protected:
  void SetUp() override { ui_test::TestApplication(); }
};

TEST_F(CrossThread, PostedMessagesReachTheWidgetOnTheUiThreadInOrder) {
  RecordingWidget widget;
  constexpr int kPerThread = 500;
  std::vector<std::thread> posters;
  for (WPARAM sender = 0; sender < 2; ++sender) {
    posters.emplace_back([&widget, sender] {
      for (int i = 0; i < kPerThread; ++i)
        PostMessage(&widget, WM_APP, sender, i);
    });
  }
  for (auto& poster : posters)
    poster.join();
  ASSERT_TRUE(ui_test::WaitFor([&] { return widget.received.size() == 2 * kPerThread; }));
  EXPECT_FALSE(widget.offUiThread);
  LPARAM next[2] = {0, 0};
  for (const ui::Message& message : widget.received) {
    ASSERT_LT(message.wParam, 2u);
    ASSERT_EQ(message.lParam, next[message.wParam])
        << "out of order from thread " << message.wParam;
    ++next[message.wParam];
  }
}

TEST_F(CrossThread, SendMessageFromAnotherThreadWaitsForTheResult) {
  RecordingWidget widget;
  std::atomic<LRESULT> result{-1};
  std::thread sender([&] { result = SendMessage(&widget, WM_USER, 99, 0); });
  ASSERT_TRUE(ui_test::WaitFor([&] { return result.load() != -1; }));
  sender.join();
  EXPECT_EQ(result.load(), 100);
  EXPECT_FALSE(widget.offUiThread);
}

TEST_F(CrossThread, DeviceChangesReachTheHooksOnTheUiThread) {
  std::vector<WPARAM> events;
  bool offUiThread = false;
  const int id = ui::HookMainWindow([&](const ui::Message& message) {
    if (!ui::IsUiThread()) offUiThread = true;
    if (message.msg == WM_DEVICECHANGE) events.push_back(message.wParam);
    return false;
  });
  std::thread monitor([] {
    EXPECT_TRUE(ui::BroadcastDeviceChange());
    EXPECT_TRUE(ui::BroadcastDeviceChange(DBT_DEVICEARRIVAL));
    EXPECT_TRUE(ui::BroadcastDeviceChange(DBT_DEVICEREMOVECOMPLETE));
  });
  monitor.join();
  EXPECT_TRUE(events.empty()) << "delivered on the monitor's thread";
  ASSERT_TRUE(ui_test::WaitFor([&] { return events.size() == 3; }));
  ui::UnhookMainWindow(id);
  EXPECT_FALSE(offUiThread);
  EXPECT_EQ(events, (std::vector<WPARAM>{DBT_DEVNODES_CHANGED, DBT_DEVICEARRIVAL,
                                         DBT_DEVICEREMOVECOMPLETE}));
}

}  // namespace
