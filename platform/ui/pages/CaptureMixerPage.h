#pragma once
// The capture mixer page of a sound input (ICaptureMixer): the capture volume as a slider with
// its value, the capture switch as "Capture" (off: muted) and the capture source, each shown
// only when the card has it. Apply writes the controls the user changed.
//
// Threads: application thread.

#include "devices/alsa/CaptureMixer.h"
#include "ui/PropertyPageBase.h"

class QCheckBox;
class QComboBox;
class QSlider;

namespace ui {

class CaptureMixerPage : public PropertyPageBase {
 public:
  CaptureMixerPage();

 protected:
  bool TakeObjects(const std::vector<ComPtr<IUnknown>>& objects) override;
  void ReleaseObjects() override { mixer_ = nullptr; }
  QWidget* Build(QWidget* parent) override;
  HRESULT ApplyChanges() override;

 private:
  QWidget* MakeVolume(QWidget* parent);
  AlsaCaptureMixer Shown() const;
  void Changed();

  ComPtr<devices::ICaptureMixer> mixer_;
  AlsaCaptureMixer applied_;
  QSlider* volume_ = nullptr;  // the widgets belong to the page's widget
  QCheckBox* capturing_ = nullptr;
  QComboBox* source_ = nullptr;
};

}  // namespace ui
