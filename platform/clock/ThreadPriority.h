#pragma once
// Scheduling priority of the calling thread, for background threads that must never take time
// from the UI thread (the frame thread runs at one of these).
//
// Priorities can only be lowered: an unprivileged thread may not leave SCHED_IDLE or lower its
// nice value again. A refusal (a container without the right, a raised nice floor) is reported as
// false and written to the "clock" debug category; the thread simply goes on at its priority.

enum class ThreadPriority {
  kIdle,    // SCHED_IDLE: runs only when nothing else wants the CPU
  kLowest,  // SCHED_OTHER with nice 19
};

// Applies to the calling thread only, not to the process. Any thread may call it.
bool SetCurrentThreadPriority(ThreadPriority priority);
