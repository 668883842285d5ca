#pragma once
// COM run-time: apartment initialisation, object creation by class id, task memory.

#include <functional>

#include "com/ComPtr.h"

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
inline constexpr DWORD COINIT_MULTITHREADED = 0x0;

// Per-thread initialisation count: S_OK for the first call on a thread, S_FALSE after.
HRESULT CoInitialize(void* reserved);
HRESULT CoInitializeEx(void* reserved, DWORD flags);
void CoUninitialize();
HRESULT OleInitialize(void* reserved);
void OleUninitialize();
// Whether the calling thread has initialised COM (for checks and tests).
bool IsComInitialized();

// Creates an object of the class: built-in classes first, then the in-process server resolver.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object);

template <class T>
HRESULT CoCreateInstance(REFCLSID clsid, ComPtr<T>* out) {
  if (out == nullptr) return E_POINTER;
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IidOf<T>(),
                          out->ReleaseAndGetVoidAddress());
}

// Makes a new object of a class and answers riid on it.
using ClassCreator = std::function<HRESULT(IUnknown* outer, REFIID riid, void** object)>;

// Classes built into the process. Registering a class id again replaces the creator.
// Tests register classes of their own and unregister them.
void RegisterBuiltInClass(REFCLSID clsid, ClassCreator creator);
void UnregisterBuiltInClass(REFCLSID clsid);
bool IsBuiltInClass(REFCLSID clsid);

// Where classes not built in come from: by default the modules registered in the store
// (com/InprocServers.h); a test may set another and restores the default with null. Returns
// REGDB_E_CLASSNOTREG when it does not know the class. One resolver per process.
using InprocServerResolver = std::function<HRESULT(REFCLSID clsid, IClassFactory** factory)>;
void SetInprocServerResolver(InprocServerResolver resolver);

// Creator for a ComObject class with a default constructor; no aggregation.
template <class T>
ClassCreator CreatorOf() {
  return [](IUnknown* outer, REFIID riid, void** object) -> HRESULT {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    auto instance = MakeComObject<T>();
    return instance->QueryInterface(riid, object);
  };
}

// Task memory, shared between callers and callees of interfaces.
void* CoTaskMemAlloc(SIZE_T size);
void* CoTaskMemRealloc(void* p, SIZE_T size);
void CoTaskMemFree(void* p);
// A copy of text in task memory (for LPOLESTR results such as display names).
LPOLESTR CoTaskMemStrDup(std::string_view text);
