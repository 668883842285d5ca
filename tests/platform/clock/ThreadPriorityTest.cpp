#include "clock/ThreadPriority.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace {

int NiceOfThisThread() {
  errno = 0;
  return getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
}

TEST(ThreadPriority, LowestChangesOnlyTheCallingThread) {
  const int mainNice = NiceOfThisThread();
  std::thread([] {
    // Raising one's own nice value needs no privilege.
    EXPECT_TRUE(SetCurrentThreadPriority(ThreadPriority::kLowest));
    EXPECT_EQ(NiceOfThisThread(), 19);
  }).join();
  EXPECT_EQ(NiceOfThisThread(), mainNice);
}

TEST(ThreadPriority, IdleChangesOnlyTheCallingThread) {
  const int mainPolicy = sched_getscheduler(0);
  std::thread([] {
    // Some sandboxes refuse SCHED_IDLE; then the call reports it and the thread stays as it was.
    if (SetCurrentThreadPriority(ThreadPriority::kIdle)) {
      EXPECT_EQ(sched_getscheduler(0), SCHED_IDLE);
    } else {
      EXPECT_NE(sched_getscheduler(0), SCHED_IDLE);
    }
  }).join();
  EXPECT_EQ(sched_getscheduler(0), mainPolicy);
}

}  // namespace
