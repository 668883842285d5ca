#include "devices/DeviceMoniker.h"

#include <algorithm>
#include <cctype>

#include "com/Com.h"

namespace devices {
namespace {

bool SameText(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

DeviceMoniker::DeviceMoniker(std::string displayName, PropertyMap properties, DeviceBinder binder)
    : displayName_(std::move(displayName)),
      properties_(std::move(properties)),
      binder_(std::move(binder)) {}

HRESULT DeviceMoniker::BindToObject(IBindCtx* /*context*/, IMoniker* left, REFIID riid,
                                    void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (left != nullptr) return E_INVALIDARG;  // device monikers are never composed
  if (!binder_) return E_UNEXPECTED;
  return binder_(displayName_, riid, object);
}

HRESULT DeviceMoniker::BindToStorage(IBindCtx* /*context*/, IMoniker* left, REFIID riid,
                                     void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (left != nullptr) return E_INVALIDARG;
  if (riid != IID_IPropertyBag && riid != IID_IUnknown) return E_NOINTERFACE;
  auto bag = MakeComObject<PropertyBag>(properties_);
  return bag->QueryInterface(riid, object);
}

HRESULT DeviceMoniker::GetDisplayName(IBindCtx* /*context*/, IMoniker* /*left*/,
                                      LPOLESTR* displayName) {
  if (displayName == nullptr) return E_POINTER;
  *displayName = CoTaskMemStrDup(displayName_);
  return *displayName == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT DeviceMoniker::IsEqual(IMoniker* other) {
  if (other == nullptr) return S_FALSE;
  LPOLESTR otherName = nullptr;
  if (FAILED(other->GetDisplayName(nullptr, nullptr, &otherName)) || otherName == nullptr) {
    return S_FALSE;
  }
  const bool same = SameText(displayName_, otherName);
  CoTaskMemFree(otherName);
  return same ? S_OK : S_FALSE;
}

}  // namespace devices
