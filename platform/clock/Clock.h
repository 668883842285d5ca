#pragma once
// The process-wide millisecond clock: the tick count, the multimedia time and Sleep.
//
// Everything reads one clock. Normally it is the real monotonic clock (milliseconds since boot,
// wrapping at 2^32 in the 32-bit readings). Tests switch to a test clock that stands still until
// they advance it, so that time-driven code does not depend on the machine's speed.
//
// Any thread may call every function here; the clock is read and moved with atomics.

#include "com/Types.h"

inline constexpr DWORD INFINITE = 0xFFFFFFFFu;

// Milliseconds of the clock, wrapping at 2^32. Compare readings by unsigned difference.
DWORD GetTickCount();
// The same clock without the wrap.
ULONGLONG GetTickCount64();
// The multimedia timer's time: the same reading as GetTickCount.
DWORD timeGetTime();

// Suspends the calling thread. Sleep(0) gives up the rest of the time slice.
// On the test clock Sleep never advances the clock and never blocks for long: it returns after a
// yield or a real pause of at most one millisecond, whatever ms asks for (INFINITE included).
// A loop that sleeps until the clock reaches a deadline therefore keeps turning, cheaply, until
// the test advances the clock; a loop that counts its sleeps runs through quickly.
void Sleep(DWORD ms);

namespace sysclock {

// Switches the whole process to the test clock, standing at start. Calling it again resets the
// reading to start.
void UseTestClock(DWORD start);
// Moves the test clock forward. Does nothing (with a warning) on the real clock.
void Advance(DWORD ms);
// Back to the real clock.
void UseRealClock();
bool IsTestClock();

}  // namespace sysclock
