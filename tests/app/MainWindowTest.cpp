// The main window driven as a user drives it: showing with and without a camera, the frame
// rate, snapshots and the mouse on the video, closing, combos and check boxes, and the status
// lines of the component's events.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "AppFixture.h"
#include "NumberText.h"
#include "clock/Clock.h"
#include "devices/virtual/VirtualDevices.h"
#include "rudozav/devices/DevicesManager.h"

namespace orvelcam_test {
namespace {

constexpr int kDeadlineMs = 20000;

using MainWindowTest = AppTest;

TEST_F(MainWindowTest, WithoutACameraTheFirstShowSaysSoAndCloses) {
  TForm1& form = ShowForm();
  if (form.RavorOderiri1->VideoDevicesCount() > 0) GTEST_SKIP() << "a camera is attached";
  EXPECT_EQ(messageBoxes, std::vector<std::string>{"Sisteminize bağlı kamera yok"});
  EXPECT_TRUE(WaitUntilClosed());
}

TEST_F(MainWindowTest, WithACameraTheShowCentresTheWindowAndShowsTheVideo) {
  PlugCamera("Desk Camera", "7&3a&0&0000");
  TForm1& form = ShowForm();
  EXPECT_TRUE(messageBoxes.empty());
  EXPECT_TRUE(form.isVisible());
  ASSERT_GE(form.VideoDevice->count(), 1);
  EXPECT_TRUE(form.VideoDevice->itemText(0).startsWith("Desk Camera"));
  const QRect screen = form.screen()->geometry();
  const QSize outer = form.frameGeometry().size();
  EXPECT_EQ(form.pos(),
            QPoint((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2));
  EXPECT_TRUE(form.RavorOderiri1->Visible());
  EXPECT_TRUE(form.RavorOderiri1->FullScreenPreview());
  EXPECT_TRUE(form.Image1->isHidden());
}

// With the process log on, from the start of the process.
class LoggedMainWindowTest : public AppTest {
 protected:
  void SetUp() override {
    std::ofstream("log.txt").put('\n');
    AppTest::SetUp();
  }
  void TearDown() override {
    AppTest::TearDown();
    std::remove("log.txt");
  }
};

TEST_F(LoggedMainWindowTest, TheStartBuildsThePreviewOnce) {
  PlugCamera("Desk Camera", "7&3a&0&0000");
  ShowForm();
  std::ifstream log("log.txt");
  int builds = 0;
  for (std::string line; std::getline(log, line);)
    builds += line == "Preview BUILDOWN BEGIN" ? 1 : 0;
  EXPECT_EQ(builds, 1);
}

TEST_F(MainWindowTest, AFrameRateThatIsNotAPositiveNumberIsRefused) {
  PlugCamera("Desk Camera", "7&3a&0&0000");
  TForm1& form = ShowForm();
  for (const char* text : {"abc", "-1", "inf", ""}) {
    messageBoxes.clear();
    form.FrameRate->clear();
    QTest::keyClicks(form.FrameRate, text);
    QTest::mouseClick(form.Ok, Qt::LeftButton);
    EXPECT_EQ(messageBoxes, std::vector<std::string>{"Hatalı sayı"}) << "text " << text;
  }
  messageBoxes.clear();
  form.FrameRate->clear();
  QTest::keyClicks(form.FrameRate, "25");
  QTest::keyClick(form.FrameRate, Qt::Key_Tab);
  QTest::mouseClick(form.Ok, Qt::LeftButton);
  EXPECT_TRUE(messageBoxes.empty());
}

TEST_F(MainWindowTest, ASnapshotHidesTheVideoAndShowsNothingWithoutAFrame) {
  PlugCamera("Desk Camera", "7&3a&0&0000");
  TForm1& form = ShowForm();
  // The live camera delivers frames on its own clock; without a running graph there is certainly
  // no frame to grab.
  form.RavorOderiri1->StopPreview();
  form.SetDateTimeSource(
      {[] { return QDateTime(QDate(2026, 12, 25), QTime(14, 3, 7)); }, "dd.MM.yyyy HH:mm:ss"});
  QTest::mouseClick(form.Freeze, Qt::LeftButton);
  EXPECT_FALSE(form.RavorOderiri1->Visible());
  EXPECT_FALSE(form.RavorOderiri1->FullScreenPreview());
  EXPECT_TRUE(form.Image1->isHidden()) << "no frame has arrived, so no picture";

  QTest::mouseClick(form.Start, Qt::LeftButton);
  EXPECT_TRUE(form.RavorOderiri1->Visible());
  EXPECT_TRUE(form.RavorOderiri1->FullScreenPreview());
}

TEST_F(MainWindowTest, AClickOnTheBareWindowIsASnapshotButAClickOnALabelIsNot) {
  PlugCamera("Desk Camera", "7&3a&0&0000");
  TForm1& form = ShowForm();
  // The panel back at its designed size: with AutoSize it took the camera's 640x480 and covers
  // the whole window.
  form.RavorOderiri1->SetAutoSize(false);
  form.RavorOderiri1->SetWidth(320);
  form.RavorOderiri1->SetHeight(240);
  QTest::mouseClick(form.GroupBox7, Qt::LeftButton, {}, form.Label2->geometry().center());
  EXPECT_TRUE(form.RavorOderiri1->Visible());
  QTest::mouseClick(&form, Qt::LeftButton, {}, QPoint(280, 300));
  EXPECT_FALSE(form.RavorOderiri1->Visible());
}

TEST_F(MainWindowTest, MouseButtonsOnTheVideo) {
  PlugCamera("Desk Camera", "7&3a&0&0000");
  TForm1& form = ShowForm();
  TRavorOderiri* video = form.RavorOderiri1;
  const QPoint middleOfVideo(160, 120);

  QTest::mouseClick(video, Qt::MiddleButton, {}, middleOfVideo);
  QApplication::processEvents();
  EXPECT_TRUE(video->Visible()) << "the middle button does nothing";
  EXPECT_TRUE(form.isVisible());

  QTest::mouseClick(video, Qt::LeftButton, {}, middleOfVideo);
  EXPECT_FALSE(video->Visible()) << "the left button takes a snapshot";
  EXPECT_TRUE(form.isVisible());

  QTest::mouseClick(video, Qt::RightButton, {}, middleOfVideo);
  EXPECT_TRUE(WaitUntilClosed()) << "the right button ends the program";
}

TEST_F(MainWindowTest, ADoubleClickSendsTheVideoBehindTheOtherControls) {
  PlugCamera("Desk Camera", "7&3a&0&0000");
  TForm1& form = ShowForm();
  const auto place = [&](QObject* control) { return form.children().indexOf(control); };
  ASSERT_GT(place(form.RavorOderiri1), place(form.Image1));
  QTest::mouseDClick(form.RavorOderiri1, Qt::LeftButton, {}, QPoint(160, 120));
  EXPECT_LT(place(form.RavorOderiri1), place(form.GroupBox7));
  EXPECT_LT(place(form.RavorOderiri1), place(form.Memo2));
  EXPECT_LT(place(form.Image1), place(form.RavorOderiri1)) << "the picture stays under all";
}

TEST_F(MainWindowTest, ClosingWhilePreviewingReportsThatNothingWasCaptured) {
  PlugCamera("Desk Camera", "7&3a&0&0000");
  TForm1& form = ShowForm();
  // Previewing, whatever the graph made of the virtual camera.
  form.RavorOderiri1->ChangeState(cs_Preview);
  form.close();
  EXPECT_TRUE(StatusLines().contains("[89] Error: not capturing"));
  EXPECT_EQ(StatusLines().back(), "Yayın durdu.");
  EXPECT_FALSE(form.isVisible());
}

TEST_F(MainWindowTest, TheExitButtonStopsEverythingAndCloses) {
  PlugCamera("Desk Camera", "7&3a&0&0000");
  TForm1& form = ShowForm();
  form.RavorOderiri1->ChangeState(cs_Preview);
  QTest::mouseClick(form.Cikis, Qt::LeftButton);
  EXPECT_EQ(form.RavorOderiri1->CurrentState(), cs_Down);
  EXPECT_TRUE(WaitUntilClosed());
}

TEST_F(MainWindowTest, ChoosingAnotherCameraInTheListSelectsIt) {
  PlugCamera("Desk Camera", "7&3a&0&0000");
  PlugCamera("Door Camera", "7&3a&0&0001");
  TForm1& form = ShowForm();
  ASSERT_EQ(form.VideoDevice->count(), 2);
  EXPECT_EQ(form.VideoDevice->currentIndex(), 0);
  form.VideoDevice->setFocus();
  QTest::keyClick(form.VideoDevice, Qt::Key_Down);
  EXPECT_EQ(form.RavorOderiri1->VideoDevice(), 1);
  EXPECT_EQ(form.VideoDevice->currentIndex(), 1);
}

TEST_F(MainWindowTest, TheFullScreenBoxSetsFullScreenPreview) {
  PlugCamera("Desk Camera", "7&3a&0&0000");
  TForm1& form = ShowForm();
  const bool before = form.RavorOderiri1->FullScreenPreview();
  form.PreviewFullScreen->setChecked(before);
  QTest::mouseClick(form.PreviewFullScreen, Qt::LeftButton);
  EXPECT_EQ(form.RavorOderiri1->FullScreenPreview(), !before);
}

TEST_F(MainWindowTest, TheQualityDialogOpensOnlyWhileTheVideoRuns) {
  PlugCamera("Desk Camera", "7&3a&0&0000");
  TForm1& form = ShowForm();
  form.Quality->setEnabled(true);
  bool shown = false;
  const auto closeWhenShown = [&] {
    QTimer::singleShot(0, [&] {
      shown = QApplication::activeModalWidget() == &QualityDialog();
      QualityDialog().reject();
    });
  };
  form.RavorOderiri1->ChangeState(cs_Down);
  form.QualityClick();
  EXPECT_FALSE(QualityDialog().isVisible());

  form.RavorOderiri1->ChangeState(cs_Preview);
  closeWhenShown();
  form.QualityClick();
  EXPECT_TRUE(shown);
  EXPECT_EQ(QualityDialog().windowTitle(), "Kalite ayarları");
}

TEST_F(MainWindowTest, StateChangesWriteTheirStatusLines) {
  TForm1& form = CreateForm();
  form.Memo1->clear();
  struct Change {
    TCurrentState from, to;
    const char* line;  // null: no line
  };
  const Change changes[] = {
      {cs_Down, cs_Preview, "Canlı yayın başlıyor"},
      {cs_Preview, cs_Capture, "Fotoğraf alındı"},
      {cs_Down, cs_Recompress, "Sıkıştırma yapılıyor ..."},
      {cs_Preview, cs_Player, nullptr},
      {cs_Preview, cs_Down, "Yayın durdu."},
      {cs_Capture, cs_Down, "Video kaydı sonu"},
      {cs_Recompress, cs_Down, "Sıkıştırma bitti"},
      {cs_Player, cs_Down, nullptr},
  };
  QStringList expected;
  for (const Change& change : changes) {
    form.RavorOderiri1->OnCurrentStateChanging(form.RavorOderiri1, change.from, change.to);
    if (change.line != nullptr) expected << change.line;
  }
  EXPECT_EQ(StatusLines(), expected);
}

TEST_F(MainWindowTest, ComponentEventsBecomeTurkishStatusLines) {
  TForm1& form = CreateForm();
  TRavorOderiri* video = form.RavorOderiri1;
  form.Memo1->clear();
  video->OnDiscoveringNewDevice(video, "Desk Camera", false);
  video->OnDiscoveringNewDevice(video, "Desk Camera", true);
  video->OnErrorLog(video, 40, "Warning: video device index out of range");
  video->OnDiskFull(video);
  video->OnDirectX8Required(nullptr);
  video->OnDeviceLost(video);
  EXPECT_EQ(
      StatusLines(),
      QStringList({"Yeni aygıt algılanıyor: Desk Camera...", "Yeni aygıt Desk Camera hazır.",
                   "[40] Warning: video device index out of range", "Dikkat: Sabit diskiniz doldu!",
                   "En az DirectX 8 lazım!", "Aygıt kayboldu!"}));
}

TEST_F(MainWindowTest, APluggedCameraIsAnnouncedAndListed) {
  PlugCamera("Desk Camera", "7&3a&0&0000");
  TForm1& form = ShowForm();
  ASSERT_EQ(form.VideoDevice->count(), 1);
  // The device manager listens for plugged devices from its first tick on.
  ASSERT_TRUE(QTest::qWaitFor([] { return DevicesManager()->HookInstalled(); }, kDeadlineMs));
  sysclock::UseTestClock(GetTickCount());
  PlugCamera("Door Camera", "7&3a&0&0001");
  // The lists are rebuilt a while after the notification; the test clock gets there.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        sysclock::Advance(100);
        return StatusLines().contains("Aygıt algılandı.");
      },
      kDeadlineMs));
  sysclock::UseRealClock();
  EXPECT_EQ(form.VideoDevice->count(), 2);
  EXPECT_EQ(form.VideoDevice->currentIndex(), form.RavorOderiri1->VideoDevice());
}

std::string Fixture(const std::string& name) {
  std::ifstream in(std::string(RUDOZAV_FIXTURES) + "/" + name);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_F(MainWindowTest, TheControlsFollowWhatATvCardOffers) {
  ASSERT_TRUE(virtualdevices::Plug(Fixture("tv-card.json")));
  TForm1& form = ShowForm();
  const TRavorOderiri& video = *form.RavorOderiri1;
  ASSERT_TRUE(video.VideoCrossbarAvailable());
  EXPECT_TRUE(form.Crossbar->isEnabled());
  EXPECT_TRUE(form.VideoInput->isEnabled());
  EXPECT_GT(form.VideoInput->count(), 1);
  EXPECT_EQ(form.AnalogStandart->isEnabled(), video.AnalogVideoDecoderAvailable());
  EXPECT_EQ(form.Overlay->isEnabled(), video.VideoPortAvailable());
  EXPECT_TRUE(form.FrameRate->isEnabled());
  EXPECT_EQ(form.FrameRate->text(), FloatToText(video.FrameRate()));
  EXPECT_EQ(form.VideoSize->count(),
            QString::fromStdString(video.VideoSizes()).split("\r\n", Qt::SkipEmptyParts).size());
}

TEST_F(MainWindowTest, TheStandardComboListsTheCardsStandardsAndSelectsOne) {
  ASSERT_TRUE(virtualdevices::Plug(Fixture("tv-card.json")));
  TForm1& form = ShowForm();
  QStringList items;
  for (int i = 0; i < form.AnalogStandart->count(); ++i)
    items << form.AnalogStandart->itemText(i);
  EXPECT_EQ(items, QStringList({"NTSC M", "PAL B", "SECAM L"}));
  EXPECT_TRUE(form.AnalogStandart->isEnabled());
  form.AnalogStandart->setFocus();
  QTest::keyClick(form.AnalogStandart, Qt::Key_Up);
  EXPECT_EQ(form.AnalogStandart->currentIndex(), 1);
  EXPECT_EQ(form.RavorOderiri1->AnalogVideoStandard(), 1);
}

TEST_F(MainWindowTest, ADvCamcorderHasNoFrameRateToSet) {
  ASSERT_TRUE(virtualdevices::Plug(Fixture("dv-camcorder.json")));
  TForm1& form = ShowForm();
  ASSERT_TRUE(form.RavorOderiri1->IsDVDevice());
  EXPECT_FALSE(form.FrameRate->isEnabled());
  EXPECT_FALSE(form.Ok->isEnabled());
  EXPECT_FALSE(form.Stream->isEnabled());
}

TEST_F(MainWindowTest, AFinishedSnapshotIsShownWhereTheVideoWas) {
  TForm1& form = CreateForm();
  QImage picture(64, 48, QImage::Format_RGB888);
  picture.fill(Qt::green);
  ASSERT_TRUE(picture.save("shot.jpg"));
  TRavorOderiri* video = form.RavorOderiri1;
  video->move(10, 20);
  form.Image1->hide();
  video->OnFrameCaptureCompleted(video, TFrameData{}, fc_JpegFile, "shot.jpg", false);
  EXPECT_TRUE(form.Image1->isHidden());
  video->OnFrameCaptureCompleted(video, TFrameData{}, fc_JpegFile, "shot.jpg", true);
  EXPECT_FALSE(form.Image1->isHidden());
  EXPECT_EQ(form.Image1->geometry(), QRect(10, 20, 64, 48));
}

}  // namespace
}  // namespace orvelcam_test
