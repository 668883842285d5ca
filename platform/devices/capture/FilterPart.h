#pragma once
// An interface that a filter implements through a member object: its IUnknown is the filter's,
// so references to the part keep the filter alive and QueryInterface reaches every interface of
// the filter.

#include "com/Unknown.h"

namespace devices {

template <class Interface>
class FilterPart : public Interface {
 public:
  explicit FilterPart(IUnknown* owner) : owner_(owner) {}
  FilterPart(const FilterPart&) = delete;
  FilterPart& operator=(const FilterPart&) = delete;
  ~FilterPart() override = default;

  HRESULT QueryInterface(REFIID riid, void** object) override {
    return owner_->QueryInterface(riid, object);
  }
  ULONG AddRef() override { return owner_->AddRef(); }
  ULONG Release() override { return owner_->Release(); }

  // For the owner's QueryInterface: hands out the part with a reference.
  HRESULT Give(void** object) {
    *object = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }

 private:
  IUnknown* const owner_;
};

}  // namespace devices
