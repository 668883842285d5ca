#include "devices/SystemDeviceEnum.h"

#include "com/Com.h"
#include "devices/DeviceSource.h"
#include "devices/MonikerEnumerator.h"
#include "dshow/Uuids.h"

namespace devices {

HRESULT SystemDeviceEnum::CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                                DWORD /*flags*/) {
  if (enumerator == nullptr) return E_POINTER;
  *enumerator = nullptr;
  std::vector<ComPtr<IMoniker>> monikers = EnumerateDevices(category);
  if (monikers.empty()) return S_FALSE;
  *enumerator = MakeComObject<MonikerEnumerator>(std::move(monikers)).Detach();
  return S_OK;
}

void RegisterSystemDeviceEnum() {
  RegisterBuiltInClass(CLSID_SystemDeviceEnum, CreatorOf<SystemDeviceEnum>());
}

namespace {

// The enumerator is there as soon as the platform is loaded, like the framework's other classes.
const bool kRegistered = (RegisterSystemDeviceEnum(), true);

}  // namespace

}  // namespace devices
