// The main window's handlers of the component's events: status lines in Memo1 and the controls
// that follow the device.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ComboLists.h"
#include "NumberText.h"
#include "OrvelKamera.h"

void TForm1::ConnectComponentEvents() {
  TRavorOderiri& video = *RavorOderiri1;
  video.OnChangeVideoDevice = [this](TRavorOderiri*) { RavorOderiri1ChangeVideoDevice(); };
  video.OnCurrentStateChanging = [this](TRavorOderiri*, TCurrentState from, TCurrentState to) {
    RavorOderiri1CurrentStateChanging(from, to);
  };
  video.OnDeviceArrival = [this](TRavorOderiri*) { RavorOderiri1DeviceArrival(); };
  video.OnDeviceLost = [this](TRavorOderiri*) { RavorOderiri1DeviceLost(); };
  video.OnDeviceRemoval = [this](TRavorOderiri*) { CikisClick(); };
  video.OnDirectX8Required = [this](TRavorOderiri*) {
    AddStatusLine(QStringLiteral("En az DirectX 8 lazım!"));
  };
  video.OnDiscoveringNewDevice = [this](TRavorOderiri*, const std::string& name, bool done) {
    RavorOderiri1DiscoveringNewDevice(name, done);
  };
  video.OnDiskFull = [this](TRavorOderiri*) {
    AddStatusLine(QStringLiteral("Dikkat: Sabit diskiniz doldu!"));
  };
  video.OnErrorLog = [this](TRavorOderiri*, int code, const std::string& message) {
    RavorOderiri1ErrorLog(code, message);
  };
  video.OnFrameCaptureCompleted = [this](TRavorOderiri*, const TFrameData&, TFrameCaptureDest,
                                         const std::string& fileName, bool success) {
    RavorOderiri1FrameCaptureCompleted(fileName, success);
  };
  video.OnPreviewStarted = [this](TRavorOderiri*) { RavorOderiri1PreviewStarted(); };
  video.OnMouseUp = [this](TRavorOderiri*, TMouseButton button, TShiftState, int, int) {
    RavorOderiri1MouseUp(button);
  };
  video.OnDblClick = [this](TRavorOderiri*) { RavorOderiri1DblClick(); };
}

void TForm1::AddStatusLine(const QString& line) {
  Memo1->appendPlainText(line);
}

void TForm1::RefreshCapabilities() {
  const TRavorOderiri& video = *RavorOderiri1;
  Overlay->setChecked(video.OverlayEnabled());
  Overlay->setEnabled(video.VideoPortAvailable());
  const bool notDV = !video.IsDVDevice();
  FrameRate->setEnabled(notDV);
  Ok->setEnabled(notDV);
  Stream->setEnabled(notDV);
  Quality->setEnabled(video.VideoProcAmpAvailable());
  Crossbar->setEnabled(video.VideoCrossbarAvailable());
  AnalogStandart->setEnabled(video.AnalogVideoDecoderAvailable());
}

void TForm1::RefillDeviceList() {
  FillComboFromLines(*VideoDevice, RavorOderiri1->VideoDevices(), RavorOderiri1->VideoDevice());
}

void TForm1::RavorOderiri1ChangeVideoDevice() {
  const TRavorOderiri& video = *RavorOderiri1;
  RefreshCapabilities();
  VideoDevice->setCurrentIndex(video.VideoDevice());
  VideoInput->setEnabled(video.VideoCrossbarAvailable());
  FrameRate->setText(FloatToText(video.FrameRate()));
  FillComboFromLines(*VideoSize, video.VideoSizes(), video.VideoSize());
  FillComboFromLines(*VideoSubtype, video.VideoSubTypes(), video.VideoSubType());
  FillComboFromLines(*AnalogStandart, video.AnalogVideoStandards(), video.AnalogVideoStandard());
  FillComboFromLines(*VideoInput, video.VideoInputs(), video.VideoCrossbarInput());
}

void TForm1::RavorOderiri1CurrentStateChanging(TCurrentState previewState, TCurrentState newState) {
  switch (newState) {
    case cs_Preview:
      AddStatusLine(QStringLiteral("Canlı yayın başlıyor"));
      return;
    case cs_Capture:
      AddStatusLine(QStringLiteral("Fotoğraf alındı"));
      return;
    case cs_Recompress:
      AddStatusLine(QStringLiteral("Sıkıştırma yapılıyor ..."));
      return;
    case cs_Player:
      return;
    case cs_Down:
      break;
  }
  switch (previewState) {
    case cs_Preview:
      AddStatusLine(QStringLiteral("Yayın durdu."));
      return;
    case cs_Capture:
      AddStatusLine(QStringLiteral("Video kaydı sonu"));
      return;
    case cs_Recompress:
      AddStatusLine(QStringLiteral("Sıkıştırma bitti"));
      return;
    case cs_Down:
    case cs_Player:
      return;
  }
}

void TForm1::RavorOderiri1DeviceArrival() {
  AddStatusLine(QStringLiteral("Aygıt algılandı."));
  RefillDeviceList();
}

void TForm1::RavorOderiri1DeviceLost() {
  AddStatusLine(QStringLiteral("Aygıt kayboldu!"));
  RefillDeviceList();
}

void TForm1::RavorOderiri1DiscoveringNewDevice(const std::string& deviceName, bool done) {
  const QString name = QString::fromStdString(deviceName);
  AddStatusLine(done ? QStringLiteral("Yeni aygıt ") + name + QStringLiteral(" hazır.")
                     : QStringLiteral("Yeni aygıt algılanıyor: ") + name + QStringLiteral("..."));
}

void TForm1::RavorOderiri1ErrorLog(int errorCode, const std::string& errorMsg) {
  AddStatusLine(u'[' + QString::number(errorCode) + QStringLiteral("] ") +
                QString::fromStdString(errorMsg));
}

void TForm1::RavorOderiri1FrameCaptureCompleted(const std::string& fileName, bool success) {
  if (!success) return;
  Image1->move(RavorOderiri1->Left(), RavorOderiri1->Top());
  Image1->setPixmap(QPixmap(QString::fromStdString(fileName)));
  Image1->adjustSize();  // auto-sized to the picture
  Image1->show();
}

void TForm1::RavorOderiri1PreviewStarted() {
  AddStatusLine(QStringLiteral("Canlı yayın ") + QString::number(RavorOderiri1->VideoWidth()) +
                u'x' + QString::number(RavorOderiri1->VideoHeight()));
}
