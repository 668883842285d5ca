// The processing amplifier by index on the demo camera (brightness 0..255 from 128, contrast,
// saturation and an automatic-or-manual white balance 2800..6500; no hue, no backlight):
// ranges, values, refusals and a value kept through a rebuild and in the device's settings.

#include "ComponentFixture.h"
#include "devices/virtual/DescriptionParser.h"
#include "devices/virtual/VirtualDevices.h"
#include "dshow/DShow.h"
#include "registry/TRegistry2.h"
#include "rudozav/core/ComponentState.h"
#include "rudozav/devices/SettingsStore.h"

namespace rudozav_test {
namespace {

class ProcAmpTest : public ComponentTest {
 protected:
  ProcAmpTest() : ComponentTest(true, true) {}

  TRavorOderiri& DemoCamera() {
    EXPECT_TRUE(virtualdevices::Plug(devices::DemoDescriptionJson()));
    TRavorOderiri& component = CreateLoaded();
    component.SetAutoStartPreview(false);
    EXPECT_TRUE(component.BuildBaseGraph(false));
    return component;
  }
};

TEST_F(ProcAmpTest, RangesAndValuesComeFromTheDevice) {
  TRavorOderiri& component = DemoCamera();
  const struct {
    int index;
    int min, max, step, byDefault;
  } cases[] = {
      {0, 0, 255, 1, 128}, {1, 0, 100, 1, 50}, {3, 0, 100, 1, 64}, {6, 2800, 6500, 10, 4600}};
  for (const auto& c : cases) {
    EXPECT_TRUE(component.ProcAmpAvailable(c.index)) << c.index;
    EXPECT_EQ(component.ProcAmpMin(c.index), c.min) << c.index;
    EXPECT_EQ(component.ProcAmpMax(c.index), c.max) << c.index;
    EXPECT_EQ(component.ProcAmpStep(c.index), c.step) << c.index;
    EXPECT_EQ(component.ProcAmpDefault(c.index), c.byDefault) << c.index;
    EXPECT_EQ(component.ProcAmpValue(c.index), c.byDefault) << c.index;
  }
}

TEST_F(ProcAmpTest, AnEntryWithoutRangeOrOutsideTheTableHasNoValue) {
  TRavorOderiri& component = DemoCamera();
  for (const int index : {2, 9, -1, 10}) {  // hue and backlight the device lacks
    EXPECT_FALSE(component.ProcAmpAvailable(index)) << index;
    EXPECT_EQ(component.ProcAmpMin(index), NOT_SET) << index;
    EXPECT_EQ(component.ProcAmpDefault(index), NOT_SET) << index;
    EXPECT_EQ(component.ProcAmpValue(index), NOT_SET) << index;
    EXPECT_FALSE(component.SetProcAmpValue(index, 1)) << index;
  }
  component.ClearGraph();  // without a graph nothing has a value
  EXPECT_FALSE(component.ProcAmpAvailable(0));
  EXPECT_EQ(component.ProcAmpValue(0), NOT_SET);
  EXPECT_FALSE(component.SetProcAmpValue(0, 1));
}

TEST_F(ProcAmpTest, AValueSetIsManualAndSurvivesARebuildAndTheSettingsStore) {
  TRavorOderiri& component = DemoCamera();
  ASSERT_TRUE(component.SetProcAmpValue(1, 40));
  ASSERT_TRUE(component.SetProcAmpValue(6, 3200));
  LONG value = 0;
  LONG flags = 0;
  ASSERT_EQ(component.State().graph->procAmp->Get(VideoProcAmp_WhiteBalance, &value, &flags), S_OK);
  EXPECT_EQ(flags, VideoProcAmp_Flags_Manual);  // a chosen value is not left to the automatic
  component.ClearGraph();
  ASSERT_TRUE(component.BuildBaseGraph(false));
  EXPECT_EQ(component.ProcAmpValue(1), 40);
  EXPECT_EQ(component.ProcAmpValue(6), 3200);
  ASSERT_EQ(component.State().graph->procAmp->Get(VideoProcAmp_WhiteBalance, &value, &flags), S_OK);
  EXPECT_EQ(flags, VideoProcAmp_Flags_Manual);
  component.ClearGraph();
  TRegistry2 registry;
  ASSERT_TRUE(registry.OpenKeyReadOnly(DeviceKeyPath(component)));
  std::int32_t saved = 0;
  EXPECT_TRUE(registry.ReadInteger("ProcAmp_Contrast", &saved));
  EXPECT_EQ(saved, 40);
}

}  // namespace
}  // namespace rudozav_test
