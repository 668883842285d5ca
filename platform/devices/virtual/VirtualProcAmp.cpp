#include "devices/virtual/VirtualProcAmp.h"

#include <algorithm>

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

double VirtualProcAmp::Offset(LONG property) {
  const ProcAmpRange* range = RangeOf(property);
  if (range == nullptr || range->max <= range->min) return 0.0;
  std::lock_guard lock(mutex_);
  const LONG value = values_[static_cast<std::size_t>(property)];
  return static_cast<double>(value - range->defaultValue) / (range->max - range->min);
}

PictureAdjustment VirtualProcAmp::Adjustment() {
  // A full range above the default doubles a scale and adds full white; below it goes to none.
  const auto scale = [this](LONG property) {
    return std::max(0, static_cast<int>(256.0 + 512.0 * Offset(property)));
  };
  PictureAdjustment adjustment;
  adjustment.brightness = static_cast<int>(255.0 * Offset(VideoProcAmp_Brightness));
  adjustment.contrast = scale(VideoProcAmp_Contrast);
  adjustment.saturation = scale(VideoProcAmp_Saturation);
  adjustment.hue = static_cast<int>(360.0 * Offset(VideoProcAmp_Hue));
  adjustment.gain = scale(VideoProcAmp_Gain);
  return adjustment;
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
