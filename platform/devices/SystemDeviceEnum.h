#pragma once
// The system device enumerator (CLSID_SystemDeviceEnum): lists the devices of a category from
// every device source (devices/DeviceSource.h). It is a built-in class, registered when the
// platform library loads.

#include "dshow/EnumInterfaces.h"

namespace devices {

class SystemDeviceEnum : public ComObject<SystemDeviceEnum, ICreateDevEnum> {
 public:
  // S_FALSE and a null enumerator when the category has no devices now. flags are ignored.
  HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator, DWORD flags) override;
};

// Registers CLSID_SystemDeviceEnum in the class table (done once at load; callable again).
void RegisterSystemDeviceEnum();

}  // namespace devices
