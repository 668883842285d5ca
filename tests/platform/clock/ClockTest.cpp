#include "clock/Clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

class TestClock : public ::testing::Test {
 protected:
  void TearDown() override { sysclock::UseRealClock(); }
};

TEST_F(TestClock, StandsStillAndWrapsAt32Bits) {
  sysclock::UseTestClock(0xFFFFFF00u);
  EXPECT_TRUE(sysclock::IsTestClock());
  const DWORD start = GetTickCount();
  EXPECT_EQ(start, 0xFFFFFF00u);
  EXPECT_EQ(timeGetTime(), start);
  EXPECT_EQ(GetTickCount(), start) << "the test clock moved by itself";

  sysclock::Advance(0x180);
  EXPECT_EQ(GetTickCount(), 0x80u);
  EXPECT_EQ(timeGetTime(), 0x80u);
  EXPECT_EQ(GetTickCount64(), 0x100000080ull);
  // Elapsed time across the wrap, computed the way callers compare tick counts.
  EXPECT_EQ(static_cast<DWORD>(GetTickCount() - start), 0x180u);

  sysclock::UseTestClock(1000);
  EXPECT_EQ(GetTickCount64(), 1000u) << "a new start resets the reading";
}

TEST_F(TestClock, SleepNeitherBlocksNorAdvances) {
  sysclock::UseTestClock(500);
  const auto realStart = std::chrono::steady_clock::now();
  Sleep(60000);
  Sleep(INFINITE);
  Sleep(0);
  EXPECT_LT(std::chrono::steady_clock::now() - realStart, std::chrono::seconds(5));
  EXPECT_EQ(GetTickCount(), 500u);
}

TEST_F(TestClock, RealClockReturnsAndMoves) {
  sysclock::UseTestClock(7);
  sysclock::UseRealClock();
  EXPECT_FALSE(sysclock::IsTestClock());
  sysclock::Advance(1000);  // ignored on the real clock
  const ULONGLONG first = GetTickCount64();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (GetTickCount64() == first && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
  EXPECT_GT(GetTickCount64(), first);
  EXPECT_EQ(GetTickCount(), static_cast<DWORD>(GetTickCount64()));
}

TEST_F(TestClock, ConcurrentAdvancesAddUpAndReadersNeverSeeTimeGoBack) {
  sysclock::UseTestClock(0xFFFFF000u);
  constexpr int kWriters = 3;
  constexpr int kSteps = 2000;
  std::atomic<bool> done{false};
  std::atomic<bool> wentBack{false};
  std::thread reader([&] {
    ULONGLONG last = GetTickCount64();
    while (!done.load()) {
      const ULONGLONG now = GetTickCount64();
      if (now < last) wentBack = true;
      last = now;
    }
  });
  std::vector<std::thread> writers;
  for (int i = 0; i < kWriters; ++i) {
    writers.emplace_back([] {
      for (int step = 0; step < kSteps; ++step)
        sysclock::Advance(3);
    });
  }
  for (auto& writer : writers)
    writer.join();
  done = true;
  reader.join();
  EXPECT_FALSE(wentBack);
  EXPECT_EQ(GetTickCount64(), 0xFFFFF000ull + kWriters * kSteps * 3);
}

}  // namespace
