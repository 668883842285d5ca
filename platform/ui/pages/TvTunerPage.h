#pragma once
// The TV tuner page (IAMTVTuner): channel, country code and the input type (cable or antenna) of
// the connected input, with the signal strength at the tuned channel shown and read again after
// each Apply. Apply writes the fields that changed: the country and input type first, since they
// decide the frequency of a channel, then the channel.
//
// Threads: application thread.

#include "dshow/AnalogInterfaces.h"
#include "ui/PropertyPageBase.h"

class QComboBox;
class QLabel;
class QSpinBox;

namespace ui {

class TvTunerPage : public PropertyPageBase {
 public:
  TvTunerPage();

 protected:
  bool TakeObjects(const std::vector<ComPtr<IUnknown>>& objects) override;
  void ReleaseObjects() override { tuner_ = nullptr; }
  QWidget* Build(QWidget* parent) override;
  HRESULT ApplyChanges() override;

 private:
  struct State {
    LONG channel = 0;
    LONG country = 0;
    LONG inputType = TunerInputCable;
    bool operator==(const State&) const = default;
  };

  State Read() const;
  State Shown() const;
  void ShowSignal();
  void Changed();

  ComPtr<IAMTVTuner> tuner_;
  LONG input_ = 0;  // the connected input, whose type the page shows
  State applied_;
  QSpinBox* channel_ = nullptr;  // the widgets belong to the page's widget
  QSpinBox* country_ = nullptr;
  QComboBox* inputType_ = nullptr;
  QLabel* signal_ = nullptr;
};

}  // namespace ui
