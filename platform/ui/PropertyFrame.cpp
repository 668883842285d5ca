#include "ui/PropertyFrame.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cstdio>
#include <mutex>
#include <vector>

#include "com/Com.h"
#include "com/Diagnostics.h"
#include "dshow/PropertyPageInterfaces.h"
#include "ui/Application.h"

namespace ui {
namespace {

std::mutex g_hookMutex;
PropertyFrameHook g_hook;  // guarded by g_hookMutex

PropertyFrameHook CurrentHook() {
  std::lock_guard lock(g_hookMutex);
  return g_hook;
}

// Tells the frame that a page's dirty state changed.
class FrameSite : public ComObject<FrameSite, IPropertyPageSite> {
 public:
  explicit FrameSite(std::function<void()> changed) : changed_(std::move(changed)) {}
  HRESULT OnStatusChange(DWORD) override {
    if (changed_) changed_();
    return S_OK;
  }
  void Detach() { changed_ = nullptr; }

 private:
  std::function<void()> changed_;
};

struct Page {
  ComPtr<IPropertyPage> page;
  std::string title;
  QWidget* widget = nullptr;  // owned by its tab
};

// The pages made from the class ids and given the objects, in order.
std::vector<Page> MakePages(ULONG objectCount, IUnknown** objects, ULONG pageCount,
                            const CLSID* pages, IPropertyPageSite* site) {
  std::vector<Page> made;
  for (ULONG i = 0; i < pageCount; ++i) {
    Page entry;
    HRESULT hr = CoCreateInstance(pages[i], &entry.page);
    if (SUCCEEDED(hr)) hr = entry.page->SetPageSite(site);
    if (SUCCEEDED(hr)) hr = entry.page->SetObjects(objectCount, objects);
    if (FAILED(hr)) {
      diag::Debug("ui", "property page " + StringFromGUID(pages[i]) + " left out");
      continue;
    }
    LPOLESTR title = nullptr;
    if (SUCCEEDED(entry.page->GetTitle(&title)) && title != nullptr) entry.title = title;
    CoTaskMemFree(title);
    made.push_back(std::move(entry));
  }
  return made;
}

class Frame final : public PropertyFrameDriver {
 public:
  Frame(HWND owner, const std::string& caption, std::vector<Page> pages);
  ~Frame() override;

  QWidget* Window() const override { return dialog_.get(); }
  int PageCount() const override { return static_cast<int>(pages_.size()); }
  std::string PageTitle(int index) const override { return pages_.at(Index(index)).title; }
  QWidget* PageWidget(int index) const override { return pages_.at(Index(index)).widget; }
  void SelectPage(int index) override { tabs_->setCurrentIndex(index); }
  bool CanApply() const override { return apply_->isEnabled(); }
  void PressApply() override { ApplyAll(); }
  void PressOk() override { Close(QDialog::Accepted); }
  void PressCancel() override { Close(QDialog::Rejected); }

  void UpdateApply();
  void Show(UINT x, UINT y);
  void RunHook(const PropertyFrameHook& hook);

 private:
  static std::size_t Index(int index) { return static_cast<std::size_t>(index); }
  bool ApplyAll();
  void Close(int result);

  std::unique_ptr<QDialog> dialog_;
  std::vector<Page> pages_;
  QTabWidget* tabs_ = nullptr;    // owned by dialog_
  QPushButton* apply_ = nullptr;  // owned by dialog_
};

Frame::Frame(HWND owner, const std::string& caption, std::vector<Page> pages)
    : dialog_(std::make_unique<QDialog>(owner)), pages_(std::move(pages)) {
  dialog_->setWindowTitle(QString::fromStdString(caption));
  auto* layout = new QVBoxLayout(dialog_.get());
  tabs_ = new QTabWidget(dialog_.get());
  layout->addWidget(tabs_);
  auto* buttons = new QDialogButtonBox(
      QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, dialog_.get());
  layout->addWidget(buttons);
  apply_ = buttons->button(QDialogButtonBox::Apply);
  QObject::connect(buttons->button(QDialogButtonBox::Ok), &QPushButton::clicked,
                   [this] { PressOk(); });
  QObject::connect(buttons->button(QDialogButtonBox::Cancel), &QPushButton::clicked,
                   [this] { PressCancel(); });
  QObject::connect(apply_, &QPushButton::clicked, [this] { PressApply(); });
  for (Page& page : pages_) {
    auto* tab = new QWidget(tabs_);
    auto* tabLayout = new QVBoxLayout(tab);
    HWND widget = nullptr;
    if (SUCCEEDED(page.page->Activate(tab, &widget)) && widget != nullptr) {
      tabLayout->addWidget(widget);
      page.widget = widget;
    }
    tabs_->addTab(tab, QString::fromStdString(page.title));
  }
  UpdateApply();
}

Frame::~Frame() {
  for (Page& page : pages_) {
    (void)page.page->Deactivate();  // a page that fails here has nothing more to give back
    (void)page.page->SetObjects(0, nullptr);
    (void)page.page->SetPageSite(nullptr);
  }
}

void Frame::UpdateApply() {
  bool dirty = false;
  for (const Page& page : pages_)
    dirty = dirty || page.page->IsPageDirty() == S_OK;
  apply_->setEnabled(dirty);
}

bool Frame::ApplyAll() {
  bool applied = true;
  for (Page& page : pages_) {
    if (page.page->IsPageDirty() != S_OK) continue;
    const HRESULT hr = page.page->Apply();
    if (FAILED(hr)) {
      diag::Warn("ui", "property page \"" + page.title + "\" not applied: " + HResultText(hr));
      applied = false;
    }
  }
  UpdateApply();
  return applied;
}

void Frame::Close(int result) {
  // A page that could not apply keeps the frame open, so that the user sees the value refused.
  if (result == QDialog::Accepted && !ApplyAll()) return;
  dialog_->done(result);
}

void Frame::Show(UINT x, UINT y) {
  QWidget* owner = dialog_->parentWidget();
  const QPoint at(static_cast<int>(x), static_cast<int>(y));
  dialog_->adjustSize();
  dialog_->move(owner != nullptr ? owner->mapToGlobal(at) : at);
  dialog_->exec();
}

void Frame::RunHook(const PropertyFrameHook& hook) {
  // Laid out as on screen, so that the hook sees real sizes, but never shown.
  dialog_->setAttribute(Qt::WA_DontShowOnScreen);
  dialog_->show();
  dialog_->adjustSize();
  hook(*this);
  if (dialog_->isVisible()) dialog_->done(QDialog::Rejected);
}

}  // namespace

PropertyFrameHook SetPropertyFrameHook(PropertyFrameHook hook) {
  std::lock_guard lock(g_hookMutex);
  std::swap(hook, g_hook);
  return hook;
}

}  // namespace ui

HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount,
                               IUnknown** objects, ULONG pageCount, const CLSID* pages, LCID, DWORD,
                               void*) {
  if ((objectCount > 0 && objects == nullptr) || (pageCount > 0 && pages == nullptr))
    return E_POINTER;
  const std::string title = caption != nullptr ? caption : "";
  const ui::PropertyFrameHook hook = ui::CurrentHook();
  if (!hook && !ui::CanAskUser()) {
    std::fprintf(stderr, "[%s] property frame not shown: nobody can answer it\n", title.c_str());
    return S_OK;
  }
  if (!ui::HasGuiApplication() || !ui::IsUiThread())
    return E_UNEXPECTED;  // widgets live on the application thread only
  ui::Frame* frame = nullptr;
  auto site = MakeComObject<ui::FrameSite>([&frame] {
    if (frame != nullptr) frame->UpdateApply();
  });
  std::vector<ui::Page> made = ui::MakePages(objectCount, objects, pageCount, pages, site.Get());
  if (made.empty()) return E_NOINTERFACE;
  {
    ui::Frame shown(owner, title, std::move(made));
    frame = &shown;
    if (hook) {
      shown.RunHook(hook);
    } else {
      shown.Show(x, y);
    }
    frame = nullptr;
  }
  site->Detach();
  return S_OK;
}
