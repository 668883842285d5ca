#include "ui/pages/CompressorPage.h"

#include <QComboBox>
#include <QFormLayout>
#include <QSpinBox>
#include <cmath>

namespace ui {
namespace {

// Quality in percent as the page shows it; -1 for the encoder's default.
int QualityPercent(double quality) {
  return quality < 0 ? -1 : static_cast<int>(std::lround(quality * 100.0));
}

}  // namespace

CompressorPage::CompressorPage() : PropertyPageBase("Compression") {}

bool CompressorPage::TakeObjects(const std::vector<ComPtr<IUnknown>>& objects) {
  options_ = FirstWith<devices::IEncoderOptions>(objects);
  return static_cast<bool>(options_);
}

QSpinBox* CompressorPage::MakeSpinBox(QWidget* parent, const char* name, int minimum, int maximum,
                                      const char* special, const char* suffix, int value) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(name);
  box->setRange(minimum, maximum);
  box->setSpecialValueText(special);  // shown at the minimum
  box->setSuffix(suffix);
  box->setValue(value);
  QObject::connect(box, &QSpinBox::valueChanged, [this] { Changed(); });
  return box;
}

QWidget* CompressorPage::Build(QWidget* parent) {
  devices::EncoderTraits traits;
  if (FAILED(options_->GetTraits(&traits)) || FAILED(options_->GetSettings(&applied_)))
    return nullptr;
  auto* page = new QWidget(parent);
  auto* form = new QFormLayout(page);
  if (!traits.lossless) {
    quality_ = MakeSpinBox(page, "quality", -1, 100, "Encoder default", " %",
                           QualityPercent(applied_.quality));
    form->addRow("Quality:", quality_);
    bitRate_ = MakeSpinBox(page, "bit rate", 0, 1'000'000, "By quality", " kbit/s",
                           applied_.bitRate / 1000);
    form->addRow("Bit rate:", bitRate_);
  }
  if (traits.temporal) {
    keyFrames_ = MakeSpinBox(page, "key frames", -1, 10'000, "Encoder default", " frames",
                             std::max<LONG>(applied_.keyFrameRate, -1));
    form->addRow("Key frame every:", keyFrames_);
  }
  if (!traits.presets.empty()) {
    preset_ = new QComboBox(page);
    preset_->setObjectName("preset");
    preset_->addItem("Default", -1);
    for (std::size_t i = 0; i < traits.presets.size(); ++i)
      preset_->addItem(QString::fromStdString(traits.presets[i]), static_cast<int>(i));
    preset_->setCurrentIndex(std::max(0, preset_->findData(static_cast<int>(applied_.preset))));
    QObject::connect(preset_, &QComboBox::currentIndexChanged, [this] { Changed(); });
    form->addRow("Preset:", preset_);
  }
  return page;
}

devices::EncoderSettings CompressorPage::Shown() const {
  devices::EncoderSettings shown = applied_;
  if (quality_ != nullptr && quality_->value() != QualityPercent(applied_.quality))
    shown.quality = quality_->value() < 0 ? -1.0 : quality_->value() / 100.0;
  if (bitRate_ != nullptr && bitRate_->value() != applied_.bitRate / 1000)
    shown.bitRate = bitRate_->value() * 1000;
  if (keyFrames_ != nullptr) shown.keyFrameRate = keyFrames_->value();
  if (preset_ != nullptr) shown.preset = preset_->currentData().toInt();
  return shown;
}

void CompressorPage::Changed() {
  if (Shown() == applied_) {
    MarkClean();
  } else {
    MarkDirty();
  }
}

HRESULT CompressorPage::ApplyChanges() {
  const devices::EncoderSettings shown = Shown();
  const HRESULT hr = options_->SetSettings(shown);
  if (SUCCEEDED(hr)) applied_ = shown;
  return hr;
}

}  // namespace ui
