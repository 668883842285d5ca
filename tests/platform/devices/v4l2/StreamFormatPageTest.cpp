// The stream format page on the capture pin of a camera of the in-memory V4L2 driver: the
// subtypes, sizes and rates it offers, and SetFormat on OK or Apply only.

#include <gtest/gtest.h>

#include <QComboBox>
#include <tuple>

#include "com/Com.h"
#include "devices/v4l2/FakeV4l2.h"
#include "devices/v4l2/V4l2CaptureFilter.h"
#include "dshow/PropertyPageClasses.h"
#include "dshow/VideoMediaType.h"
#include "platform/ui/FrameTesting.h"
#include "ui/pages/StreamFormats.h"

namespace {

using devices::FakeV4l2Format;

constexpr char kNode[] = "/dev/video0";

// Gives the format the fourcc and the sizes, each with its frame rates.
void Describe(
    FakeV4l2Format& format, std::uint32_t fourcc,
    std::vector<std::tuple<std::uint32_t, std::uint32_t, std::vector<std::uint32_t>>> sizes) {
  format.fourcc = fourcc;
  format.compressed = fourcc == V4L2_PIX_FMT_MJPEG;
  format.sizes.sizes.resize(sizes.size());
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    auto& size = format.sizes.sizes[i];
    size.width = std::get<0>(sizes[i]);
    size.height = std::get<1>(sizes[i]);
    size.intervals.clear();
    for (const std::uint32_t rate : std::get<2>(sizes[i]))
      size.intervals.push_back({1, rate});
  }
}

class StreamFormatPage : public ::testing::Test {
 protected:
  void SetUp() override {
    devices::FakeV4l2Device camera;
    camera.formats.resize(2);
    Describe(camera.formats[0], V4L2_PIX_FMT_YUYV, {{640, 480, {30, 15}}, {1280, 720, {10}}});
    Describe(camera.formats[1], V4L2_PIX_FMT_MJPEG, {{640, 480, {30}}, {1280, 720, {30, 15}}});
    fake_->Plug(kNode, camera, true);
    HRESULT hr = E_FAIL;
    camera_ = devices::V4l2CaptureFilter::Open(fake_, kNode, "Camera", &hr);
    ASSERT_EQ(hr, S_OK);
    for (int i = 0; i < camera_->GetPinCount(); ++i) {
      auto config = ComPtr<IPin>(camera_->GetPin(i)).As<IAMStreamConfig>();
      if (config) config_ = config;
    }
    ASSERT_TRUE(config_);
  }

  // Chooses the entries with these texts on the page, then presses the buttons.
  void Choose(const char* format, const char* size, const char* rate,
              const std::function<void(ui::PropertyFrameDriver&)>& press) {
    ASSERT_EQ(ui_test::RunPropertyFrame(
                  {config_.Get()}, {CLSID_StreamFormatPage},
                  [&](ui::PropertyFrameDriver& frame) {
                    QWidget* page = frame.PageWidget(0);
                    for (const auto& [name, text] :
                         {std::pair{"format", format}, {"size", size}, {"frame rate", rate}}) {
                      auto* list = page->findChild<QComboBox*>(name);
                      const int index = list->findText(text);
                      ASSERT_GE(index, 0) << name << " has no " << text;
                      list->setCurrentIndex(index);
                      list->activated(index);
                    }
                    press(frame);
                  }),
              S_OK);
  }

  // "MJPG 1280x720 15 fps" for the pin's format now.
  std::string PinFormat() const {
    AM_MEDIA_TYPE* type = nullptr;
    if (FAILED(config_->GetFormat(&type))) return "none";
    const MediaType owned = MediaType::Adopt(type);
    const auto video = ReadVideoFormat(owned.Get());
    return SubtypeText(owned->subtype) + " " + std::to_string(video->width) + "x" +
           std::to_string(std::abs(video->height)) + " " +
           ui::FrameRateText(video->avgTimePerFrame);
  }

  std::shared_ptr<devices::FakeV4l2> fake_ = std::make_shared<devices::FakeV4l2>();
  ComPtr<devices::V4l2CaptureFilter> camera_;
  ComPtr<IAMStreamConfig> config_;
};

std::vector<std::string> Texts(QComboBox* list) {
  std::vector<std::string> texts;
  for (int i = 0; i < list->count(); ++i)
    texts.push_back(list->itemText(i).toStdString());
  return texts;
}

TEST_F(StreamFormatPage, ThePinOffersThePage) {
  CAUUID pages{};
  ASSERT_EQ(config_.As<ISpecifyPropertyPages>()->GetPages(&pages), S_OK);
  ASSERT_EQ(pages.cElems, 1u);
  EXPECT_EQ(pages.pElems[0], CLSID_StreamFormatPage);
  CoTaskMemFree(pages.pElems);
}

TEST_F(StreamFormatPage, ListsTheSizesOfTheSubtypeAndTheRatesOfTheSize) {
  std::vector<std::vector<std::string>> lists;
  ASSERT_EQ(ui_test::RunPropertyFrame({config_.Get()}, {CLSID_StreamFormatPage},
                                      [&](ui::PropertyFrameDriver& frame) {
                                        QWidget* page = frame.PageWidget(0);
                                        auto* format = page->findChild<QComboBox*>("format");
                                        auto* size = page->findChild<QComboBox*>("size");
                                        auto* rate = page->findChild<QComboBox*>("frame rate");
                                        lists.push_back(Texts(format));
                                        lists.push_back(Texts(size));
                                        lists.push_back(Texts(rate));
                                        format->setCurrentIndex(1);
                                        format->activated(1);
                                        size->setCurrentIndex(1);
                                        size->activated(1);
                                        lists.push_back(Texts(rate));
                                        frame.PressCancel();
                                      }),
            S_OK);
  ASSERT_EQ(lists.size(), 4u);
  EXPECT_EQ(lists[0], (std::vector<std::string>{"YUY2", "MJPG"}));
  EXPECT_EQ(lists[1], (std::vector<std::string>{"640 x 480", "1280 x 720"}));
  EXPECT_EQ(lists[2], (std::vector<std::string>{"30 fps", "15 fps"}));
  EXPECT_EQ(lists[3], (std::vector<std::string>{"30 fps", "15 fps"}));  // MJPG 1280x720
}

TEST_F(StreamFormatPage, SetsTheChosenFormatOnOkAndApplyOnly) {
  const std::string before = PinFormat();
  struct Case {
    const char* name;
    std::function<void(ui::PropertyFrameDriver&)> press;
    bool changes;
  };
  const Case cases[] = {
      {"Cancel", [](auto& f) { f.PressCancel(); }, false},
      {"OK", [](auto& f) { f.PressOk(); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Choose("MJPG", "1280 x 720", "15 fps", c.press);
    EXPECT_EQ(PinFormat(), c.changes ? "MJPG 1280x720 15 fps" : before);
  }
}

TEST_F(StreamFormatPage, TheCurrentFormatIsNoChange) {
  bool dirty = true;
  Choose("YUY2", "640 x 480", "30 fps", [&](ui::PropertyFrameDriver& frame) {
    dirty = frame.CanApply();
    frame.PressOk();
  });
  EXPECT_FALSE(dirty);
}

TEST(FrameRateText, ReadsAsPeopleWriteRates) {
  const std::pair<REFERENCE_TIME, const char*> cases[] = {
      {333333, "30 fps"}, {333667, "29.97 fps"}, {1333333, "7.5 fps"}, {0, "?"}};
  for (const auto& [interval, text] : cases)
    EXPECT_EQ(ui::FrameRateText(interval), text);
}

TEST_F(StreamFormatPage, EveryTextReadsWhole) {
  std::vector<std::string> clipped;
  ASSERT_EQ(ui_test::RunPropertyFrame({config_.Get()}, {CLSID_StreamFormatPage},
                                      [&](ui::PropertyFrameDriver& frame) {
                                        clipped = ui_test::ClippedTexts(frame.Window());
                                        frame.PressCancel();
                                      }),
            S_OK);
  EXPECT_TRUE(clipped.empty()) << clipped.front();
}

}  // namespace
