#include "ModuleTestSupport.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "com/Com.h"
#include "filters/common/GrabberClasses.h"

namespace module_test {
namespace {

ComPtr<IBaseFilter> RegisterAndCreate(const char* path, const CLSID& clsid) {
  EXPECT_EQ(RegisterModule(path), S_OK) << path;
  ComPtr<IBaseFilter> filter;
  EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             filter.ReleaseAndGetVoidAddress()),
            S_OK);
  return filter;
}

}  // namespace

const char* InplaceGrabberModule() {
  return RUDOZAV_INPLGRBR_MODULE;
}
const char* DeinterlacerModule() {
  return RUDOZAV_TRNFGRBR_MODULE;
}

HRESULT RegisterModule(const char* path) {
  // The process keeps the module, as the resolver does: its objects may outlive any test.
  void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) return CO_E_DLLNOTFOUND;
  auto registerServer = reinterpret_cast<HRESULT (*)()>(dlsym(module, "DllRegisterServer"));
  if (registerServer == nullptr) return CO_E_ERRORINDLL;
  return registerServer();
}

ComPtr<IBaseFilter> CreateInplaceGrabber() {
  return RegisterAndCreate(InplaceGrabberModule(), CLSID_InplGrabber);
}

ComPtr<IBaseFilter> CreateDeinterlacer() {
  return RegisterAndCreate(DeinterlacerModule(), CLSID_TrnfGrbr);
}

TGrabberControl* RecordOf(IBaseFilter* filter) {
  TGrabberControl* record = nullptr;
  ComPtr<IGrabberControl> control;
  if (filter == nullptr ||
      FAILED(filter->QueryInterface(IID_IGrabberControl, control.ReleaseAndGetVoidAddress())) ||
      FAILED(control->GetControlRecord(&record))) {
    ADD_FAILURE() << "no control record";
  }
  return record;
}

}  // namespace module_test
