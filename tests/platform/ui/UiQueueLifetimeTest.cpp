// The UI thread's task queue follows the application object: it needs one, drops its tasks when
// it goes and works again for the next one. This test owns its application objects.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <atomic>
#include <thread>

#include "ui/Application.h"

namespace {

bool RunsOnTheUiThread() {
  bool ran = false;
  if (!ui::PostToUiThread([&ran] { ran = ui::IsUiThread(); })) return false;
  return QTest::qWaitFor([&ran] { return ran; }, 20000);
}

TEST(UiQueueLifetime, TasksNeedAnApplicationAndAreDroppedWithIt) {
  EXPECT_FALSE(ui::PostToUiThread([] {}));
  EXPECT_FALSE(ui::IsUiThread());
  EXPECT_FALSE(ui::RunOnUiThread([] {}));

  std::atomic<int> waited{-1};
  std::thread waiter;
  {
    int argc = 1;
    char name[] = "lifetime";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    EXPECT_TRUE(ui::IsUiThread());
    EXPECT_TRUE(RunsOnTheUiThread());
    // The UI thread never serves this wait: the application goes first and must release it.
    waiter = std::thread([&waited] { waited = ui::RunOnUiThread([] {}) ? 1 : 0; });
  }
  waiter.join();
  EXPECT_EQ(waited.load(), 0);
  EXPECT_FALSE(ui::PostToUiThread([] {}));

  int argc = 1;
  char name[] = "lifetime2";
  char* argv[] = {name, nullptr};
  QCoreApplication again(argc, argv);
  EXPECT_TRUE(RunsOnTheUiThread());
}

}  // namespace
