#include "devices/virtual/VirtualProcAmp.h"

namespace devices {

VirtualProcAmp::VirtualProcAmp(IUnknown* owner, const ProcAmpDescription& ranges)
    : FilterPart(owner), ranges_(ranges) {
  for (std::size_t i = 0; i < ranges_.size(); ++i) {
    values_[i] = ranges_[i].defaultValue;
    flags_[i] = VideoProcAmp_Flags_Manual;
  }
}

const ProcAmpRange* VirtualProcAmp::RangeOf(LONG property) const {
  if (property < 0 || property >= static_cast<LONG>(ranges_.size())) return nullptr;
  const ProcAmpRange& range = ranges_[static_cast<std::size_t>(property)];
  return range.present ? &range : nullptr;
}

HRESULT VirtualProcAmp::GetRange(LONG property, LONG* min, LONG* max, LONG* steppingDelta,
                                 LONG* defaultValue, LONG* capsFlags) {
  if (min == nullptr || max == nullptr || steppingDelta == nullptr || defaultValue == nullptr ||
      capsFlags == nullptr) {
    return E_POINTER;
  }
  const ProcAmpRange* range = RangeOf(property);
  if (range == nullptr) return E_PROP_ID_UNSUPPORTED;
  *min = range->min;
  *max = range->max;
  *steppingDelta = range->step;
  *defaultValue = range->defaultValue;
  *capsFlags = range->flags;
  return S_OK;
}

HRESULT VirtualProcAmp::Set(LONG property, LONG value, LONG flags) {
  const ProcAmpRange* range = RangeOf(property);
  if (range == nullptr) return E_PROP_ID_UNSUPPORTED;
  if (value < range->min || value > range->max) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  values_[static_cast<std::size_t>(property)] = value;
  flags_[static_cast<std::size_t>(property)] = flags;
  return S_OK;
}

HRESULT VirtualProcAmp::Get(LONG property, LONG* value, LONG* flags) {
  if (value == nullptr || flags == nullptr) return E_POINTER;
  if (RangeOf(property) == nullptr) return E_PROP_ID_UNSUPPORTED;
  std::lock_guard lock(mutex_);
  *value = values_[static_cast<std::size_t>(property)];
  *flags = flags_[static_cast<std::size_t>(property)];
  return S_OK;
}

}  // namespace devices
