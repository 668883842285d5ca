#pragma once
// The reference clock the filter graph uses when no filter offers one: the platform clock
// (clock/Clock.h) in reference time units. It follows the test clock when tests switch to it.
// Any thread.

#include "com/Com.h"
#include "dshow/FilterInterfaces.h"

namespace dshow {

class SystemClock final : public ComObject<SystemClock, IReferenceClock> {
 public:
  HRESULT GetTime(REFERENCE_TIME* time) override;
};

}  // namespace dshow
