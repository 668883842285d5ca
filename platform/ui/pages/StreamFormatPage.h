#pragma once
// The stream format page of a capture pin (IAMStreamConfig): lists of the subtypes (or sound
// formats), the frame sizes of the chosen subtype and the frame rates of the chosen size, read
// from the pin's capabilities (StreamFormats), starting from the pin's current format. Apply sets
// the chosen format with SetFormat, and only when the choice differs from the pin's format.
//
// Threads: application thread.

#include "dshow/DeviceInterfaces.h"
#include "ui/PropertyPageBase.h"
#include "ui/pages/StreamFormats.h"

class QComboBox;

namespace ui {

class StreamFormatPage : public PropertyPageBase {
 public:
  StreamFormatPage();

 protected:
  bool TakeObjects(const std::vector<ComPtr<IUnknown>>& objects) override;
  void ReleaseObjects() override { config_ = nullptr; }
  QWidget* Build(QWidget* parent) override;
  HRESULT ApplyChanges() override;

 private:
  StreamChoice Current() const;
  // Refills the lists below the one that changed, keeping what was chosen where it still exists.
  void FillSizes(const StreamChoice& wanted);
  void FillRates(const StreamChoice& wanted);
  void Changed();

  ComPtr<IAMStreamConfig> config_;
  StreamFormats formats_;
  StreamChoice applied_;         // what the pin has
  QComboBox* format_ = nullptr;  // the widgets belong to the page's widget
  QComboBox* size_ = nullptr;
  QComboBox* rate_ = nullptr;
};

}  // namespace ui
