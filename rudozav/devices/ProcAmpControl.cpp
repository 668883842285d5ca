// The processing amplifier by the component's index: ranges read when the base graph found it,
// values read from and written to the device, a written value kept in the device's settings.
// UI thread only.

#include "dshow/DShow.h"
#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/devices/ProcAmp.h"

namespace {

// The range of index when the device has an amplifier and the range could be read; else null.
const TProcAmpRange* RangeOf(const TRavorOdeririState& state, int index) {
  if (!state.graph->procAmp || index < 0 || index >= kProcAmpCount) return nullptr;
  const TProcAmpRange& range = state.graph->procAmpRanges[static_cast<std::size_t>(index)];
  return range.Available ? &range : nullptr;
}

// One figure of index's range; NOT_SET without a range.
int RangeField(const TRavorOdeririState& state, int index, LONG TProcAmpRange::*field) {
  const TProcAmpRange* range = RangeOf(state, index);
  return range != nullptr ? range->*field : NOT_SET;
}

LONG PropertyOf(int index) {
  return kProcAmpProperties[static_cast<std::size_t>(index)];
}

}  // namespace

bool TRavorOderiri::ProcAmpAvailable(int Index) const {
  return ProcAmpValue(Index) != NOT_SET;
}

int TRavorOderiri::ProcAmpMin(int Index) const {
  return RangeField(*state_, Index, &TProcAmpRange::Min);
}

int TRavorOderiri::ProcAmpMax(int Index) const {
  return RangeField(*state_, Index, &TProcAmpRange::Max);
}

int TRavorOderiri::ProcAmpStep(int Index) const {
  return RangeField(*state_, Index, &TProcAmpRange::Step);
}

int TRavorOderiri::ProcAmpDefault(int Index) const {
  return RangeField(*state_, Index, &TProcAmpRange::Default);
}

int TRavorOderiri::ProcAmpValue(int Index) const {
  if (RangeOf(*state_, Index) == nullptr) return NOT_SET;
  LONG value = 0;
  LONG flags = 0;
  if (FAILED(state_->graph->procAmp->Get(PropertyOf(Index), &value, &flags))) return NOT_SET;
  return value;
}

bool TRavorOderiri::SetProcAmpValue(int Index, int Value) {
  if (RangeOf(*state_, Index) == nullptr) return false;
  // A value the user chose is a manual setting: with the automatic flag a camera would take its
  // automatic mode (or refuse the value) instead.
  if (FAILED(state_->graph->procAmp->Set(PropertyOf(Index), Value, VideoProcAmp_Flags_Manual)))
    return false;
  state_->settings[static_cast<std::size_t>(rs_ProcAmp_Brightness + Index)].IntValue = Value;
  return true;
}
