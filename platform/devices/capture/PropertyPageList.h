#pragma once
// ISpecifyPropertyPages for an object whose pages are known when it is made: a filter or pin
// keeps one as a member (its IUnknown is the owner's) and hands it out from QueryInterface.
//
// Threads: any; the list does not change.

#include <vector>

#include "com/Com.h"
#include "devices/capture/FilterPart.h"
#include "dshow/PropertyPageInterfaces.h"

namespace devices {

class PropertyPageList : public FilterPart<ISpecifyPropertyPages> {
 public:
  PropertyPageList(IUnknown* owner, std::vector<CLSID> pages)
      : FilterPart(owner), pages_(std::move(pages)) {}

  bool Empty() const { return pages_.empty(); }

  HRESULT GetPages(CAUUID* pages) override {
    if (pages == nullptr) return E_POINTER;
    pages->cElems = 0;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID) * (pages_.size() + 1)));
    if (pages->pElems == nullptr) return E_OUTOFMEMORY;
    for (const CLSID& page : pages_)
      pages->pElems[pages->cElems++] = page;
    return S_OK;
  }

 private:
  const std::vector<CLSID> pages_;
};

}  // namespace devices
