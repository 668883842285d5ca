#pragma once
// The picture controls of a virtual camera, with the ranges and defaults of its description.
// Application thread; a lock guards the values.

#include <array>
#include <mutex>

#include "devices/capture/FilterPart.h"
#include "devices/virtual/DeviceDescription.h"

namespace devices {

class VirtualProcAmp : public FilterPart<IAMVideoProcAmp> {
 public:
  VirtualProcAmp(IUnknown* owner, const ProcAmpDescription& ranges);

  // E_PROP_ID_UNSUPPORTED for properties the device does not have.
  HRESULT GetRange(LONG property, LONG* min, LONG* max, LONG* steppingDelta, LONG* defaultValue,
                   LONG* capsFlags) override;
  // E_INVALIDARG for a value outside the range. Any flags are taken: the device stores the value
  // either way.
  HRESULT Set(LONG property, LONG value, LONG flags) override;
  HRESULT Get(LONG property, LONG* value, LONG* flags) override;

  // The range of a property the device has, else null.
  const ProcAmpRange* RangeOf(LONG property) const;
  // Brightness, contrast, saturation, hue and gain now, as the painter applies them: each value
  // relative to its default, scaled by its range. Any thread (the streaming thread per frame).
  PictureAdjustment Adjustment();

 private:
  // How far value is from the default, as a share of the range (0 for a property it lacks).
  double Offset(LONG property);

  const ProcAmpDescription ranges_;
  std::mutex mutex_;
  std::array<LONG, 10> values_{};  // guarded by mutex_
  std::array<LONG, 10> flags_{};   // guarded by mutex_
};

}  // namespace devices
