#include "clock/ThreadPriority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "com/Diagnostics.h"

namespace {

bool SetIdle() {
  sched_param param{};
  param.sched_priority = 0;
  const int error = pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
  if (error != 0) {
    diag::Debug("clock", "SCHED_IDLE refused: ", std::strerror(error));
    return false;
  }
  return true;
}

bool SetLowest() {
  // The nice value is per thread on Linux when addressed by thread id.
  if (setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19) != 0) {
    diag::Debug("clock", "nice 19 refused: ", std::strerror(errno));
    return false;
  }
  // A thread at SCHED_IDLE ignores its nice value; leaving SCHED_IDLE usually needs privilege.
  if (sched_getscheduler(0) == SCHED_IDLE) {
    sched_param param{};
    const int error = pthread_setschedparam(pthread_self(), SCHED_OTHER, &param);
    if (error != 0) {
      diag::Debug("clock", "cannot leave SCHED_IDLE: ", std::strerror(error));
      return false;
    }
  }
  return true;
}

}  // namespace

bool SetCurrentThreadPriority(ThreadPriority priority) {
  switch (priority) {
    case ThreadPriority::kIdle:
      return SetIdle();
    case ThreadPriority::kLowest:
      return SetLowest();
  }
  return false;
}
