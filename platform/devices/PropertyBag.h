#pragma once
// A property bag over a map of named values: what a device moniker's BindToStorage gives.
// Each bag is its own copy; writes change only that copy. Any thread may use a bag, one at a
// time.

#include <map>
#include <string>

#include "dshow/EnumInterfaces.h"

namespace devices {

using PropertyMap = std::map<std::string, VARIANT>;

class PropertyBag : public ComObject<PropertyBag, IPropertyBag> {
 public:
  explicit PropertyBag(PropertyMap properties) : properties_(std::move(properties)) {}

  HRESULT Read(LPCOLESTR name, VARIANT* value, IErrorLog* errorLog) override;
  HRESULT Write(LPCOLESTR name, VARIANT* value) override;

 private:
  PropertyMap properties_;
};

}  // namespace devices
