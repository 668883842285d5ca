#pragma once
// Running a property frame in a test: the hook answers it, and the texts of what it showed can be
// checked for clipping.

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "TestApplication.h"
#include "com/ComPtr.h"
#include "ui/PropertyFrame.h"

namespace ui_test {

// Opens a frame over objects with pages; answer drives it. Returns OleCreatePropertyFrame's result.
inline HRESULT RunPropertyFrame(std::vector<IUnknown*> objects, std::vector<CLSID> pages,
                                const std::function<void(ui::PropertyFrameDriver&)>& answer) {
  TestApplication();
  const ui::PropertyFrameHook previous = ui::SetPropertyFrameHook(answer);
  const HRESULT hr = OleCreatePropertyFrame(
      nullptr, 10, 10, "Properties", static_cast<ULONG>(objects.size()), objects.data(),
      static_cast<ULONG>(pages.size()), pages.data(), 0, 0, nullptr);
  ui::SetPropertyFrameHook(previous);
  return hr;
}

// The visible texts under root that are narrower than they need to be read whole.
inline std::vector<std::string> ClippedTexts(QWidget* root) {
  std::vector<std::string> clipped;
  const auto check = [&](QWidget* widget, const QString& text, int needed) {
    if (widget->isVisibleTo(root) && !text.isEmpty() && widget->width() < needed)
      clipped.push_back(text.toStdString());
  };
  for (QLabel* label : root->findChildren<QLabel*>()) {
    check(label, label->text(), label->fontMetrics().horizontalAdvance(label->text()));
  }
  for (QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
    check(button, button->text(), button->sizeHint().width());
  }
  for (QGroupBox* box : root->findChildren<QGroupBox*>()) {
    check(box, box->title(), box->fontMetrics().horizontalAdvance(box->title()));
  }
  return clipped;
}

}  // namespace ui_test
