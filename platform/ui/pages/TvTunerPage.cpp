#include "ui/pages/TvTunerPage.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>

namespace ui {

TvTunerPage::TvTunerPage() : PropertyPageBase("TV Tuner") {}

bool TvTunerPage::TakeObjects(const std::vector<ComPtr<IUnknown>>& objects) {
  tuner_ = FirstWith<IAMTVTuner>(objects);
  return static_cast<bool>(tuner_);
}

TvTunerPage::State TvTunerPage::Read() const {
  State state;
  LONG video = 0;
  LONG audio = 0;
  // A value the tuner cannot give stays at its default: the page shows what it can.
  (void)tuner_->get_Channel(&state.channel, &video, &audio);
  (void)tuner_->get_CountryCode(&state.country);
  TunerInputType type = TunerInputCable;
  if (SUCCEEDED(tuner_->get_InputType(input_, &type))) state.inputType = type;
  return state;
}

QWidget* TvTunerPage::Build(QWidget* parent) {
  if (FAILED(tuner_->get_ConnectInput(&input_))) input_ = 0;
  applied_ = Read();
  LONG minimum = 0;
  LONG maximum = 0;
  if (FAILED(tuner_->ChannelMinMax(&minimum, &maximum))) minimum = maximum = applied_.channel;
  auto* page = new QWidget(parent);
  auto* form = new QFormLayout(page);
  channel_ = new QSpinBox(page);
  channel_->setObjectName("channel");
  channel_->setRange(minimum, maximum);
  channel_->setValue(applied_.channel);
  form->addRow("Channel:", channel_);
  country_ = new QSpinBox(page);
  country_->setObjectName("country");
  country_->setRange(0, 999);  // international dialling codes
  country_->setValue(applied_.country);
  form->addRow("Country code:", country_);
  inputType_ = new QComboBox(page);
  inputType_->setObjectName("input type");
  inputType_->addItem("Cable", static_cast<int>(TunerInputCable));
  inputType_->addItem("Antenna", static_cast<int>(TunerInputAntenna));
  inputType_->setCurrentIndex(inputType_->findData(static_cast<int>(applied_.inputType)));
  form->addRow("Input type:", inputType_);
  signal_ = new QLabel(page);
  signal_->setObjectName("signal");
  form->addRow("Signal:", signal_);
  ShowSignal();
  QObject::connect(channel_, &QSpinBox::valueChanged, [this] { Changed(); });
  QObject::connect(country_, &QSpinBox::valueChanged, [this] { Changed(); });
  QObject::connect(inputType_, &QComboBox::currentIndexChanged, [this] { Changed(); });
  return page;
}

TvTunerPage::State TvTunerPage::Shown() const {
  return {channel_->value(), country_->value(), inputType_->currentData().toInt()};
}

void TvTunerPage::ShowSignal() {
  LONG strength = AMTUNER_HASNOSIGNALSTRENGTH;
  if (FAILED(tuner_->SignalPresent(&strength))) strength = AMTUNER_HASNOSIGNALSTRENGTH;
  signal_->setText(strength == AMTUNER_SIGNALPRESENT ? "Present"
                   : strength == AMTUNER_NOSIGNAL    ? "None"
                                                     : "Not measured");
}

void TvTunerPage::Changed() {
  if (Shown() == applied_) {
    MarkClean();
  } else {
    MarkDirty();
  }
}

HRESULT TvTunerPage::ApplyChanges() {
  const State shown = Shown();
  HRESULT hr = S_OK;
  if (shown.country != applied_.country) hr = tuner_->put_CountryCode(shown.country);
  if (SUCCEEDED(hr) && shown.inputType != applied_.inputType)
    hr = tuner_->put_InputType(input_, static_cast<TunerInputType>(shown.inputType));
  if (SUCCEEDED(hr) && shown.channel != applied_.channel) {
    hr = tuner_->put_Channel(shown.channel, AMTUNER_SUBCHAN_DEFAULT, AMTUNER_SUBCHAN_DEFAULT);
  }
  applied_ = Read();
  ShowSignal();
  return hr;
}

}  // namespace ui
