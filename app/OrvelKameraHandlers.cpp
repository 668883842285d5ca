// The main window's own handlers: showing and closing, the buttons, combos and check boxes, and
// the mouse on the video and on the window.

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

#include "ComboLists.h"
#include "GoruntuAyarlari.h"
#include "NumberText.h"
#include "OrvelKamera.h"
#include "ui/MessageBox.h"

namespace {

constexpr int kDeviceDialog = 0;
constexpr int kStreamFormatDialog = 2;
constexpr int kCrossbarDialog = 6;
constexpr int kStartingStandardIndex = 2;

}  // namespace

void TForm1::FormCreate() {
  FillComboFromLines(*VideoDevice, RavorOderiri1->VideoDevices(), 0);
  PreviewFullScreen->setChecked(RavorOderiri1->FullScreenPreview());
  RavorOderiri1->SetBurstMode(false);
  RavorOderiri1->SetFrameGrabberEnabled(true);
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // A spontaneous show is the window system restoring the window, not the window being shown.
  if (!event->spontaneous()) FormShow();
}

void TForm1::FormShow() {
  const QRect screenArea = screen()->geometry();
  const QSize outer = frameGeometry().size();
  // Integer halves, rounded toward zero.
  move((screenArea.width() - outer.width()) / 2, (screenArea.height() - outer.height()) / 2);
  AnalogStandart->setCurrentIndex(kStartingStandardIndex);
  StartClick();
}

void TForm1::StartClick() {
  if (RavorOderiri1->VideoDevicesCount() <= 0) {
    ui::ShowMessage("Sisteminize bağlı kamera yok");
    CloseLater();
    return;
  }
  RavorOderiri1->SetVisible(true);
  RavorOderiri1->SetFullScreenPreview(true);
  Image1->hide();
}

void TForm1::StopClick() {
  RavorOderiri1->StopPreview();
}

void TForm1::FreezeClick() {
  RavorOderiri1->SetVisible(false);
  RavorOderiri1->SetFullScreenPreview(false);
  const QString name =
      SnapshotFileName(dateTimeSource_.now(), dateTimeSource_.format,
                       [](const QString& file) { return QFileInfo::exists(file); });
  // A refused or failed grab shows nothing: the picture appears only from
  // OnFrameCaptureCompleted, and the live video comes back with Start.
  RavorOderiri1->CaptureFrameTo(fc_JpegFile, name.toStdString());
}

void TForm1::CikisClick() {
  RavorOderiri1->StopCapture();
  RavorOderiri1->StopPlayer();
  RavorOderiri1->StopPreview();
  CloseLater();
}

void TForm1::CloseLater() {
  QTimer::singleShot(0, this, &QWidget::close);
}

void TForm1::closeEvent(QCloseEvent* event) {
  RavorOderiri1->StopCapture();
  RavorOderiri1->StopPlayer();
  RavorOderiri1->StopPreview();
  event->accept();
}

// The window's own click (on none of its controls) takes a snapshot, like the Freeze button.
void TForm1::mousePressEvent(QMouseEvent* event) {
  pressedOnForm_ =
      event->button() == Qt::LeftButton && childAt(event->position().toPoint()) == nullptr;
  QWidget::mousePressEvent(event);
}

void TForm1::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  const bool click = pressedOnForm_ && event->button() == Qt::LeftButton && rect().contains(at) &&
                     childAt(at) == nullptr;
  pressedOnForm_ = false;
  if (click) {
    FreezeClick();
  } else {
    QWidget::mouseReleaseEvent(event);
  }
}

void TForm1::RavorOderiri1MouseUp(TMouseButton button) {
  if (button == mbLeft) {
    FreezeClick();
  } else if (button == mbRight) {
    CikisClick();
  }
}

// Sends the video behind the other controls; the still picture stays under every control.
void TForm1::RavorOderiri1DblClick() {
  RavorOderiri1->lower();
  Image1->lower();
}

void TForm1::VideoDeviceChange() {
  RavorOderiri1->StopPreview();
  RavorOderiri1->SetVideoDevice(VideoDevice->currentIndex());
  RavorOderiri1->StartPreview();
}

void TForm1::VideoSizeChange() {
  RavorOderiri1->SetVideoSize(VideoSize->currentIndex());
}

void TForm1::VideoSubtypeChange() {
  RavorOderiri1->SetVideoSubType(VideoSubtype->currentIndex());
}

void TForm1::VideoInputChange() {
  RavorOderiri1->SetVideoCrossbarInput(VideoInput->currentIndex());
}

void TForm1::AnalogStandartChange() {
  RavorOderiri1->SetAnalogVideoStandard(AnalogStandart->currentIndex());
}

void TForm1::PreviewFullScreenClick() {
  RavorOderiri1->SetFullScreenPreview(PreviewFullScreen->isChecked());
}

void TForm1::OverlayClick() {
  RavorOderiri1->SetOverlayEnabled(Overlay->isChecked());
}

void TForm1::OkClick() {
  constexpr double kNotANumber = -1;
  const double value = TextToFloatOr(FrameRate->text(), kNotANumber);
  if (value != kNotANumber) {
    RavorOderiri1->SetFrameRate(value);
  } else {
    ui::ShowMessage("Hatalı sayı");
  }
}

void TForm1::SetQualityDialog(TForm2* dialog) {
  qualityDialog_ = dialog;
  if (dialog != nullptr) dialog->SetComponent(RavorOderiri1);
}

void TForm1::QualityClick() {
  const TCurrentState state = RavorOderiri1->CurrentState();
  if ((state == cs_Preview || state == cs_Capture) && qualityDialog_ != nullptr)
    qualityDialog_->ShowModal();
}

void TForm1::CrossbarClick() {
  RavorOderiri1->ShowDialog(kCrossbarDialog);
}

void TForm1::DeviceClick() {
  RavorOderiri1->ShowDialog(kDeviceDialog);
  AnalogStandart->setCurrentIndex(RavorOderiri1->AnalogVideoStandard());
}

void TForm1::StreamClick() {
  RavorOderiri1->ShowDialog(kStreamFormatDialog);
  FrameRate->setText(FloatToText(RavorOderiri1->FrameRate()));
  VideoSize->setCurrentIndex(RavorOderiri1->VideoSize());
  VideoSubtype->setCurrentIndex(RavorOderiri1->VideoSubType());
}
