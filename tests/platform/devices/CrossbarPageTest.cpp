// The crossbar page on a virtual card's crossbar: the inputs each output can take, and routes on
// OK with related pins following.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>

#include "com/Com.h"
#include "devices/virtual/VirtualCrossbar.h"
#include "dshow/PropertyPageClasses.h"
#include "platform/ui/FrameTesting.h"

namespace {

// A tuner, a composite and an S-Video input, each with its sound; the decoder's video and sound.
devices::CrossbarDescription Card() {
  devices::CrossbarDescription card;
  card.inputs = {{PhysConn_Video_Tuner, 3},
                 {PhysConn_Video_Composite, 4},
                 {PhysConn_Video_SVideo, 4},
                 {PhysConn_Audio_Tuner, 0},
                 {PhysConn_Audio_Line, 1}};
  card.outputs = {{PhysConn_Video_VideoDecoder, 1}, {PhysConn_Audio_AudioDecoder, 0}};
  return card;
}

class CrossbarPage : public ::testing::Test {
 protected:
  // Chooses input for output 0 on the page, with or without linking, then presses OK or Cancel.
  void Route(LONG input, bool link, bool ok) {
    ASSERT_EQ(ui_test::RunPropertyFrame({crossbar_.Get()}, {CLSID_CrossbarPage},
                                        [&](ui::PropertyFrameDriver& frame) {
                                          QWidget* page = frame.PageWidget(0);
                                          page->findChild<QCheckBox*>("link")->setChecked(link);
                                          auto* list = page->findChild<QComboBox*>("output 0");
                                          const int index = list->findData(static_cast<int>(input));
                                          ASSERT_GE(index, 0);
                                          list->setCurrentIndex(index);
                                          list->activated(index);
                                          ok ? frame.PressOk() : frame.PressCancel();
                                        }),
              S_OK);
  }

  LONG RoutedTo(LONG output) {
    LONG input = -2;
    EXPECT_EQ(crossbar_.As<IAMCrossbar>()->get_IsRoutedTo(output, &input), S_OK);
    return input;
  }

  ComPtr<IBaseFilter> crossbar_ = MakeComObject<devices::VirtualCrossbar>(Card());
};

TEST_F(CrossbarPage, TheCrossbarOffersThePage) {
  CAUUID pages{};
  ASSERT_EQ(crossbar_.As<ISpecifyPropertyPages>()->GetPages(&pages), S_OK);
  ASSERT_EQ(pages.cElems, 1u);
  EXPECT_EQ(pages.pElems[0], CLSID_CrossbarPage);
  CoTaskMemFree(pages.pElems);
}

TEST_F(CrossbarPage, EachOutputListsTheInputsThatCanRouteToIt) {
  std::vector<std::vector<std::string>> lists;
  ASSERT_EQ(ui_test::RunPropertyFrame({crossbar_.Get()}, {CLSID_CrossbarPage},
                                      [&](ui::PropertyFrameDriver& frame) {
                                        for (const char* name : {"output 0", "output 1"}) {
                                          auto* list =
                                              frame.PageWidget(0)->findChild<QComboBox*>(name);
                                          std::vector<std::string> texts;
                                          for (int i = 0; i < list->count(); ++i)
                                            texts.push_back(list->itemText(i).toStdString());
                                          texts.push_back(list->currentText().toStdString());
                                          lists.push_back(texts);
                                        }
                                        frame.PressCancel();
                                      }),
            S_OK);
  ASSERT_EQ(lists.size(), 2u);
  // The entries, then the one chosen.
  EXPECT_EQ(lists[0], (std::vector<std::string>{"None", "Video Tuner In 0", "Video Composite In 1",
                                                "Video SVideo In 2", "Video Tuner In 0"}));
  EXPECT_EQ(lists[1], (std::vector<std::string>{"None", "Audio Tuner In 3", "Audio Line In 4",
                                                "Audio Tuner In 3"}));
}

TEST_F(CrossbarPage, RoutesOnOkWithTheRelatedPinsWhenLinked) {
  struct Case {
    const char* name;
    LONG input;
    bool link;
    bool ok;
    LONG video;
    LONG sound;
  };
  const Case cases[] = {
      {"linked: the sound follows", 2, true, true, 2, 4},
      {"not linked: the sound stays", 1, false, true, 1, 3},
      {"Cancel routes nothing", 2, true, false, 0, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    crossbar_ = MakeComObject<devices::VirtualCrossbar>(Card());
    Route(c.input, c.link, c.ok);
    EXPECT_EQ(RoutedTo(0), c.video);
    EXPECT_EQ(RoutedTo(1), c.sound);
  }
}

TEST_F(CrossbarPage, EveryTextReadsWhole) {
  std::vector<std::string> clipped;
  ASSERT_EQ(ui_test::RunPropertyFrame({crossbar_.Get()}, {CLSID_CrossbarPage},
                                      [&](ui::PropertyFrameDriver& frame) {
                                        clipped = ui_test::ClippedTexts(frame.Window());
                                        frame.PressCancel();
                                      }),
            S_OK);
  EXPECT_TRUE(clipped.empty()) << clipped.front();
}

}  // namespace
