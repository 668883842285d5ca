// Graph events reach the notification window as posted messages, in the order filters on any
// thread notified them.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <thread>

#include "TestFilters.h"
#include "platform/ui/RecordingWidget.h"
#include "platform/ui/TestApplication.h"

namespace dshow_test {
namespace {

constexpr LONG kGraphMessage = 0x84D4;

class GraphEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::TestApplication();
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, &graph), S_OK);
    events = graph.As<IMediaEventEx>();
    graph->AddFilter(filter.Get(), "Notifier");
  }

  ComPtr<IGraphBuilder> graph;
  ComPtr<IMediaEventEx> events;
  ComPtr<RecordingRenderer> filter = MakeComObject<RecordingRenderer>();
};

TEST_F(GraphEvents, EventsFromOtherThreadsArePostedAndReadInOrder) {
  ui_test::RecordingWidget window;
  ASSERT_EQ(events->SetNotifyWindow(reinterpret_cast<OAHWND>(&window), kGraphMessage, 7), S_OK);
  constexpr int kEach = 50;
  std::vector<std::thread> notifiers;
  for (LONG thread = 0; thread < 2; ++thread) {
    notifiers.emplace_back([&, thread] {
      for (int i = 0; i < kEach; ++i)
        filter->NotifyEvent(EC_USER + thread, i, 0);
    });
  }
  for (auto& notifier : notifiers)
    notifier.join();
  filter->NotifyEvent(EC_DEVICE_LOST, 0, 0);

  ASSERT_TRUE(ui_test::WaitFor([&] { return window.received.size() == 2 * kEach + 1; }));
  for (const ui::Message& message : window.received) {
    EXPECT_EQ(message.msg, static_cast<UINT>(kGraphMessage));
    EXPECT_EQ(message.lParam, 7);
  }
  LONG_PTR next[2] = {0, 0};
  LONG code = 0;
  LONG_PTR param1 = 0;
  LONG_PTR param2 = 0;
  for (int i = 0; i < 2 * kEach; ++i) {
    ASSERT_EQ(events->GetEvent(&code, &param1, &param2, 0), S_OK);
    const LONG thread = code - EC_USER;
    ASSERT_TRUE(thread == 0 || thread == 1);
    EXPECT_EQ(param1, next[thread]++);
    EXPECT_EQ(events->FreeEventParams(code, param1, param2), S_OK);
  }
  ASSERT_EQ(events->GetEvent(&code, &param1, &param2, 0), S_OK);
  EXPECT_EQ(code, EC_DEVICE_LOST);
  EXPECT_EQ(events->GetEvent(&code, &param1, &param2, 0), E_ABORT);
}

TEST_F(GraphEvents, NoNotifyDropsEventsAndDetachingStopsTheMessages) {
  ui_test::RecordingWidget window;
  events->SetNotifyWindow(reinterpret_cast<OAHWND>(&window), kGraphMessage, 1);
  filter->NotifyEvent(EC_VIDEO_SIZE_CHANGED, 0, 0);
  EXPECT_EQ(events->SetNotifyFlags(AM_MEDIAEVENT_NONOTIFY), S_OK);
  filter->NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
  LONG code = 0;
  LONG_PTR param1 = 0;
  LONG_PTR param2 = 0;
  EXPECT_EQ(events->GetEvent(&code, &param1, &param2, 0), E_ABORT);

  events->SetNotifyFlags(0);
  events->SetNotifyWindow(0, kGraphMessage, 0);
  filter->NotifyEvent(EC_PAUSED, S_OK, 0);
  ASSERT_EQ(events->GetEvent(&code, &param1, &param2, 0), S_OK);
  EXPECT_EQ(code, EC_PAUSED);
  // Only the first event was posted while the window was attached.
  ASSERT_TRUE(ui_test::WaitFor([&] { return window.received.size() == 1; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(window.received.size(), 1u);
}

}  // namespace
}  // namespace dshow_test
