#pragma once
// The crossbar page (IAMCrossbar): for each output, a list of the inputs that can route to it,
// starting from the input routed now. With "Link related pins" on (the default), choosing an
// input for an output also chooses, for the output related to it, the input related to the
// chosen one: routing the tuner's video to the decoder routes the tuner's sound to the sound
// output. Apply routes the outputs whose choice differs from what they take.
//
// Threads: application thread.

#include <vector>

#include "dshow/AnalogInterfaces.h"
#include "ui/PropertyPageBase.h"

class QCheckBox;
class QComboBox;

namespace ui {

class CrossbarPage : public PropertyPageBase {
 public:
  CrossbarPage();

 protected:
  bool TakeObjects(const std::vector<ComPtr<IUnknown>>& objects) override;
  void ReleaseObjects() override { crossbar_ = nullptr; }
  QWidget* Build(QWidget* parent) override;
  HRESULT ApplyChanges() override;

 private:
  QComboBox* MakeOutputList(LONG output, LONG inputCount, QWidget* parent);
  LONG Chosen(LONG output) const;
  void Choose(LONG output, LONG input);
  void FollowRelated(LONG output, LONG input);
  void Changed();

  ComPtr<IAMCrossbar> crossbar_;
  std::vector<LONG> routed_;         // per output, the input it takes now
  std::vector<QComboBox*> outputs_;  // per output; the widgets belong to the page's widget
  QCheckBox* link_ = nullptr;
};

}  // namespace ui
