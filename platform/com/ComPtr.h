#pragma once
// A shared reference to a COM object: AddRef on copy, Release on destruction.

#include <cstddef>
#include <utility>

#include "com/Unknown.h"

template <class T>
class ComPtr {
 public:
  using InterfaceType = T;

  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Shares p: takes a reference of its own.
  ComPtr(T* p) : p_(p) { AddRefIf(); }
  ComPtr(const ComPtr& other) : p_(other.p_) { AddRefIf(); }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <class U>
    requires std::is_convertible_v<U*, T*>
  ComPtr(const ComPtr<U>& other) : p_(other.Get()) {
    AddRefIf();
  }
  ~ComPtr() { Reset(); }

  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) {
    Reset();
    return *this;
  }

  // Takes over a reference the caller already owns (an object fresh from its factory).
  static ComPtr Adopt(T* p) {
    ComPtr result;
    result.p_ = p;
    return result;
  }
  void Attach(T* p) {
    Reset();
    p_ = p;
  }
  // Gives the reference away without releasing it.
  [[nodiscard]] T* Detach() { return std::exchange(p_, nullptr); }

  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // For out-parameters: releases what is held and gives the slot.
  T** ReleaseAndGetAddressOf() {
    Reset();
    return &p_;
  }
  T** GetAddressOf() { return &p_; }
  // For functions that take void** out-parameters (QueryInterface, CoCreateInstance).
  void** ReleaseAndGetVoidAddress() { return reinterpret_cast<void**>(ReleaseAndGetAddressOf()); }

  // QueryInterface for U into *out.
  template <class U>
  HRESULT As(ComPtr<U>* out) const {
    if (out == nullptr) return E_POINTER;
    if (p_ == nullptr) {
      out->Reset();
      return E_POINTER;
    }
    return p_->QueryInterface(IidOf<U>(), out->ReleaseAndGetVoidAddress());
  }
  template <class U>
  ComPtr<U> As() const {
    ComPtr<U> out;
    (void)As(&out);  // failure leaves out empty, which is the answer
    return out;
  }

  // Hands out a new reference.
  HRESULT CopyTo(T** out) const {
    if (out == nullptr) return E_POINTER;
    *out = p_;
    AddRefIf();
    return S_OK;
  }

  friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.p_ == b.p_; }
  friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.p_ == nullptr; }

 private:
  void AddRefIf() const {
    if (p_ != nullptr) p_->AddRef();
  }

  T* p_ = nullptr;
};

// Creates a ComObject-derived object and returns the owning pointer (count 1).
template <class T, class... Args>
ComPtr<T> MakeComObject(Args&&... args) {
  return ComPtr<T>::Adopt(new T(std::forward<Args>(args)...));
}

// True when both pointers are the same object (compared by their IUnknown identity).
bool IsSameObject(IUnknown* a, IUnknown* b);
