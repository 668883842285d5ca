#pragma once
// The page of a compressor (IEncoderOptions): quality and bit rate for lossy encoders, the key
// frame interval for encoders whose frames depend on earlier ones, and the preset where the
// encoder has presets. Apply writes the fields the user changed into the compressor's settings,
// which its IPersistStream saves.
//
// Threads: application thread.

#include "devices/encoders/EncoderOptions.h"
#include "ui/PropertyPageBase.h"

class QComboBox;
class QSpinBox;

namespace ui {

class CompressorPage : public PropertyPageBase {
 public:
  CompressorPage();

 protected:
  bool TakeObjects(const std::vector<ComPtr<IUnknown>>& objects) override;
  void ReleaseObjects() override { options_ = nullptr; }
  QWidget* Build(QWidget* parent) override;
  HRESULT ApplyChanges() override;

 private:
  QSpinBox* MakeSpinBox(QWidget* parent, const char* name, int minimum, int maximum,
                        const char* special, const char* suffix, int value);
  // The settings as shown: the ones read, with the fields the user changed replaced.
  devices::EncoderSettings Shown() const;
  void Changed();

  ComPtr<devices::IEncoderOptions> options_;
  devices::EncoderSettings applied_;
  QSpinBox* quality_ = nullptr;  // the widgets belong to the page's widget
  QSpinBox* bitRate_ = nullptr;
  QSpinBox* keyFrames_ = nullptr;
  QComboBox* preset_ = nullptr;
};

}  // namespace ui
