#pragma once
// IUnknown, the base of every interface, and ComObject, which implements it for a class.
//
// Each interface names its identifier as a static member `iid`; IidOf<T>() reads it.

#include <atomic>
#include <tuple>
#include <type_traits>

#include "com/Guid.h"

struct IUnknown {
  static constexpr IID iid = MakeGuid("00000000-0000-0000-C000-000000000046");
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  // Objects are destroyed by their last Release, never through an interface pointer.
  virtual ~IUnknown() = default;
};

inline constexpr IID IID_IUnknown = IUnknown::iid;

template <class T>
constexpr const IID& IidOf() {
  return T::iid;
}

// Implements IUnknown for Derived, which derives from ComObject<Derived, I1, I2, ...>.
// QueryInterface answers IUnknown and each listed interface; a class that answers more (interfaces
// of its members, or bases that are not listed) overrides QueryExtraInterface. The reference count
// is atomic: streaming threads hold samples and allocators. An object starts with a count of 1,
// owned by whoever created it (see MakeComObject).
template <class Derived, class... Interfaces>
class ComObject : public Interfaces... {
  static_assert(sizeof...(Interfaces) > 0, "a COM object implements at least one interface");
  using Primary = std::tuple_element_t<0, std::tuple<Interfaces...>>;

 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown) {
      *object = static_cast<IUnknown*>(static_cast<Primary*>(this));
    } else if (!FindListed<Interfaces...>(riid, object)) {
      const HRESULT hr = QueryExtraInterface(riid, object);
      if (FAILED(hr) || *object == nullptr) {
        *object = nullptr;
        return FAILED(hr) ? hr : E_NOINTERFACE;
      }
      return S_OK;  // QueryExtraInterface added the reference
    }
    AddRef();
    return S_OK;
  }

  ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }

  ULONG Release() override {
    const ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

  // The identity pointer of the object.
  IUnknown* Unknown() { return static_cast<IUnknown*>(static_cast<Primary*>(this)); }

 protected:
  ComObject() = default;
  ~ComObject() override = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  // Further interfaces; must AddRef what it returns. The default answers none.
  virtual HRESULT QueryExtraInterface(REFIID /*riid*/, void** /*object*/) { return E_NOINTERFACE; }

 private:
  template <class First, class... Rest>
  bool FindListed(REFIID riid, void** object) {
    if (riid == IidOf<First>()) {
      *object = static_cast<First*>(this);
      return true;
    }
    if constexpr (sizeof...(Rest) > 0) {
      return FindListed<Rest...>(riid, object);
    } else {
      return false;
    }
  }

  std::atomic<ULONG> refs_{1};
};

// The class factory of in-process servers.
struct IClassFactory : IUnknown {
  static constexpr IID iid = MakeGuid("00000001-0000-0000-C000-000000000046");
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;
};

inline constexpr IID IID_IClassFactory = IClassFactory::iid;
