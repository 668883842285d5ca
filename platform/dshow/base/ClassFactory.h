#pragma once
// CClassFactory: the class factory a filter module hands out for its filter class. It makes
// objects with the class's creator and keeps the module in use while a client locks it, by
// counting on the module's usage counter (objects alive plus locks: DllCanUnloadNow answers S_OK
// only at zero).
//
// Any thread.

#include <atomic>

#include "com/Com.h"

class CClassFactory final : public ComObject<CClassFactory, IClassFactory> {
 public:
  // usage belongs to the module and outlives every factory it hands out.
  CClassFactory(ClassCreator creator, std::atomic<long>& usage)
      : creator_(std::move(creator)), usage_(usage) {}

  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    return creator_(outer, riid, object);
  }

  HRESULT LockServer(BOOL lock) override {
    if (lock) {
      usage_.fetch_add(1);
    } else {
      usage_.fetch_sub(1);
    }
    return S_OK;
  }

 private:
  const ClassCreator creator_;
  std::atomic<long>& usage_;
};
