// A virtual camera's picture controls: the painter applies brightness, contrast, saturation, hue
// and gain to the test picture, the camera lists them as device controls, and the device controls
// page changes the picture it paints.

#include <gtest/gtest.h>

#include <QSlider>

#include "Binding.h"
#include "com/Com.h"
#include "devices/capture/DeviceControls.h"
#include "devices/virtual/TestPattern.h"
#include "devices/virtual/VirtualCaptureFilter.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/DShow.h"
#include "dshow/PropertyPageClasses.h"
#include "dshow/VideoMediaType.h"
#include "platform/ui/FrameTesting.h"

namespace {

using devices::PictureAdjustment;
using devices::PictureDescription;

struct Pixel {
  int r, g, b;
  int Luma() const { return (299 * r + 587 * g + 114 * b) / 1000; }
  int Chroma() const { return std::max({r, g, b}) - std::min({r, g, b}); }
};

// The first pixel of a still, one-coloured picture painted with the adjustment.
Pixel PaintedPixel(const PictureAdjustment& adjustment) {
  PictureDescription picture;
  picture.pattern = devices::PatternKind::kSolid;
  picture.moving = false;
  picture.colour = {64, 128, 192};
  picture.adjustment = adjustment;
  const MediaType type = *MakeVideoMediaType(MEDIASUBTYPE_RGB24, 4, 2);
  std::vector<BYTE> buffer(VideoImageSize(MEDIASUBTYPE_RGB24, 4, 2));
  EXPECT_NE(devices::PaintTestPattern(picture, type.Get(), 0, buffer.data(),
                                      static_cast<DWORD>(buffer.size())),
            0u);
  return {buffer[2], buffer[1], buffer[0]};
}

TEST(PictureAdjustment, EachControlChangesThePaintedPictureAsAVideoDecoderWould) {
  const Pixel plain = PaintedPixel({});
  struct Case {
    const char* name;
    PictureAdjustment adjustment;
    std::function<bool(const Pixel&)> holds;
  };
  const Case cases[] = {
      {"identity leaves the colour",
       {},
       [](const Pixel& p) { return p.r == 64 && p.g == 128 && p.b == 192; }},
      {"brightness up is brighter",
       {.brightness = 60},
       [&](const Pixel& p) { return p.Luma() > plain.Luma() + 40; }},
      {"brightness down is darker",
       {.brightness = -60},
       [&](const Pixel& p) { return p.Luma() < plain.Luma() - 40; }},
      {"gain up is brighter",
       {.gain = 384},
       [&](const Pixel& p) { return p.Luma() > plain.Luma() + 20; }},
      {"contrast down moves towards black",
       {.contrast = 128},
       [&](const Pixel& p) { return p.Luma() < plain.Luma() - 20; }},
      {"saturation 0 is grey", {.saturation = 0}, [](const Pixel& p) { return p.Chroma() <= 2; }},
      {"saturation up is more colourful",
       {.saturation = 384},
       [&](const Pixel& p) { return p.Chroma() > plain.Chroma() + 20; }},
      {"hue turned half round swaps blue for orange",
       {.hue = 180},
       [](const Pixel& p) { return p.r > p.b; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Pixel p = PaintedPixel(c.adjustment);
    EXPECT_TRUE(c.holds(p)) << p.r << "," << p.g << "," << p.b;
  }
}

constexpr char kCamera[] = R"({
  "friendlyName": "Cam", "vid": "1d6b", "pid": "0102",
  "pins": [{"name": "Capture", "role": "capture", "formats": [
      {"subtype": "RGB24", "size": [64, 48], "frameRate": 30}]}],
  "picture": {"pattern": "solid", "moving": false},
  "procAmp": {"brightness": {"min": 0, "max": 255, "step": 1, "default": 128},
              "saturation": {"min": 0, "max": 200, "step": 10, "default": 100}}
})";

class VirtualPictureControls : public ::testing::Test {
 protected:
  void SetUp() override {
    virtualdevices::Reset();
    const auto plugged = virtualdevices::Plug(kCamera);
    ASSERT_TRUE(plugged) << plugged.error;
    camera_ = devices_test::BindDevice(plugged.displayNames.back());
    ASSERT_TRUE(camera_);
  }
  void TearDown() override {
    camera_.Reset();
    virtualdevices::Reset();
  }

  ComPtr<IBaseFilter> camera_;
};

TEST_F(VirtualPictureControls, TheCameraListsItsPictureControlsAsDeviceControls) {
  auto controls = camera_.As<devices::IDeviceControls>();
  ASSERT_TRUE(controls);
  std::vector<devices::DeviceControlInfo> list;
  ASSERT_EQ(controls->GetControls(&list), S_OK);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].name, "Brightness");
  EXPECT_EQ(list[0].maximum, 255);
  EXPECT_EQ(list[1].name, "Saturation");
  EXPECT_EQ(list[1].step, 10);
  EXPECT_EQ(controls->SetValue(list[1].id, 137), S_OK);
  std::int32_t value = 0;
  ASSERT_EQ(controls->GetValue(list[1].id, &value), S_OK);
  EXPECT_EQ(value, 140);  // rounded to the step
  EXPECT_EQ(controls->SetValue(list[0].id, 256), E_INVALIDARG);
}

TEST_F(VirtualPictureControls, BrightnessOnThePageMakesThePaintedPictureBrighter) {
  auto* filter = dynamic_cast<devices::VirtualCaptureFilter*>(camera_.Get());
  ASSERT_NE(filter, nullptr);
  EXPECT_TRUE(filter->Adjustment().IsIdentity());
  const int before = PaintedPixel(filter->Adjustment()).Luma();
  ASSERT_EQ(ui_test::RunPropertyFrame({camera_.Get()}, {CLSID_DeviceControlsPage},
                                      [](ui::PropertyFrameDriver& frame) {
                                        auto* slider =
                                            frame.PageWidget(0)->findChild<QSlider*>("Brightness");
                                        ASSERT_NE(slider, nullptr);
                                        slider->setValue(200);
                                        frame.PressOk();
                                      }),
            S_OK);
  EXPECT_GT(PaintedPixel(filter->Adjustment()).Luma(), before + 40);
}

TEST_F(VirtualPictureControls, TheCameraOffersTheControlsPage) {
  CAUUID pages{};
  auto specify = camera_.As<ISpecifyPropertyPages>();
  ASSERT_TRUE(specify);
  ASSERT_EQ(specify->GetPages(&pages), S_OK);
  ASSERT_EQ(pages.cElems, 1u);
  EXPECT_EQ(pages.pElems[0], CLSID_DeviceControlsPage);
  CoTaskMemFree(pages.pElems);
}

}  // namespace
