// A stand-in filter module for the installation tests. Registering it makes its class creatable
// (a null renderer under another class id), as a registered in-process server is; the test
// unregisters the class to stand for a registration that went missing.

#include <dlfcn.h>

#include <cstdlib>

#include "com/Com.h"
#include "dshow/DShow.h"

#define TEST_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr CLSID kTestModuleClass = MakeGuid("0BADC1A5-0000-4000-8000-0000000000AA");

HRESULT CreateStandIn(IUnknown* outer, REFIID riid, void** object) {
  return CoCreateInstance(CLSID_NullRenderer, outer, CLSCTX_INPROC_SERVER, riid, object);
}

}  // namespace

// Fails while RUDOZAV_TEST_MODULE_REFUSES is set.
TEST_MODULE_EXPORT HRESULT DllRegisterServer() {
  if (std::getenv("RUDOZAV_TEST_MODULE_REFUSES") != nullptr) return E_FAIL;
  // The class table keeps a pointer into this module: it must stay loaded.
  Dl_info self{};
  if (dladdr(reinterpret_cast<void*>(&CreateStandIn), &self) == 0 ||
      dlopen(self.dli_fname, RTLD_NOW | RTLD_NODELETE) == nullptr) {
    return E_FAIL;
  }
  RegisterBuiltInClass(kTestModuleClass, CreateStandIn);
  return S_OK;
}
