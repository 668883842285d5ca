#pragma once
// What every property page of the platform shares: the site, the objects, the widget's lifetime
// and the dirty flag. A page derives from it and says which interface it edits (TakeObjects),
// builds its widget from the object's current state (Build) and writes the changes the user made
// (ApplyChanges). Controls call MarkDirty when the user changes them.
//
// Threads: application thread.

#include <QPointer>
#include <QWidget>
#include <string>
#include <vector>

#include "com/Unknown.h"
#include "dshow/PropertyPageInterfaces.h"

namespace ui {

class PropertyPageBase : public ComObject<PropertyPageBase, IPropertyPage> {
 public:
  HRESULT SetPageSite(IPropertyPageSite* site) override;
  HRESULT SetObjects(ULONG count, IUnknown** objects) override;
  HRESULT GetTitle(LPOLESTR* title) override;
  HRESULT Activate(HWND parent, HWND* page) override;
  HRESULT Deactivate() override;
  HRESULT IsPageDirty() override;
  HRESULT Apply() override;

 protected:
  friend class ComObject<PropertyPageBase, IPropertyPage>;  // deletes the page at its last Release

  explicit PropertyPageBase(std::string title);
  ~PropertyPageBase() override;

  // Finds the interface the page edits among the objects; false when none has it.
  virtual bool TakeObjects(const std::vector<ComPtr<IUnknown>>& objects) = 0;
  virtual void ReleaseObjects() = 0;
  // Makes the page's widget under parent from the object's current state.
  virtual QWidget* Build(QWidget* parent) = 0;
  // Writes what changed; the page is clean afterwards when it succeeds.
  virtual HRESULT ApplyChanges() = 0;

  void MarkDirty();
  void MarkClean();
  QWidget* Widget() const { return widget_; }

 private:
  const std::string title_;
  ComPtr<IPropertyPageSite> site_;
  QPointer<QWidget> widget_;
  bool dirty_ = false;
};

// The first object that answers Interface, or null.
template <class Interface>
ComPtr<Interface> FirstWith(const std::vector<ComPtr<IUnknown>>& objects) {
  for (const ComPtr<IUnknown>& object : objects) {
    if (ComPtr<Interface> found = object.As<Interface>()) return found;
  }
  return {};
}

}  // namespace ui
