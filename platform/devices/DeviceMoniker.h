#pragma once
// The moniker of one device, as every back-end of the system device enumerator hands it out: a
// display name, the device's properties ("FriendlyName", "CLSID", ...) and a way to make the
// device's filter. Binding goes through the back-end each time, by display name, so that a
// moniker kept across an unplug binds to the device again once it is back.

#include <functional>
#include <string>

#include "devices/PropertyBag.h"

namespace devices {

// Makes the filter of the device with that display name and answers riid on it.
using DeviceBinder =
    std::function<HRESULT(const std::string& displayName, REFIID riid, void** object)>;

class DeviceMoniker : public ComObject<DeviceMoniker, IMoniker> {
 public:
  DeviceMoniker(std::string displayName, PropertyMap properties, DeviceBinder binder);

  HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID riid, void** object) override;
  HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID riid, void** object) override;
  HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* displayName) override;
  // S_OK when other has the same display name (compared without regard to ASCII case, as
  // device paths are).
  HRESULT IsEqual(IMoniker* other) override;

  const std::string& DisplayName() const { return displayName_; }

 private:
  const std::string displayName_;
  const PropertyMap properties_;
  const DeviceBinder binder_;
};

}  // namespace devices
