#include "devices/PropertyBag.h"

namespace devices {

HRESULT PropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog* /*errorLog*/) {
  if (name == nullptr || value == nullptr) return E_POINTER;
  const auto it = properties_.find(name);
  if (it == properties_.end()) return E_INVALIDARG;
  *value = it->second;
  return S_OK;
}

HRESULT PropertyBag::Write(LPCOLESTR name, VARIANT* value) {
  if (name == nullptr || value == nullptr) return E_POINTER;
  properties_[name] = *value;
  return S_OK;
}

}  // namespace devices
