#include "com/InprocServers.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

#include "com/Diagnostics.h"
#include "registry/RegistryKey.h"

namespace {

using GetClassObjectFunction = HRESULT (*)(REFCLSID, REFIID, void**);

struct LoadedModules {
  std::mutex lock;
  std::map<std::string, void*> handles;  // never closed
};

LoadedModules& Modules() {
  static LoadedModules modules;
  return modules;
}

void* LoadModule(const std::string& path) {
  LoadedModules& modules = Modules();
  std::lock_guard lock(modules.lock);
  if (auto it = modules.handles.find(path); it != modules.handles.end()) return it->second;
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* error = dlerror();
    diag::Warn("com", "cannot load " + path + ": " + (error != nullptr ? error : "unknown error"));
    return nullptr;
  }
  modules.handles.emplace(path, handle);
  return handle;
}

}  // namespace

std::string RegisteredInprocServer(REFCLSID clsid) {
  registry::RegistryKey key;
  const std::string path = "CLSID\\" + StringFromCLSID(clsid) + "\\InprocServer32";
  if (key.Open(HKEY_CLASSES_ROOT, path) != ERROR_SUCCESS) return {};
  return key.ReadString("").value_or("");
}

HRESULT GetRegisteredClassObject(REFCLSID clsid, IClassFactory** factory) {
  if (factory == nullptr) return E_POINTER;
  *factory = nullptr;
  const std::string path = RegisteredInprocServer(clsid);
  if (path.empty()) return REGDB_E_CLASSNOTREG;
  void* module = LoadModule(path);
  if (module == nullptr) return CO_E_DLLNOTFOUND;
  auto getClassObject =
      reinterpret_cast<GetClassObjectFunction>(dlsym(module, "DllGetClassObject"));
  if (getClassObject == nullptr) return CO_E_ERRORINDLL;
  return getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory));
}
