#pragma once
// Property pages. An object that has pages names them by class id (ISpecifyPropertyPages); the
// property frame of platform/ui (ui/PropertyFrame.h) creates each page by that class id, hands it
// the objects, shows its widget on a tab and applies it with OK or Apply.
//
// Threads: application thread, all of it: a page makes and reads widgets.

#include "com/ComPtr.h"
#include "ui/Message.h"

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

// What IPropertyPageSite::OnStatusChange reports.
inline constexpr DWORD PROPPAGESTATUS_DIRTY = 0x1;  // the page holds a change not yet applied
inline constexpr DWORD PROPPAGESTATUS_CLEAN = 0x4;  // it holds none any more

// The frame as its pages see it.
struct IPropertyPageSite : IUnknown {
  static constexpr IID iid = MakeGuid("B196B28C-BAB4-101A-B69C-00AA00341D07");
  virtual HRESULT OnStatusChange(DWORD flags) = 0;
};

// One page of the frame. The frame calls SetPageSite, SetObjects, GetTitle, Activate; then
// IsPageDirty and Apply as the user asks; at the end Deactivate, SetObjects(0, nullptr) and
// SetPageSite(nullptr).
struct IPropertyPage : IUnknown {
  static constexpr IID iid = MakeGuid("B196B28D-BAB4-101A-B69C-00AA00341D07");
  virtual HRESULT SetPageSite(IPropertyPageSite* site) = 0;
  // The objects the page shows; E_NOINTERFACE when none of them has what the page edits. A count
  // of 0 lets them go.
  virtual HRESULT SetObjects(ULONG count, IUnknown** objects) = 0;
  // The tab's text, in task memory (CoTaskMemFree).
  virtual HRESULT GetTitle(LPOLESTR* title) = 0;
  // Makes the page's widget as a child of parent, filled with the objects' current state, and
  // returns it; parent owns it, and Deactivate destroys it.
  virtual HRESULT Activate(HWND parent, HWND* page) = 0;
  virtual HRESULT Deactivate() = 0;
  // S_OK when the page holds changes not yet applied, else S_FALSE.
  virtual HRESULT IsPageDirty() = 0;
  // Writes what the user changed since the page was activated or last applied, and only that.
  virtual HRESULT Apply() = 0;
};

inline constexpr IID IID_ISpecifyPropertyPages = ISpecifyPropertyPages::iid;
inline constexpr IID IID_IPropertyPageSite = IPropertyPageSite::iid;
inline constexpr IID IID_IPropertyPage = IPropertyPage::iid;
