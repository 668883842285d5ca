#pragma once
// Objects that offer property pages name them by class id; the property frame of platform/ui
// creates and shows them.

#include "com/ComPtr.h"

// A counted array of GUIDs in task memory (pElems is freed with CoTaskMemFree).
struct CAUUID {
  ULONG cElems = 0;
  GUID* pElems = nullptr;
};

struct ISpecifyPropertyPages : IUnknown {
  static constexpr IID iid = MakeGuid("B196B28B-BAB4-101A-B69C-00AA00341D07");
  // The class ids of the object's pages; the caller frees pages->pElems.
  virtual HRESULT GetPages(CAUUID* pages) = 0;
};

inline constexpr IID IID_ISpecifyPropertyPages = ISpecifyPropertyPages::iid;
