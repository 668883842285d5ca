#pragma once
// The whole control list of a capture device, for the settings page that shows every control the
// driver has (V4L2 user and camera controls, a virtual device's picture controls), beyond the ten
// of IAMVideoProcAmp. Flags are read afresh on each call: an automatic control switched on makes
// its manual partner inactive.
//
// Threads: application thread.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "com/Unknown.h"

namespace devices {

struct DeviceControlInfo {
  enum class Kind { kInteger, kBoolean, kMenu, kIntegerMenu, kButton, kOther };

  std::uint32_t id = 0;
  std::string name;
  Kind kind = Kind::kInteger;
  std::int32_t minimum = 0;
  std::int32_t maximum = 0;
  std::int32_t step = 1;
  std::int32_t defaultValue = 0;
  std::uint32_t group = 0;  // the control class (user, camera, ...): controls are shown by group
  std::string groupName;    // the class's name, for the page's group box
  bool inactive = false;    // its automatic partner is on: writes are refused
  bool readOnly = false;
  // Menus: the items the device answers to, as (value, text); integer menus show the number.
  std::vector<std::pair<std::int32_t, std::string>> menu;
};

struct IDeviceControls : IUnknown {
  static constexpr IID iid = MakeGuid("6C1B2E7A-3F4D-4E8B-9A21-5D7C0B9E4F13");
  // Every control the device has, in its own order.
  virtual HRESULT GetControls(std::vector<DeviceControlInfo>* controls) = 0;
  virtual HRESULT GetValue(std::uint32_t id, std::int32_t* value) = 0;
  // The device rounds to its step; E_INVALIDARG outside the range, E_ACCESSDENIED for an
  // inactive or read-only control.
  virtual HRESULT SetValue(std::uint32_t id, std::int32_t value) = 0;
};

inline constexpr IID IID_IDeviceControls = IDeviceControls::iid;

}  // namespace devices
