#pragma once
// What both filter modules share behind their entry points: the module's usage count, its own
// path, the class object of its one filter class and its registration. Compiled into each module
// separately (filters_module), so every module has its own count.

#include <atomic>
#include <string>

#include "com/Com.h"
#include "dshow/base/FilterSetup.h"

namespace filter_module {

// Objects of this module alive plus server locks; the module may go when it is zero.
std::atomic<long>& Usage();

// Held by every object of the module for its lifetime.
class ModuleReference {
 public:
  ModuleReference() { Usage().fetch_add(1); }
  ~ModuleReference() { Usage().fetch_sub(1); }
  ModuleReference(const ModuleReference&) = delete;
  ModuleReference& operator=(const ModuleReference&) = delete;
};

// The file this module was loaded from; empty when it cannot be told.
std::string ModulePath();

// The registration of a grabber filter: pins "Input" and "Output", each taking video of any
// subtype, neither rendered nor many, and a merit that keeps automatic graph building away.
FilterSetup GrabberFilterSetup(const CLSID& clsid, const char* name);

// DllGetClassObject for a module serving the one class of setup with creator.
HRESULT GetClassObject(const FilterSetup& setup, const ClassCreator& creator, REFCLSID clsid,
                       REFIID riid, void** object);
// DllCanUnloadNow.
HRESULT CanUnloadNow();
// DllRegisterServer and DllUnregisterServer.
HRESULT RegisterServer(const FilterSetup& setup);
HRESULT UnregisterServer(const FilterSetup& setup);

}  // namespace filter_module
