#include "devices/virtual/VirtualDeviceControls.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <iterator>

namespace devices {
namespace {

// V4L2 has no colour-enable control (its colour killer means the opposite): the virtual camera
// gives it an id of its own in the user class's driver-private range.
constexpr std::uint32_t kColorEnableId = V4L2_CID_USER_BASE | 0x1001;

struct ControlName {
  std::uint32_t id;
  const char* name;
  bool isSwitch;
};

// Indexed by VideoProcAmpProperty.
constexpr ControlName kControls[] = {
    {V4L2_CID_BRIGHTNESS, "Brightness", false},
    {V4L2_CID_CONTRAST, "Contrast", false},
    {V4L2_CID_HUE, "Hue", false},
    {V4L2_CID_SATURATION, "Saturation", false},
    {V4L2_CID_SHARPNESS, "Sharpness", false},
    {V4L2_CID_GAMMA, "Gamma", false},
    {kColorEnableId, "Color Enable", true},
    {V4L2_CID_WHITE_BALANCE_TEMPERATURE, "White Balance Temperature", false},
    {V4L2_CID_BACKLIGHT_COMPENSATION, "Backlight Compensation", true},
    {V4L2_CID_GAIN, "Gain", false},
};

// The property of a control id, or -1.
LONG PropertyOf(std::uint32_t id) {
  const auto it = std::find_if(std::begin(kControls), std::end(kControls),
                               [id](const ControlName& control) { return control.id == id; });
  return it == std::end(kControls) ? -1 : static_cast<LONG>(it - std::begin(kControls));
}

}  // namespace

VirtualDeviceControls::VirtualDeviceControls(IUnknown* owner, VirtualProcAmp& procAmp)
    : FilterPart(owner), procAmp_(procAmp) {}

HRESULT VirtualDeviceControls::GetControls(std::vector<DeviceControlInfo>* controls) {
  if (controls == nullptr) return E_POINTER;
  controls->clear();
  for (LONG property = 0; property < static_cast<LONG>(std::size(kControls)); ++property) {
    const ProcAmpRange* range = procAmp_.RangeOf(property);
    if (range == nullptr) continue;
    const ControlName& control = kControls[property];
    DeviceControlInfo info;
    info.id = control.id;
    info.name = control.name;
    const bool isSwitch = control.isSwitch && range->min == 0 && range->max == 1;
    info.kind = isSwitch ? DeviceControlInfo::Kind::kBoolean : DeviceControlInfo::Kind::kInteger;
    info.minimum = range->min;
    info.maximum = range->max;
    info.step = std::max<LONG>(range->step, 1);
    info.defaultValue = range->defaultValue;
    info.group = V4L2_CTRL_CLASS_USER;
    info.groupName = "User Controls";
    controls->push_back(std::move(info));
  }
  return S_OK;
}

HRESULT VirtualDeviceControls::GetValue(std::uint32_t id, std::int32_t* value) {
  if (value == nullptr) return E_POINTER;
  LONG current = 0;
  LONG flags = 0;
  const HRESULT hr = procAmp_.Get(PropertyOf(id), &current, &flags);
  if (SUCCEEDED(hr)) *value = current;
  return hr;
}

HRESULT VirtualDeviceControls::SetValue(std::uint32_t id, std::int32_t value) {
  const LONG property = PropertyOf(id);
  const ProcAmpRange* range = procAmp_.RangeOf(property);
  if (range == nullptr) return E_PROP_ID_UNSUPPORTED;
  if (value < range->min || value > range->max) return E_INVALIDARG;
  const LONG step = std::max<LONG>(range->step, 1);
  const LONG rounded =
      std::min(range->min + (value - range->min + step / 2) / step * step, range->max);
  return procAmp_.Set(property, rounded, VideoProcAmp_Flags_Manual);
}

}  // namespace devices
