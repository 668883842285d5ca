// The pages of a sound input on the in-memory ALSA: which inputs offer the capture mixer page,
// what it shows and the mixer controls OK writes; and the stream format page of its pin.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <cstring>

#include "com/Com.h"
#include "devices/alsa/AlsaCaptureFilter.h"
#include "devices/alsa/FakeAlsa.h"
#include "dshow/Formats.h"
#include "dshow/MediaType.h"
#include "dshow/PropertyPageClasses.h"
#include "platform/ui/FrameTesting.h"

namespace {

constexpr int kCard = 2;

AlsaCaptureMixer Mixer() {
  AlsaCaptureMixer mixer;
  mixer.hasVolume = true;
  mixer.minVolume = 0;
  mixer.maxVolume = 31;
  mixer.volume = 20;
  mixer.hasSwitch = true;
  mixer.capturing = true;
  mixer.sources = {"Mic", "Line", "CD"};
  mixer.source = 0;
  return mixer;
}

class CaptureMixerPage : public ::testing::Test {
 protected:
  ComPtr<IBaseFilter> Input(bool hardware, int card) {
    AlsaCaptureDeviceInfo info;
    info.pcm = hardware ? "hw:CARD=Audio,DEV=0" : "default";
    info.hardware = hardware;
    info.card = card;
    fake_->AddCaptureDevice(info);
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(devices::CreateAlsaCaptureFilter(fake_, info, "Microphone", IID_IBaseFilter,
                                               filter.ReleaseAndGetVoidAddress()),
              S_OK);
    return filter;
  }

  void Open(const std::function<void(QWidget&, ui::PropertyFrameDriver&)>& answer) {
    fake_->SetCaptureMixer(kCard, Mixer());
    auto input = Input(true, kCard);
    ASSERT_EQ(ui_test::RunPropertyFrame({input.Get()}, {CLSID_CaptureMixerPage},
                                        [&](ui::PropertyFrameDriver& frame) {
                                          ASSERT_EQ(frame.PageCount(), 1);
                                          answer(*frame.PageWidget(0), frame);
                                        }),
              S_OK);
  }

  std::shared_ptr<FakeAlsa> fake_ = std::make_shared<FakeAlsa>();
};

TEST_F(CaptureMixerPage, OnlyACardsOwnInputWithAMixerOffersIt) {
  struct Case {
    const char* name;
    bool hardware;
    bool cardHasMixer;
    bool offered;
  };
  const Case cases[] = {
      {"a card's input with a mixer", true, true, true},
      {"a card's input without one", true, false, false},
      {"a configuration's PCM", false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake_ = std::make_shared<FakeAlsa>();
    if (c.cardHasMixer) fake_->SetCaptureMixer(kCard, Mixer());
    auto input = Input(c.hardware, c.hardware ? kCard : -1);
    auto pages = input.As<ISpecifyPropertyPages>();
    EXPECT_EQ(static_cast<bool>(pages), c.offered);
    EXPECT_EQ(static_cast<bool>(input.As<devices::ICaptureMixer>()), c.offered);
    if (!pages) continue;
    CAUUID list{};
    ASSERT_EQ(pages->GetPages(&list), S_OK);
    ASSERT_EQ(list.cElems, 1u);
    EXPECT_EQ(list.pElems[0], CLSID_CaptureMixerPage);
    CoTaskMemFree(list.pElems);
  }
}

TEST_F(CaptureMixerPage, ShowsTheMixerAsTheCardHasIt) {
  Open([](QWidget& page, ui::PropertyFrameDriver& frame) {
    auto* volume = page.findChild<QSlider*>("volume");
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->maximum(), 31);
    EXPECT_EQ(volume->value(), 20);
    EXPECT_TRUE(page.findChild<QCheckBox*>("capture")->isChecked());
    auto* source = page.findChild<QComboBox*>("source");
    EXPECT_EQ(source->count(), 3);
    EXPECT_EQ(source->currentText(), "Mic");
    const auto clipped = ui_test::ClippedTexts(frame.Window());
    EXPECT_TRUE(clipped.empty()) << clipped.front();
    frame.PressCancel();
  });
  EXPECT_EQ(fake_->MixerWrites(kCard), 0);
}

TEST_F(CaptureMixerPage, OkWritesTheControlsTheUserChangedAndOnlyThose) {
  Open([](QWidget& page, ui::PropertyFrameDriver& frame) {
    page.findChild<QSlider*>("volume")->setValue(7);
    page.findChild<QComboBox*>("source")->setCurrentIndex(1);
    frame.PressOk();
  });
  const AlsaCaptureMixer mixer = fake_->CaptureMixer(kCard);
  EXPECT_EQ(mixer.volume, 7);
  EXPECT_EQ(mixer.source, 1);
  EXPECT_TRUE(mixer.capturing);
  EXPECT_EQ(fake_->MixerWrites(kCard), 2);
}

TEST_F(CaptureMixerPage, MutingAndCancellingWriteAsTheButtonsSay) {
  struct Case {
    const char* name;
    bool ok;
    bool capturing;
  };
  for (const Case& c : {Case{"OK mutes", true, false}, Case{"Cancel leaves it", false, true}}) {
    SCOPED_TRACE(c.name);
    fake_ = std::make_shared<FakeAlsa>();
    Open([&](QWidget& page, ui::PropertyFrameDriver& frame) {
      page.findChild<QCheckBox*>("capture")->setChecked(false);
      c.ok ? frame.PressOk() : frame.PressCancel();
    });
    EXPECT_EQ(fake_->CaptureMixer(kCard).capturing, c.capturing);
  }
}

// The stream format page on the sound input's capture pin: one entry per capability, and the
// chosen one set on OK.
TEST_F(CaptureMixerPage, TheSoundPinsFormatPageListsItsFormatsAndSetsTheChosenOne) {
  auto input = Input(true, kCard);
  auto* pin = dynamic_cast<devices::AlsaCaptureFilter*>(input.Get())->GetPin(0);
  ComPtr<IAMStreamConfig> config = ComPtr<IPin>(pin).As<IAMStreamConfig>();
  ASSERT_TRUE(config);
  std::string initial;
  std::string chosen;
  ASSERT_EQ(ui_test::RunPropertyFrame({config.Get()}, {CLSID_StreamFormatPage},
                                      [&](ui::PropertyFrameDriver& frame) {
                                        auto* format =
                                            frame.PageWidget(0)->findChild<QComboBox*>("format");
                                        ASSERT_GT(format->count(), 1);
                                        initial = format->currentText().toStdString();
                                        const int last = format->count() - 1;
                                        format->setCurrentIndex(last);
                                        format->activated(last);
                                        chosen = format->currentText().toStdString();
                                        frame.PressOk();
                                      }),
            S_OK);
  ASSERT_NE(chosen, initial);
  AM_MEDIA_TYPE* type = nullptr;
  ASSERT_EQ(config->GetFormat(&type), S_OK);
  const MediaType set = MediaType::Adopt(type);
  WAVEFORMATEX wave;
  ASSERT_GE(set->cbFormat, sizeof wave);
  std::memcpy(&wave, set->pbFormat, sizeof wave);
  EXPECT_NE(chosen.find(std::to_string(wave.nSamplesPerSec) + " Hz " +
                        std::to_string(wave.wBitsPerSample) + "-bit"),
            std::string::npos)
      << chosen;
}

}  // namespace
