#include "GoruntuAyarlari.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <cstdlib>

#include "rudozav/RudOzav.h"

namespace {

constexpr int kFontHeight = 11;  // pixels
constexpr int kSliderTop = 20;
constexpr int kSliderWidth = 40;
constexpr int kSliderHeight = 185;
constexpr int kLabelTop = 6;
constexpr int kSliderLefts[TForm2::kSliderCount] = {8, 64, 120, 176, 232, 288, 344, 400};
const char* const kLabelTexts[TForm2::kSliderCount] = {
    "brightness", "contrast", "hue", "saturation", "sharpness", "gamma", "white bal.", "gain"};

}  // namespace

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Kalite ayarları"));
  setGeometry(413, 334, 461, 277);
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(kFontHeight);
  setFont(font);

  for (int k = 0; k < kSliderCount; ++k) {
    auto* slider = new QSlider(Qt::Vertical, this);
    slider->setGeometry(kSliderLefts[k], kSliderTop, kSliderWidth, kSliderHeight);
    slider->setTickPosition(QSlider::TicksBothSides);
    slider->setInvertedAppearance(true);  // the lowest position at the top, as the tags expect
    connect(slider, &QSlider::valueChanged, this, [this, k] { SliderChange(k); });
    TrackBars[static_cast<std::size_t>(k)] = slider;
    auto* label = new QLabel(QString::fromUtf8(kLabelTexts[k]), this);
    label->move(kSliderLefts[k], kLabelTop);
    label->adjustSize();
    Labels[static_cast<std::size_t>(k)] = label;
  }
  Kapat = new QPushButton(QStringLiteral("Kapat"), this);
  Kapat->setGeometry(144, 216, 73, 21);
  connect(Kapat, &QPushButton::clicked, this, &QDialog::accept);
  Varsayilan = new QPushButton(QStringLiteral("Varsayılanlar"), this);
  Varsayilan->setGeometry(232, 216, 65, 21);
  connect(Varsayilan, &QPushButton::clicked, this, &TForm2::VarsayilanClick);
}

int TForm2::ShowModal() {
  return exec();
}

void TForm2::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  SetUpSliders(false);  // reads the device without writing to it
}

void TForm2::SetUpSliders(bool defaults) {
  for (int k = 0; k < kSliderCount; ++k)
    SetUpSlider(k, defaults);
}

void TForm2::VarsayilanClick() {
  // The ready flag stays set: each slider moved to its default writes that default.
  SetUpSliders(true);
}

void TForm2::SetUpSlider(int k, bool defaults) {
  QSlider& slider = *TrackBars[static_cast<std::size_t>(k)];
  tags_[static_cast<std::size_t>(k)] = -(k + 1);  // every slider is reversed
  if (component_ != nullptr && component_->ProcAmpAvailable(k)) {
    if (!defaults) ready_ = false;
    const int minimum = component_->ProcAmpMin(k);
    const int maximum = component_->ProcAmpMax(k);
    slider.setEnabled(true);
    {
      // A range that moves the thumb is no choice of the user's: only the position set below
      // may write to the device.
      const QSignalBlocker quiet(slider);
      slider.setRange(minimum, maximum);
    }
    slider.setTickInterval(component_->ProcAmpStep(k));
    slider.setSingleStep(component_->ProcAmpStep(k));
    const int value = defaults ? component_->ProcAmpDefault(k) : component_->ProcAmpValue(k);
    slider.setValue(maximum + minimum - value);
  } else {
    const QSignalBlocker quiet(slider);  // a placeholder, not a value of the device
    slider.setEnabled(false);
    slider.setTickInterval(0);
    slider.setRange(0, 1);
    slider.setValue(1);
  }
  ready_ = true;
}

void TForm2::SliderChange(int k) {
  if (!ready_ || component_ == nullptr) return;
  const QSlider& slider = *TrackBars[static_cast<std::size_t>(k)];
  const int tag = tags_[static_cast<std::size_t>(k)];
  const int index = std::abs(tag) - 1;
  const int value = tag < 0 ? slider.maximum() + slider.minimum() - slider.value() : slider.value();
  component_->SetProcAmpValue(index, value);
}
