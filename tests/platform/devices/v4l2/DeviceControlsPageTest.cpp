// The device controls page on a camera of the in-memory V4L2 driver: an editor per control kind
// in the group of its control class, changes written at once, an automatic control disabling its
// manual partner, and Defaults.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "com/Com.h"
#include "devices/v4l2/FakeV4l2.h"
#include "devices/v4l2/V4l2CaptureFilter.h"
#include "dshow/PropertyPageClasses.h"
#include "platform/ui/FrameTesting.h"

namespace {

using devices::FakeV4l2Control;
constexpr char kNode[] = "/dev/video0";

FakeV4l2Control Integer(std::uint32_t id, const char* name, std::int32_t min, std::int32_t max,
                        std::int32_t value, std::uint32_t autoId = 0) {
  FakeV4l2Control control{id, V4L2_CTRL_TYPE_INTEGER, name, min, max, 1, value, value};
  control.autoId = autoId;
  return control;
}

devices::FakeV4l2Device Camera() {
  devices::FakeV4l2Device camera;
  FakeV4l2Control autoWhite{V4L2_CID_AUTO_WHITE_BALANCE,
                            V4L2_CTRL_TYPE_BOOLEAN,
                            "White Balance, Automatic",
                            0,
                            1,
                            1,
                            1,
                            1};
  FakeV4l2Control power{
      V4L2_CID_POWER_LINE_FREQUENCY, V4L2_CTRL_TYPE_MENU, "Power Line Frequency", 0, 2, 1, 1, 1};
  power.menu = {"Disabled", "50 Hz", "60 Hz"};
  FakeV4l2Control panReset{V4L2_CID_PAN_RESET, V4L2_CTRL_TYPE_BUTTON, "Pan, Reset", 0, 0, 0, 0, 0};
  camera.controls = {
      Integer(V4L2_CID_BRIGHTNESS, "Brightness", 0, 255, 128),
      autoWhite,
      Integer(V4L2_CID_WHITE_BALANCE_TEMPERATURE, "White Balance Temperature", 2800, 6500, 4000,
              V4L2_CID_AUTO_WHITE_BALANCE),
      power,
      panReset,
      Integer(V4L2_CID_ZOOM_ABSOLUTE, "Zoom, Absolute", 100, 500, 100),
  };
  return camera;
}

class DeviceControlsPage : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_->Plug(kNode, Camera(), true);
    HRESULT hr = E_FAIL;
    camera_ = devices::V4l2CaptureFilter::Open(fake_, kNode, "Camera", &hr);
    ASSERT_EQ(hr, S_OK);
  }

  // Opens the page on the camera; answer sees its widget.
  void Open(const std::function<void(QWidget& page, ui::PropertyFrameDriver&)>& answer) {
    ASSERT_EQ(ui_test::RunPropertyFrame({static_cast<IBaseFilter*>(camera_.Get())},
                                        {CLSID_DeviceControlsPage},
                                        [&](ui::PropertyFrameDriver& frame) {
                                          ASSERT_EQ(frame.PageCount(), 1);
                                          answer(*frame.PageWidget(0), frame);
                                          frame.PressCancel();
                                        }),
              S_OK);
  }

  std::int32_t Value(std::uint32_t id) const { return fake_->ControlValue(kNode, id); }

  std::shared_ptr<devices::FakeV4l2> fake_ = std::make_shared<devices::FakeV4l2>();
  ComPtr<devices::V4l2CaptureFilter> camera_;
};

template <class Widget>
Widget* Find(QWidget& page, const char* name) {
  return page.findChild<Widget*>(name);
}

// The title of the group box that holds a widget.
std::string GroupOf(QWidget* widget) {
  for (QWidget* up = widget; up != nullptr; up = up->parentWidget()) {
    if (auto* box = qobject_cast<QGroupBox*>(up)) return box->title().toStdString();
  }
  return {};
}

TEST_F(DeviceControlsPage, TheCameraOffersThePage) {
  CAUUID pages{};
  auto specify = ComPtr<IBaseFilter>(camera_.Get()).As<ISpecifyPropertyPages>();
  ASSERT_TRUE(specify);
  ASSERT_EQ(specify->GetPages(&pages), S_OK);
  ASSERT_GE(pages.cElems, 1u);
  EXPECT_EQ(pages.pElems[0], CLSID_DeviceControlsPage);
  CoTaskMemFree(pages.pElems);
}

TEST_F(DeviceControlsPage, EachKindOfControlHasItsEditorInTheGroupOfItsClass) {
  struct Expected {
    const char* name;
    const char* widgetClass;
    const char* group;
  };
  const Expected expected[] = {
      {"Brightness", "QSlider", "User Controls"},
      {"White Balance, Automatic", "QCheckBox", "User Controls"},
      {"Power Line Frequency", "QComboBox", "User Controls"},
      {"Pan, Reset", "QPushButton", "Camera Controls"},
      {"Zoom, Absolute", "QSlider", "Camera Controls"},
  };
  Open([&](QWidget& page, ui::PropertyFrameDriver&) {
    for (const Expected& e : expected) {
      SCOPED_TRACE(e.name);
      auto* widget = page.findChild<QWidget*>(e.name);
      ASSERT_NE(widget, nullptr);
      EXPECT_STREQ(widget->metaObject()->className(), e.widgetClass);
      EXPECT_EQ(GroupOf(widget), e.group);
    }
    auto* menu = Find<QComboBox>(page, "Power Line Frequency");
    EXPECT_EQ(menu->currentText(), "50 Hz");
    EXPECT_EQ(Find<QLabel>(page, "Brightness value")->text(), "128");
  });
}

TEST_F(DeviceControlsPage, AChangeReachesTheDeviceAtOnceAndApplyHasNothingLeft) {
  Open([&](QWidget& page, ui::PropertyFrameDriver& frame) {
    Find<QSlider>(page, "Brightness")->setValue(200);
    EXPECT_EQ(Value(V4L2_CID_BRIGHTNESS), 200);
    EXPECT_EQ(Find<QLabel>(page, "Brightness value")->text(), "200");
    Find<QComboBox>(page, "Power Line Frequency")->activated(2);
    EXPECT_EQ(Value(V4L2_CID_POWER_LINE_FREQUENCY), 2);
    EXPECT_FALSE(frame.CanApply());
  });
  EXPECT_EQ(Value(V4L2_CID_BRIGHTNESS), 200);  // Cancel does not take back what the device shows
}

TEST_F(DeviceControlsPage, AnAutomaticControlDisablesItsManualPartner) {
  Open([&](QWidget& page, ui::PropertyFrameDriver&) {
    auto* temperature = Find<QSlider>(page, "White Balance Temperature");
    auto* automatic = Find<QCheckBox>(page, "White Balance, Automatic");
    EXPECT_FALSE(temperature->isEnabled());
    automatic->setChecked(false);
    EXPECT_TRUE(temperature->isEnabled());
    temperature->setValue(5000);
    EXPECT_EQ(Value(V4L2_CID_WHITE_BALANCE_TEMPERATURE), 5000);
    automatic->setChecked(true);
    EXPECT_FALSE(temperature->isEnabled());
  });
}

TEST_F(DeviceControlsPage, DefaultsRestoresEveryControl) {
  Open([&](QWidget& page, ui::PropertyFrameDriver&) {
    Find<QCheckBox>(page, "White Balance, Automatic")->setChecked(false);
    Find<QSlider>(page, "White Balance Temperature")->setValue(6000);
    Find<QSlider>(page, "Brightness")->setValue(10);
    Find<QSlider>(page, "Zoom, Absolute")->setValue(300);
    Find<QPushButton>(page, "Defaults")->click();
    EXPECT_EQ(Find<QSlider>(page, "Brightness")->value(), 128);
    EXPECT_TRUE(Find<QCheckBox>(page, "White Balance, Automatic")->isChecked());
  });
  EXPECT_EQ(Value(V4L2_CID_BRIGHTNESS), 128);
  EXPECT_EQ(Value(V4L2_CID_ZOOM_ABSOLUTE), 100);
  EXPECT_EQ(Value(V4L2_CID_AUTO_WHITE_BALANCE), 1);
  EXPECT_EQ(Value(V4L2_CID_WHITE_BALANCE_TEMPERATURE), 4000);
}

TEST_F(DeviceControlsPage, EveryTextReadsWhole) {
  std::vector<std::string> clipped;
  Open([&](QWidget&, ui::PropertyFrameDriver& frame) {
    clipped = ui_test::ClippedTexts(frame.Window());
  });
  EXPECT_TRUE(clipped.empty()) << clipped.front();
}

}  // namespace
