#pragma once
// The TV sound page (IAMTVAudio): mono or stereo, and language A, B or C, each as the tuner makes
// them available now. Apply sets the mode when the choice differs from it.
//
// Threads: application thread.

#include "dshow/AnalogInterfaces.h"
#include "ui/PropertyPageBase.h"

class QComboBox;

namespace ui {

class TvAudioPage : public PropertyPageBase {
 public:
  TvAudioPage();

 protected:
  bool TakeObjects(const std::vector<ComPtr<IUnknown>>& objects) override;
  void ReleaseObjects() override { audio_ = nullptr; }
  QWidget* Build(QWidget* parent) override;
  HRESULT ApplyChanges() override;

 private:
  QComboBox* MakeList(QWidget* parent, const char* name,
                      std::initializer_list<std::pair<LONG, const char*>> modes, LONG available);
  LONG Shown() const;

  ComPtr<IAMTVAudio> audio_;
  LONG applied_ = 0;
  QComboBox* sound_ = nullptr;  // the widgets belong to the page's widget
  QComboBox* language_ = nullptr;
};

}  // namespace ui
