#include "com/Com.h"

#include "com/InprocServers.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {

thread_local int t_comInitCount = 0;
thread_local int t_oleInitCount = 0;

struct ClassTable {
  std::mutex mutex;
  std::unordered_map<GUID, ClassCreator> builtIn;
  InprocServerResolver resolver = GetRegisteredClassObject;
};

ClassTable& Table() {
  static ClassTable table;
  return table;
}

}  // namespace

HRESULT CoInitialize(void* reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

HRESULT CoInitializeEx(void* /*reserved*/, DWORD /*flags*/) {
  return t_comInitCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
  if (t_comInitCount > 0) --t_comInitCount;
}

HRESULT OleInitialize(void* reserved) {
  const HRESULT hr = CoInitialize(reserved);
  if (FAILED(hr)) return hr;
  ++t_oleInitCount;
  return hr;  // S_FALSE when COM was already initialised on this thread
}

void OleUninitialize() {
  if (t_oleInitCount > 0) --t_oleInitCount;
  CoUninitialize();
}

bool IsComInitialized() { return t_comInitCount > 0; }

void RegisterBuiltInClass(REFCLSID clsid, ClassCreator creator) {
  std::lock_guard lock(Table().mutex);
  Table().builtIn[clsid] = std::move(creator);
}

void UnregisterBuiltInClass(REFCLSID clsid) {
  std::lock_guard lock(Table().mutex);
  Table().builtIn.erase(clsid);
}

bool IsBuiltInClass(REFCLSID clsid) {
  std::lock_guard lock(Table().mutex);
  return Table().builtIn.contains(clsid);
}

void SetInprocServerResolver(InprocServerResolver resolver) {
  std::lock_guard lock(Table().mutex);
  Table().resolver =
      resolver ? std::move(resolver) : InprocServerResolver(GetRegisteredClassObject);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid,
                         void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if ((context & CLSCTX_INPROC) == 0) return REGDB_E_CLASSNOTREG;
  ClassCreator creator;
  InprocServerResolver resolver = GetRegisteredClassObject;
  {
    // The creators run unlocked: creating an object may create others.
    std::lock_guard lock(Table().mutex);
    if (auto it = Table().builtIn.find(clsid); it != Table().builtIn.end()) creator = it->second;
    resolver = Table().resolver;
  }
  if (creator) return creator(outer, riid, object);
  if (!resolver) return REGDB_E_CLASSNOTREG;
  ComPtr<IClassFactory> factory;
  const HRESULT hr = resolver(clsid, factory.ReleaseAndGetAddressOf());
  if (FAILED(hr)) return hr;
  if (!factory) return REGDB_E_CLASSNOTREG;
  return factory->CreateInstance(outer, riid, object);
}

void* CoTaskMemAlloc(SIZE_T size) { return std::malloc(size == 0 ? 1 : size); }

void* CoTaskMemRealloc(void* p, SIZE_T size) { return std::realloc(p, size == 0 ? 1 : size); }

void CoTaskMemFree(void* p) { std::free(p); }

LPOLESTR CoTaskMemStrDup(std::string_view text) {
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(text.size() + 1));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

bool IsSameObject(IUnknown* a, IUnknown* b) {
  if (a == nullptr || b == nullptr) return a == b;
  ComPtr<IUnknown> ua;
  ComPtr<IUnknown> ub;
  if (FAILED(a->QueryInterface(IID_IUnknown, ua.ReleaseAndGetVoidAddress()))) return false;
  if (FAILED(b->QueryInterface(IID_IUnknown, ub.ReleaseAndGetVoidAddress()))) return false;
  return ua.Get() == ub.Get();
}
