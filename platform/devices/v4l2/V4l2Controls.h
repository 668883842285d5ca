#pragma once
// The controls of a V4L2 node: the whole list (IDeviceControls) and the picture controls of
// IAMVideoProcAmp mapped onto the V4L2 user controls, with their automatic partners (white
// balance, gain, hue). Control calls that fail now and then on real cameras are tried twice.
//
// Threads: application thread; the node serialises calls made while it streams.

#include <cstdint>
#include <optional>

#include "devices/capture/DeviceControls.h"
#include "devices/capture/FilterPart.h"
#include "devices/v4l2/V4l2Device.h"
#include "dshow/DeviceInterfaces.h"

namespace devices {

class V4l2Controls : public FilterPart<IDeviceControls> {
 public:
  V4l2Controls(IUnknown* owner, const V4l2Device& device);

  HRESULT GetControls(std::vector<DeviceControlInfo>* controls) override;
  HRESULT GetValue(std::uint32_t id, std::int32_t* value) override;
  HRESULT SetValue(std::uint32_t id, std::int32_t value) override;

  // The control's description as the driver gives it now; nullopt when it has none.
  std::optional<DeviceControlInfo> Query(std::uint32_t id) const;

 private:
  const V4l2Device& device_;
};

class V4l2ProcAmp : public FilterPart<IAMVideoProcAmp> {
 public:
  V4l2ProcAmp(IUnknown* owner, V4l2Controls& controls);

  // Whether the node has any of the ten picture controls.
  bool HasAny() const;

  // E_PROP_ID_UNSUPPORTED for a property the node lacks. Flags: manual, and automatic where the
  // node has the automatic partner.
  HRESULT GetRange(LONG property, LONG* min, LONG* max, LONG* steppingDelta, LONG* defaultValue,
                   LONG* capsFlags) override;
  // Automatic switches the partner on (the value is the device's); manual switches it off
  // first, then sets the value.
  HRESULT Set(LONG property, LONG value, LONG flags) override;
  HRESULT Get(LONG property, LONG* value, LONG* flags) override;

 private:
  V4l2Controls& controls_;
};

}  // namespace devices
