#include "dshow/graph/SystemClock.h"

#include "clock/Clock.h"

namespace dshow {

HRESULT SystemClock::GetTime(REFERENCE_TIME* time) {
  if (time == nullptr) return E_POINTER;
  constexpr REFERENCE_TIME kUnitsPerMillisecond = 10'000;
  *time = static_cast<REFERENCE_TIME>(GetTickCount64()) * kUnitsPerMillisecond;
  return S_OK;
}

}  // namespace dshow
