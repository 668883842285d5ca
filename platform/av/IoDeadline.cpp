#include "av/IoDeadline.h"

#include "clock/Clock.h"

namespace av {

void IoDeadline::Arm(ULONGLONG milliseconds) {
  armedAt_ = GetTickCount64();
  budget_ = milliseconds;
}

bool IoDeadline::Expired() const {
  return GetTickCount64() - armedAt_ >= budget_;
}

int IoDeadline::Interrupted(void* opaque) {
  return static_cast<const IoDeadline*>(opaque)->Expired() ? 1 : 0;
}

}  // namespace av
