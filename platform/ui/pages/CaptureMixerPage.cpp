#include "ui/pages/CaptureMixerPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>

namespace ui {

CaptureMixerPage::CaptureMixerPage() : PropertyPageBase("Audio Input") {}

bool CaptureMixerPage::TakeObjects(const std::vector<ComPtr<IUnknown>>& objects) {
  mixer_ = FirstWith<devices::ICaptureMixer>(objects);
  return static_cast<bool>(mixer_);
}

QWidget* CaptureMixerPage::MakeVolume(QWidget* parent) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  volume_ = new QSlider(Qt::Horizontal, row);
  volume_->setObjectName("volume");
  volume_->setRange(static_cast<int>(applied_.minVolume), static_cast<int>(applied_.maxVolume));
  volume_->setValue(static_cast<int>(applied_.volume));
  volume_->setMinimumWidth(200);
  auto* value = new QLabel(QString::number(applied_.volume), row);
  value->setMinimumWidth(
      value->fontMetrics().horizontalAdvance(QString::number(applied_.maxVolume)));
  value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  layout->addWidget(volume_, 1);
  layout->addWidget(value);
  QObject::connect(volume_, &QSlider::valueChanged, [this, value](int volume) {
    value->setNum(volume);
    Changed();
  });
  return row;
}

QWidget* CaptureMixerPage::Build(QWidget* parent) {
  if (FAILED(mixer_->GetMixer(&applied_))) return nullptr;
  auto* page = new QWidget(parent);
  auto* form = new QFormLayout(page);
  if (applied_.hasVolume) form->addRow("Capture volume:", MakeVolume(page));
  if (applied_.hasSwitch) {
    capturing_ = new QCheckBox("Capture (off: muted)", page);
    capturing_->setObjectName("capture");
    capturing_->setChecked(applied_.capturing);
    QObject::connect(capturing_, &QCheckBox::toggled, [this] { Changed(); });
    form->addRow(capturing_);
  }
  if (!applied_.sources.empty()) {
    source_ = new QComboBox(page);
    source_->setObjectName("source");
    for (const std::string& name : applied_.sources)
      source_->addItem(QString::fromStdString(name));
    source_->setCurrentIndex(applied_.source);
    QObject::connect(source_, &QComboBox::currentIndexChanged, [this] { Changed(); });
    form->addRow("Input:", source_);
  }
  return page;
}

AlsaCaptureMixer CaptureMixerPage::Shown() const {
  AlsaCaptureMixer shown = applied_;
  if (volume_ != nullptr) shown.volume = volume_->value();
  if (capturing_ != nullptr) shown.capturing = capturing_->isChecked();
  if (source_ != nullptr) shown.source = source_->currentIndex();
  return shown;
}

void CaptureMixerPage::Changed() {
  if (Shown() == applied_) {
    MarkClean();
  } else {
    MarkDirty();
  }
}

HRESULT CaptureMixerPage::ApplyChanges() {
  const AlsaCaptureMixer shown = Shown();
  HRESULT hr = S_OK;
  if (shown.volume != applied_.volume) hr = mixer_->SetVolume(shown.volume);
  if (SUCCEEDED(hr) && shown.capturing != applied_.capturing)
    hr = mixer_->SetCapturing(shown.capturing);
  if (SUCCEEDED(hr) && shown.source != applied_.source) hr = mixer_->SetSource(shown.source);
  // What reached the card is what the page compares with from now on.
  if (FAILED(mixer_->GetMixer(&applied_))) applied_ = shown;
  return hr;
}

}  // namespace ui
