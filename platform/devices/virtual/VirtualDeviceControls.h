#pragma once
// The whole control list of a virtual camera (IDeviceControls) for the device controls page: its
// picture controls (VirtualProcAmp) under the V4L2 ids and names a camera driver gives them, all
// in the user class. Colour enable and backlight compensation are switches, the rest numbers.
//
// Threads: application thread; the values live in the VirtualProcAmp behind its lock.

#include "devices/capture/DeviceControls.h"
#include "devices/capture/FilterPart.h"
#include "devices/virtual/VirtualProcAmp.h"

namespace devices {

class VirtualDeviceControls : public FilterPart<IDeviceControls> {
 public:
  VirtualDeviceControls(IUnknown* owner, VirtualProcAmp& procAmp);

  HRESULT GetControls(std::vector<DeviceControlInfo>* controls) override;
  HRESULT GetValue(std::uint32_t id, std::int32_t* value) override;
  // Written as a manual value, rounded to the step.
  HRESULT SetValue(std::uint32_t id, std::int32_t value) override;

 private:
  VirtualProcAmp& procAmp_;
};

}  // namespace devices
