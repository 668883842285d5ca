// The TV tuner and TV sound pages on a virtual TV card: what they show, and what OK writes.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QSpinBox>

#include "Binding.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/PropertyPageClasses.h"
#include "platform/ui/FrameTesting.h"

namespace {

constexpr char kCard[] = R"({
  "friendlyName": "TV Card", "vid": "1d6b", "pid": "0103",
  "pins": [{"name": "Capture", "role": "capture", "formats": [
      {"subtype": "YUY2", "size": [320, 240], "frameRate": 25}]}],
  "tuner": {"channels": [2, 69], "channel": 5, "countryCode": 90, "inputs": ["cable"]},
  "tvAudio": {"hardwareModes": ["mono", "stereo", "langA", "langB"], "mode": "stereo"}
})";

class TvPages : public ::testing::Test {
 protected:
  void SetUp() override {
    virtualdevices::Reset();
    const auto plugged = virtualdevices::Plug(kCard);
    ASSERT_TRUE(plugged) << plugged.error;
    card_ = devices_test::BindDevice(plugged.displayNames.back());
    ASSERT_TRUE(card_);
  }
  void TearDown() override {
    card_.Reset();
    virtualdevices::Reset();
  }

  void Open(const CLSID& page,
            const std::function<void(QWidget&, ui::PropertyFrameDriver&)>& answer) {
    ASSERT_EQ(ui_test::RunPropertyFrame({card_.Get()}, {page},
                                        [&](ui::PropertyFrameDriver& frame) {
                                          ASSERT_EQ(frame.PageCount(), 1);
                                          answer(*frame.PageWidget(0), frame);
                                        }),
              S_OK);
  }

  ComPtr<IBaseFilter> card_;
};

TEST_F(TvPages, TheCardOffersItsPagesInOrder) {
  CAUUID pages{};
  ASSERT_EQ(card_.As<ISpecifyPropertyPages>()->GetPages(&pages), S_OK);
  ASSERT_EQ(pages.cElems, 2u);
  EXPECT_EQ(pages.pElems[0], CLSID_TvTunerPage);
  EXPECT_EQ(pages.pElems[1], CLSID_TvAudioPage);
  CoTaskMemFree(pages.pElems);
}

TEST_F(TvPages, TheTunerPageTunesTheChannelOnOkAndShowsTheSignal) {
  std::string signal;
  Open(CLSID_TvTunerPage, [&](QWidget& page, ui::PropertyFrameDriver& frame) {
    auto* channel = page.findChild<QSpinBox*>("channel");
    EXPECT_EQ(channel->value(), 5);
    EXPECT_EQ(channel->maximum(), 69);
    EXPECT_EQ(page.findChild<QSpinBox*>("country")->value(), 90);
    EXPECT_EQ(page.findChild<QComboBox*>("input type")->currentText(), "Cable");
    signal = page.findChild<QLabel*>("signal")->text().toStdString();
    channel->setValue(12);
    frame.PressOk();
  });
  EXPECT_FALSE(signal.empty());
  LONG channel = 0, video = 0, audio = 0;
  ASSERT_EQ(card_.As<IAMTVTuner>()->get_Channel(&channel, &video, &audio), S_OK);
  EXPECT_EQ(channel, 12);
}

TEST_F(TvPages, TheSoundPageOffersTheAvailableModesAndSetsTheChosenOne) {
  std::vector<int> counts;
  Open(CLSID_TvAudioPage, [&](QWidget& page, ui::PropertyFrameDriver& frame) {
    auto* sound = page.findChild<QComboBox*>("sound");
    auto* language = page.findChild<QComboBox*>("language");
    counts = {sound->count(), language->count()};
    EXPECT_EQ(sound->currentText(), "Stereo");
    sound->setCurrentIndex(sound->findText("Mono"));
    language->setCurrentIndex(language->findText("Language B"));
    frame.PressOk();
  });
  EXPECT_EQ(counts, (std::vector<int>{2, 2}));
  LONG mode = 0;
  ASSERT_EQ(card_.As<IAMTVAudio>()->get_TVAudioMode(&mode), S_OK);
  EXPECT_EQ(mode, AMTVAUDIO_MODE_MONO | AMTVAUDIO_MODE_LANG_B);
}

TEST_F(TvPages, EveryTextReadsWhole) {
  for (const CLSID& page : {CLSID_TvTunerPage, CLSID_TvAudioPage}) {
    std::vector<std::string> clipped;
    Open(page, [&](QWidget&, ui::PropertyFrameDriver& frame) {
      clipped = ui_test::ClippedTexts(frame.Window());
      frame.PressCancel();
    });
    EXPECT_TRUE(clipped.empty()) << clipped.front();
  }
}

}  // namespace
