// The main window as it is laid out and loaded: fixed size, every control under its parent at
// its place, the component's stored values, the help text.

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "AppFixture.h"

namespace orvelcam_test {
namespace {

QString CaptionOf(const QWidget* widget) {
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (auto* group = qobject_cast<const QGroupBox*>(widget)) return group->title();
  if (auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text();
  return {};
}

using LayoutTest = AppTest;

TEST_F(LayoutTest, EveryControlSitsInItsParentAtItsBoundsWithItsCaption) {
  TForm1& form = CreateForm();
  struct Expected {
    QWidget* control;
    QWidget* parent;
    QRect bounds;  // width and height 0: sized to the caption
    QString caption;
  };
  const std::vector<Expected> table = {
      {form.Image1, &form, {0, 0, 105, 105}, ""},
      {form.RavorOderiri1, &form, {0, 0, 320, 240}, ""},
      {form.GroupBox7, &form, {24, 248, 225, 179}, " Video aygıtı "},
      {form.VideoDevice, form.GroupBox7, {4, 15, 217, 21}, ""},
      {form.Crossbar, form.GroupBox7, {4, 37, 77, 17}, "Yayın kaynağı"},
      {form.Quality, form.GroupBox7, {83, 37, 44, 17}, "Kalite"},
      {form.Stream, form.GroupBox7, {129, 37, 44, 17}, "Akış"},
      {form.Device, form.GroupBox7, {177, 37, 44, 17}, "Aygıt"},
      {form.Label2, form.GroupBox7, {8, 55, 0, 0}, "Kaynak"},
      {form.Label18, form.GroupBox7, {92, 55, 0, 0}, "video tipi"},
      {form.Label4, form.GroupBox7, {171, 55, 0, 0}, "video ebadı"},
      {form.VideoInput, form.GroupBox7, {8, 68, 84, 21}, ""},
      {form.VideoSubtype, form.GroupBox7, {92, 68, 79, 21}, ""},
      {form.VideoSize, form.GroupBox7, {171, 68, 48, 21}, ""},
      {form.Label7, form.GroupBox7, {66, 92, 0, 0}, "kare adedi"},
      {form.Label19, form.GroupBox7, {124, 92, 0, 0}, "Analog standardı"},
      {form.Overlay, form.GroupBox7, {8, 108, 55, 18}, "Bindirme"},
      {form.FrameRate, form.GroupBox7, {66, 105, 30, 21}, "1"},
      {form.Ok, form.GroupBox7, {98, 105, 18, 21}, "Ok"},
      {form.AnalogStandart, form.GroupBox7, {117, 105, 83, 21}, ""},
      {form.GroupBox6, form.GroupBox7, {4, 125, 218, 51}, " Önizleme "},
      {form.Start, form.GroupBox6, {3, 16, 44, 24}, "Başlat"},
      {form.Stop, form.GroupBox6, {47, 16, 44, 24}, "Dur"},
      {form.Freeze, form.GroupBox6, {91, 16, 44, 24}, "Yakala"},
      {form.PreviewFullScreen, form.GroupBox6, {137, 20, 70, 17}, "TamEkran"},
      {form.Memo1, &form, {0, 432, 516, 22}, ""},
      {form.Cikis, &form, {374, 395, 64, 32}, "Çıkış"},
      {form.Memo2, &form, {320, 0, 193, 337}, ""},
  };
  for (const Expected& expected : table) {
    const QWidget& control = *expected.control;
    SCOPED_TRACE(expected.caption.toStdString() + " " + control.metaObject()->className());
    EXPECT_EQ(control.parentWidget(), expected.parent);
    if (expected.bounds.width() == 0) {
      EXPECT_EQ(control.pos(), expected.bounds.topLeft());
    } else {
      EXPECT_EQ(control.geometry(), expected.bounds);
    }
    EXPECT_EQ(CaptionOf(&control), expected.caption);
  }
  EXPECT_EQ(form.size(), QSize(516, 454));
  EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "the border is not resizable";
  EXPECT_EQ(form.Crossbar->toolTip(), "crossbar dialog");
  EXPECT_TRUE(form.FrameRate->toolTip().startsWith("Device frame rate. Does not apply to DV."));
  EXPECT_TRUE(form.Memo2->isReadOnly());
}

TEST_F(LayoutTest, TheComponentIsLoadedWithTheStoredValues) {
  TForm1& form = CreateForm();
  const TRavorOderiri& video = *form.RavorOderiri1;
  EXPECT_TRUE(video.IsLoaded());
  EXPECT_EQ(video.Name(), "RavorOderiri1");
  EXPECT_EQ(video.Color(), clGray);
  EXPECT_EQ(video.BorderStyle(), bsSingle);
  EXPECT_EQ(video.BurstInterval(), 0);
  EXPECT_EQ(video.DroppedFrameCountMethod(), fim_Polling);
  EXPECT_EQ(video.Alignment(), taLeftJustify);
  EXPECT_EQ(video.TextOnFrameFont().Name, "Arial");
  EXPECT_EQ(video.TextOnFrameFont().Height, -12);
  EXPECT_EQ(video.TextOnFrameFont().Color, clAqua);
  // What the creation handler set.
  EXPECT_FALSE(video.BurstMode());
  EXPECT_TRUE(video.FrameGrabberEnabled());
  EXPECT_EQ(form.PreviewFullScreen->isChecked(), video.FullScreenPreview());
}

TEST_F(LayoutTest, TheHelpTextKeepsItsBlanksAndEndsWithAContactBlock) {
  const QStringList lines = CreateForm().Memo2->toPlainText().split(u'\n');
  ASSERT_GT(lines.size(), 20);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], " Şu an fonda  kameradan gelen ");
  EXPECT_EQ(lines[7], " Aşağıdaki kontrolleri kullanarak  ");
  EXPECT_EQ(lines[14], " SAĞ tuşu programdan çıkmanızı ");
  EXPECT_EQ(lines[17], " Herhangi bir sorunuz olursa;");
  EXPECT_EQ(lines[18], "");
  EXPECT_FALSE(lines[19].trimmed().isEmpty());
}

}  // namespace
}  // namespace orvelcam_test
