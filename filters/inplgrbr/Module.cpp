// The module's entry points.

#include "filters/common/ModuleExports.h"

HRESULT DllGetClassObject(REFCLSID /*clsid*/, REFIID /*riid*/, void** object) {
  if (object != nullptr) *object = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT DllCanUnloadNow() {
  return S_OK;
}

HRESULT DllRegisterServer() {
  return E_NOTIMPL;
}

HRESULT DllUnregisterServer() {
  return E_NOTIMPL;
}
