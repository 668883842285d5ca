#include "devices/v4l2/V4l2Controls.h"

#include <linux/videodev2.h>

#include <cerrno>
#include <cstring>

#include "devices/capture/DeviceResults.h"

namespace devices {
namespace {

struct ProcAmpControl {
  std::uint32_t id;      // 0: no V4L2 control stands for the property
  std::uint32_t autoId;  // 0: none
};

// Indexed by VideoProcAmpProperty.
constexpr ProcAmpControl kProcAmp[] = {
    {V4L2_CID_BRIGHTNESS, 0},
    {V4L2_CID_CONTRAST, 0},
    {V4L2_CID_HUE, V4L2_CID_HUE_AUTO},
    {V4L2_CID_SATURATION, 0},
    {V4L2_CID_SHARPNESS, 0},
    {V4L2_CID_GAMMA, 0},
    {0, 0},  // colour enable: no V4L2 counterpart
    {V4L2_CID_WHITE_BALANCE_TEMPERATURE, V4L2_CID_AUTO_WHITE_BALANCE},
    {V4L2_CID_BACKLIGHT_COMPENSATION, 0},
    {V4L2_CID_GAIN, V4L2_CID_AUTOGAIN},
};

const ProcAmpControl* ProcAmpOf(LONG property) {
  if (property < 0 || property >= static_cast<LONG>(std::size(kProcAmp))) return nullptr;
  const ProcAmpControl& control = kProcAmp[property];
  return control.id == 0 ? nullptr : &control;
}

DeviceControlInfo::Kind KindOf(std::uint32_t type) {
  switch (type) {
    case V4L2_CTRL_TYPE_INTEGER:
      return DeviceControlInfo::Kind::kInteger;
    case V4L2_CTRL_TYPE_BOOLEAN:
      return DeviceControlInfo::Kind::kBoolean;
    case V4L2_CTRL_TYPE_MENU:
      return DeviceControlInfo::Kind::kMenu;
    case V4L2_CTRL_TYPE_INTEGER_MENU:
      return DeviceControlInfo::Kind::kIntegerMenu;
    case V4L2_CTRL_TYPE_BUTTON:
      return DeviceControlInfo::Kind::kButton;
    default:
      return DeviceControlInfo::Kind::kOther;
  }
}

// Menus have holes: items the driver does not answer are left out.
void ReadMenu(const V4l2Device& device, DeviceControlInfo& info) {
  for (std::int32_t index = info.minimum; index <= info.maximum && index >= 0; ++index) {
    v4l2_querymenu item{};
    item.id = info.id;
    item.index = static_cast<std::uint32_t>(index);
    if (device.IoctlRetried(VIDIOC_QUERYMENU, &item) < 0) continue;
    std::string text =
        info.kind == DeviceControlInfo::Kind::kIntegerMenu
            ? std::to_string(item.value)
            : std::string(reinterpret_cast<const char*>(item.name),
                          strnlen(reinterpret_cast<const char*>(item.name), sizeof item.name));
    info.menu.emplace_back(index, std::move(text));
  }
}

// The names the kernel gives the control classes that cameras and capture cards have.
std::string GroupNameOf(std::uint32_t controlClass) {
  switch (controlClass) {
    case V4L2_CTRL_CLASS_USER:
      return "User Controls";
    case V4L2_CTRL_CLASS_CAMERA:
      return "Camera Controls";
    case V4L2_CTRL_CLASS_CODEC:
      return "Codec Controls";
    case V4L2_CTRL_CLASS_IMAGE_SOURCE:
      return "Image Source Controls";
    case V4L2_CTRL_CLASS_IMAGE_PROC:
      return "Image Processing Controls";
    default:
      return "Other Controls";
  }
}

DeviceControlInfo InfoOf(const v4l2_queryctrl& query) {
  DeviceControlInfo info;
  info.id = query.id;
  info.name.assign(reinterpret_cast<const char*>(query.name),
                   strnlen(reinterpret_cast<const char*>(query.name), sizeof query.name));
  info.kind = KindOf(query.type);
  info.minimum = query.minimum;
  info.maximum = query.maximum;
  info.step = query.step;
  info.defaultValue = query.default_value;
  info.group = V4L2_CTRL_ID2CLASS(query.id);
  info.groupName = GroupNameOf(info.group);
  info.inactive = (query.flags & V4L2_CTRL_FLAG_INACTIVE) != 0;
  info.readOnly = (query.flags & (V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_GRABBED)) != 0;
  return info;
}

}  // namespace

V4l2Controls::V4l2Controls(IUnknown* owner, const V4l2Device& device)
    : FilterPart(owner), device_(device) {}

std::optional<DeviceControlInfo> V4l2Controls::Query(std::uint32_t id) const {
  v4l2_queryctrl query{};
  query.id = id;
  if (device_.IoctlRetried(VIDIOC_QUERYCTRL, &query) < 0) return std::nullopt;
  if (query.flags & V4L2_CTRL_FLAG_DISABLED) return std::nullopt;
  DeviceControlInfo info = InfoOf(query);
  if (info.kind == DeviceControlInfo::Kind::kMenu ||
      info.kind == DeviceControlInfo::Kind::kIntegerMenu) {
    ReadMenu(device_, info);
  }
  return info;
}

HRESULT V4l2Controls::GetControls(std::vector<DeviceControlInfo>* controls) {
  if (controls == nullptr) return E_POINTER;
  controls->clear();
  v4l2_queryctrl query{};
  query.id = V4L2_CTRL_FLAG_NEXT_CTRL;
  while (device_.IoctlRetried(VIDIOC_QUERYCTRL, &query) >= 0) {
    const std::uint32_t id = query.id;
    if (query.type != V4L2_CTRL_TYPE_CTRL_CLASS && !(query.flags & V4L2_CTRL_FLAG_DISABLED)) {
      if (auto info = Query(id)) controls->push_back(std::move(*info));
    }
    query = v4l2_queryctrl{};
    query.id = id | V4L2_CTRL_FLAG_NEXT_CTRL;
  }
  return S_OK;
}

HRESULT V4l2Controls::GetValue(std::uint32_t id, std::int32_t* value) {
  if (value == nullptr) return E_POINTER;
  v4l2_control control{id, 0};
  const int result = device_.IoctlRetried(VIDIOC_G_CTRL, &control);
  if (result < 0) return result == -EINVAL ? E_PROP_ID_UNSUPPORTED : HResultFromErrno(result);
  *value = control.value;
  return S_OK;
}

HRESULT V4l2Controls::SetValue(std::uint32_t id, std::int32_t value) {
  const auto info = Query(id);
  if (!info) return E_PROP_ID_UNSUPPORTED;
  if (value < info->minimum || value > info->maximum) return E_INVALIDARG;
  if (info->inactive || info->readOnly) return E_ACCESSDENIED;
  v4l2_control control{id, value};
  const int result = device_.IoctlRetried(VIDIOC_S_CTRL, &control);
  return result < 0 ? HResultFromErrno(result) : S_OK;
}

V4l2ProcAmp::V4l2ProcAmp(IUnknown* owner, V4l2Controls& controls)
    : FilterPart(owner), controls_(controls) {}

bool V4l2ProcAmp::HasAny() const {
  for (LONG property = 0; property < static_cast<LONG>(std::size(kProcAmp)); ++property) {
    if (ProcAmpOf(property) && controls_.Query(kProcAmp[property].id)) return true;
  }
  return false;
}

HRESULT V4l2ProcAmp::GetRange(LONG property, LONG* min, LONG* max, LONG* steppingDelta,
                              LONG* defaultValue, LONG* capsFlags) {
  if (min == nullptr || max == nullptr || steppingDelta == nullptr || defaultValue == nullptr ||
      capsFlags == nullptr) {
    return E_POINTER;
  }
  const ProcAmpControl* control = ProcAmpOf(property);
  const auto info = control ? controls_.Query(control->id) : std::nullopt;
  if (!info) return E_PROP_ID_UNSUPPORTED;
  *min = info->minimum;
  *max = info->maximum;
  *steppingDelta = std::max<LONG>(info->step, 1);
  *defaultValue = info->defaultValue;
  *capsFlags = VideoProcAmp_Flags_Manual;
  if (control->autoId != 0 && controls_.Query(control->autoId))
    *capsFlags |= VideoProcAmp_Flags_Auto;
  return S_OK;
}

HRESULT V4l2ProcAmp::Set(LONG property, LONG value, LONG flags) {
  const ProcAmpControl* control = ProcAmpOf(property);
  const auto info = control ? controls_.Query(control->id) : std::nullopt;
  if (!info) return E_PROP_ID_UNSUPPORTED;
  const bool manual = !(flags & VideoProcAmp_Flags_Auto);
  if (manual && (value < info->minimum || value > info->maximum)) return E_INVALIDARG;
  const bool hasAuto = control->autoId != 0 && controls_.Query(control->autoId);
  if (flags & VideoProcAmp_Flags_Auto) {
    return hasAuto ? controls_.SetValue(control->autoId, 1) : E_INVALIDARG;
  }
  if (hasAuto) {
    const HRESULT hr = controls_.SetValue(control->autoId, 0);
    if (FAILED(hr)) return hr;
  }
  return controls_.SetValue(control->id, value);
}

HRESULT V4l2ProcAmp::Get(LONG property, LONG* value, LONG* flags) {
  if (value == nullptr || flags == nullptr) return E_POINTER;
  const ProcAmpControl* control = ProcAmpOf(property);
  if (control == nullptr) return E_PROP_ID_UNSUPPORTED;
  std::int32_t current = 0;
  const HRESULT hr = controls_.GetValue(control->id, &current);
  if (FAILED(hr)) return hr;
  std::int32_t automatic = 0;
  const bool isAuto = control->autoId != 0 &&
                      SUCCEEDED(controls_.GetValue(control->autoId, &automatic)) && automatic != 0;
  *value = current;
  *flags = isAuto ? VideoProcAmp_Flags_Auto : VideoProcAmp_Flags_Manual;
  return S_OK;
}

}  // namespace devices
