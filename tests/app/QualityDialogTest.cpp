// The image-quality dialog on the demo camera (brightness 0..255 from 128, contrast, saturation,
// white balance; no hue, sharpness, gamma or gain) and on a camera without a processing
// amplifier: what showing reads, what moving a slider writes, and the defaults.

#include <QPushButton>
#include <QSlider>

#include "AppFixture.h"
#include "devices/virtual/DescriptionParser.h"
#include "devices/virtual/VirtualDevices.h"
#include "rudozav/RudOzav.h"

namespace orvelcam_test {
namespace {

using QualityDialogTest = AppTest;

constexpr int kBrightness = 0;
constexpr int kHue = 2;
constexpr int kNoValue = 2147483647;

TEST_F(QualityDialogTest, ShowingReadsTheDeviceAndAReversedSliderWritesIt) {
  ASSERT_TRUE(virtualdevices::Plug(devices::DemoDescriptionJson()));
  TForm1& form = ShowForm();
  TRavorOderiri& video = *form.RavorOderiri1;
  ASSERT_TRUE(video.SetProcAmpValue(kBrightness, 200));
  TForm2& dialog = QualityDialog();
  dialog.show();
  QSlider& brightness = *dialog.TrackBars[kBrightness];
  EXPECT_TRUE(brightness.isEnabled());
  EXPECT_EQ(brightness.value(), 55);                // 255 + 0 - 200
  EXPECT_EQ(video.ProcAmpValue(kBrightness), 200);  // showing wrote nothing
  EXPECT_FALSE(dialog.TrackBars[kHue]->isEnabled());
  EXPECT_EQ(dialog.TrackBars[kHue]->value(), 1);

  brightness.setValue(0);  // the top
  EXPECT_EQ(video.ProcAmpValue(kBrightness), 255);
  dialog.Varsayilan->click();
  EXPECT_EQ(video.ProcAmpValue(kBrightness), 128);
  EXPECT_EQ(brightness.value(), 127);
  dialog.hide();
}

TEST_F(QualityDialogTest, WithoutAnAmplifierEverySliderIsDisabledAndWritesNothing) {
  PlugCamera("Desk Camera", "7&3a&0&0000");
  TForm1& form = ShowForm();
  TForm2& dialog = QualityDialog();
  dialog.show();
  for (QSlider* slider : dialog.TrackBars) {
    EXPECT_FALSE(slider->isEnabled());
    EXPECT_EQ(slider->value(), 1);
    slider->setValue(0);
  }
  EXPECT_EQ(form.RavorOderiri1->ProcAmpValue(kBrightness), kNoValue);
  dialog.hide();
}

}  // namespace
}  // namespace orvelcam_test
