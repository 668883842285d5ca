#include "ui/pages/TvAudioPage.h"

#include <QComboBox>
#include <QFormLayout>

namespace ui {

TvAudioPage::TvAudioPage() : PropertyPageBase("TV Audio") {}

bool TvAudioPage::TakeObjects(const std::vector<ComPtr<IUnknown>>& objects) {
  audio_ = FirstWith<IAMTVAudio>(objects);
  return static_cast<bool>(audio_);
}

QComboBox* TvAudioPage::MakeList(QWidget* parent, const char* name,
                                 std::initializer_list<std::pair<LONG, const char*>> modes,
                                 LONG available) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  for (const auto& [mode, text] : modes) {
    if (available & mode) list->addItem(text, static_cast<int>(mode));
  }
  LONG all = 0;  // every mode of this list, available or not
  for (const auto& entry : modes)
    all |= entry.first;
  const int current = list->findData(static_cast<int>(applied_ & all));
  list->setCurrentIndex(std::max(current, 0));
  list->setEnabled(list->count() > 1);
  QObject::connect(list, &QComboBox::currentIndexChanged, [this] {
    if (Shown() == applied_) {
      MarkClean();
    } else {
      MarkDirty();
    }
  });
  return list;
}

QWidget* TvAudioPage::Build(QWidget* parent) {
  LONG available = 0;
  if (FAILED(audio_->GetAvailableTVAudioModes(&available))) available = 0;
  if (FAILED(audio_->get_TVAudioMode(&applied_))) applied_ = 0;
  auto* page = new QWidget(parent);
  auto* form = new QFormLayout(page);
  sound_ = MakeList(page, "sound",
                    {{AMTVAUDIO_MODE_MONO, "Mono"}, {AMTVAUDIO_MODE_STEREO, "Stereo"}}, available);
  form->addRow("Sound:", sound_);
  language_ = MakeList(page, "language",
                       {{AMTVAUDIO_MODE_LANG_A, "Language A"},
                        {AMTVAUDIO_MODE_LANG_B, "Language B"},
                        {AMTVAUDIO_MODE_LANG_C, "Language C"}},
                       available);
  form->addRow("Language:", language_);
  return page;
}

LONG TvAudioPage::Shown() const {
  return sound_->currentData().toInt() | language_->currentData().toInt();
}

HRESULT TvAudioPage::ApplyChanges() {
  const LONG shown = Shown();
  const HRESULT hr = audio_->put_TVAudioMode(shown);
  if (SUCCEEDED(hr)) applied_ = shown;
  return hr;
}

}  // namespace ui
