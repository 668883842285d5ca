#include "clock/Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "com/Diagnostics.h"

namespace {

// The test clock: a flag and a 64-bit reading. The reading is stored before the flag is set so
// that a reader that sees the flag also sees the start value.
std::atomic<bool> g_testClock{false};
std::atomic<ULONGLONG> g_testNow{0};

ULONGLONG RealMilliseconds() {
  // steady_clock is CLOCK_MONOTONIC on Linux: time since boot, never set back.
  const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<ULONGLONG>(
      std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count());
}

}  // namespace

ULONGLONG GetTickCount64() {
  if (g_testClock.load(std::memory_order_acquire)) {
    return g_testNow.load(std::memory_order_acquire);
  }
  return RealMilliseconds();
}

DWORD GetTickCount() {
  return static_cast<DWORD>(GetTickCount64());
}

DWORD timeGetTime() {
  return GetTickCount();
}

void Sleep(DWORD ms) {
  if (ms == 0) {
    std::this_thread::yield();
    return;
  }
  if (g_testClock.load(std::memory_order_acquire)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return;
  }
  if (ms == INFINITE) {
    for (;;)
      std::this_thread::sleep_for(std::chrono::hours(24));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

namespace sysclock {

void UseTestClock(DWORD start) {
  g_testNow.store(start, std::memory_order_release);
  g_testClock.store(true, std::memory_order_release);
}

void Advance(DWORD ms) {
  if (!g_testClock.load(std::memory_order_acquire)) {
    diag::Warn("clock", "Advance called on the real clock; ignored");
    return;
  }
  g_testNow.fetch_add(ms, std::memory_order_acq_rel);
}

void UseRealClock() {
  g_testClock.store(false, std::memory_order_release);
}

bool IsTestClock() {
  return g_testClock.load(std::memory_order_acquire);
}

}  // namespace sysclock
