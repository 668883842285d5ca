#include "ui/PropertyPageBase.h"

#include "com/Com.h"

namespace ui {

PropertyPageBase::PropertyPageBase(std::string title) : title_(std::move(title)) {}

PropertyPageBase::~PropertyPageBase() {
  delete widget_.data();  // a frame that forgot Deactivate leaves no widget behind
}

HRESULT PropertyPageBase::SetPageSite(IPropertyPageSite* site) {
  site_ = site;
  return S_OK;
}

HRESULT PropertyPageBase::SetObjects(ULONG count, IUnknown** objects) {
  if (count == 0) {
    ReleaseObjects();
    return S_OK;
  }
  if (objects == nullptr) return E_POINTER;
  std::vector<ComPtr<IUnknown>> list;
  for (ULONG i = 0; i < count; ++i) {
    if (objects[i] != nullptr) list.emplace_back(objects[i]);
  }
  return TakeObjects(list) ? S_OK : E_NOINTERFACE;
}

HRESULT PropertyPageBase::GetTitle(LPOLESTR* title) {
  if (title == nullptr) return E_POINTER;
  *title = CoTaskMemStrDup(title_);
  return *title != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT PropertyPageBase::Activate(HWND parent, HWND* page) {
  if (page == nullptr) return E_POINTER;
  if (widget_ != nullptr) return E_UNEXPECTED;
  dirty_ = false;
  widget_ = Build(parent);
  *page = widget_;
  return widget_ != nullptr ? S_OK : E_FAIL;
}

HRESULT PropertyPageBase::Deactivate() {
  delete widget_.data();
  return S_OK;
}

HRESULT PropertyPageBase::IsPageDirty() {
  return dirty_ ? S_OK : S_FALSE;
}

HRESULT PropertyPageBase::Apply() {
  if (!dirty_) return S_OK;  // nothing changed: nothing is written
  const HRESULT hr = ApplyChanges();
  if (SUCCEEDED(hr)) MarkClean();
  return hr;
}

void PropertyPageBase::MarkDirty() {
  if (dirty_) return;
  dirty_ = true;
  if (site_) (void)site_->OnStatusChange(PROPPAGESTATUS_DIRTY);  // the frame only enables Apply
}

void PropertyPageBase::MarkClean() {
  if (!dirty_) return;
  dirty_ = false;
  if (site_) (void)site_->OnStatusChange(PROPPAGESTATUS_CLEAN);  // the frame only updates Apply
}

}  // namespace ui
