// The entry points of "trnfgrbr.ax": one class, the half-size deinterlacer.

#include "filters/common/FilterModule.h"
#include "filters/common/GrabberClasses.h"
#include "filters/common/ModuleExports.h"
#include "filters/trnfgrbr/HalfSizeDeinterlacer.h"

namespace {

const FilterSetup& Setup() {
  static const FilterSetup setup = filter_module::GrabberFilterSetup(CLSID_TrnfGrbr, kTrnfGrbrName);
  return setup;
}

}  // namespace

HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  return filter_module::GetClassObject(Setup(), CreatorOf<CHalfSizeDeinterlacer>(), clsid, riid,
                                       object);
}

HRESULT DllCanUnloadNow() {
  return filter_module::CanUnloadNow();
}

HRESULT DllRegisterServer() {
  return filter_module::RegisterServer(Setup());
}

HRESULT DllUnregisterServer() {
  return filter_module::UnregisterServer(Setup());
}
