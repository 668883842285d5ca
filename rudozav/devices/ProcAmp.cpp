#include "rudozav/devices/ProcAmp.h"

namespace {

TSaveInfo& EntryOf(TRegSave& table, int index) {
  return table[static_cast<std::size_t>(rs_ProcAmp_Brightness + index)];
}

}  // namespace

void ApplyProcAmpSettings(IAMVideoProcAmp* procAmp, const TRegSave& table) {
  if (procAmp == nullptr) return;
  for (int i = 0; i < kProcAmpCount; ++i) {
    const std::int32_t value = table[static_cast<std::size_t>(rs_ProcAmp_Brightness + i)].IntValue;
    // A saved value is a manual setting (with the automatic flag a camera takes its automatic
    // mode or refuses the value); a device that refuses a value keeps its own.
    if (value != NOT_SET) procAmp->Set(kProcAmpProperties[i], value, VideoProcAmp_Flags_Manual);
  }
}

void CaptureProcAmpSettings(IAMVideoProcAmp* procAmp, TRegSave& table) {
  if (procAmp == nullptr) return;
  for (int i = 0; i < kProcAmpCount; ++i) {
    LONG value = 0;
    LONG flags = 0;
    if (SUCCEEDED(procAmp->Get(kProcAmpProperties[i], &value, &flags)))
      EntryOf(table, i).IntValue = value;
  }
}

void ReadProcAmpRanges(IAMVideoProcAmp* procAmp, TProcAmpRanges& ranges) {
  for (int i = 0; i < kProcAmpCount; ++i) {
    TProcAmpRange range;
    if (procAmp != nullptr) {
      range.Available = SUCCEEDED(procAmp->GetRange(kProcAmpProperties[i], &range.Min, &range.Max,
                                                    &range.Step, &range.Default, &range.Flags));
    }
    if (!range.Available) range = TProcAmpRange{};
    ranges[static_cast<std::size_t>(i)] = range;
  }
}
