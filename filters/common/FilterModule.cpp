#include "filters/common/FilterModule.h"

#include <dlfcn.h>

#include <filesystem>

#include "dshow/Uuids.h"
#include "dshow/base/ClassFactory.h"
#include "dshow/graph/FilterRegistry.h"

namespace filter_module {

std::atomic<long>& Usage() {
  static std::atomic<long> usage{0};
  return usage;
}

std::string ModulePath() {
  Dl_info info{};
  // Any address inside this module names it; this function is compiled into each module.
  if (dladdr(reinterpret_cast<const void*>(&ModulePath), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  std::error_code error;
  const auto path = std::filesystem::absolute(info.dli_fname, error);
  return error ? std::string(info.dli_fname) : path.string();
}

FilterSetup GrabberFilterSetup(const CLSID& clsid, const char* name) {
  const FilterMediaTypeSetup anyVideo{MEDIATYPE_Video, GUID_NULL};
  FilterSetup setup;
  setup.clsid = clsid;
  setup.name = name;
  setup.merit = MERIT_DO_NOT_USE;
  setup.pins = {FilterPinSetup{"Input", false, false, false, false, {anyVideo}},
                FilterPinSetup{"Output", false, true, false, false, {anyVideo}}};
  return setup;
}

HRESULT GetClassObject(const FilterSetup& setup, const ClassCreator& creator, REFCLSID clsid,
                       REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (clsid != setup.clsid) return CLASS_E_CLASSNOTAVAILABLE;
  auto factory = MakeComObject<CClassFactory>(creator, Usage());
  return factory->QueryInterface(riid, object);
}

HRESULT CanUnloadNow() {
  return Usage().load() == 0 ? S_OK : S_FALSE;
}

HRESULT RegisterServer(const FilterSetup& setup) {
  const std::string path = ModulePath();
  if (path.empty()) return SELFREG_E_CLASS;
  return RegisterFilterServer(setup, path);
}

HRESULT UnregisterServer(const FilterSetup& setup) {
  return UnregisterFilterServer(setup.clsid);
}

}  // namespace filter_module
