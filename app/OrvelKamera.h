#pragma once
// TForm1: the program's main window. It hosts the capture component RavorOderiri1 with the device
// and format controls around it, a still picture of the last snapshot, a help text and a one-line
// status memo, and drives the component only through its properties, operations and events.
//
// Everything here runs on the UI thread.

#include <QWidget>
#include <functional>
#include <string>

#include "SnapshotName.h"
#include "rudozav/RudOzav.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TForm2;

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // Builds the controls, streams the component's stored values, loads it, then runs FormCreate.
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // The image-quality dialog that Quality opens; lent, it must outlive its use here.
  // The quality dialog adjusts this window's component.
  void SetQualityDialog(TForm2* dialog);
  // Where snapshot names take the local date and time from; tests set a fixed one.
  void SetDateTimeSource(TDateTimeSource source) { dateTimeSource_ = std::move(source); }

  // The controls, owned by the window through Qt's parent chain.
  QLabel* Image1 = nullptr;
  TRavorOderiri* RavorOderiri1 = nullptr;
  QGroupBox* GroupBox7 = nullptr;
  QComboBox* VideoDevice = nullptr;
  QPushButton* Crossbar = nullptr;
  QPushButton* Quality = nullptr;
  QPushButton* Stream = nullptr;
  QPushButton* Device = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label18 = nullptr;
  QLabel* Label4 = nullptr;
  QComboBox* VideoInput = nullptr;
  QComboBox* VideoSubtype = nullptr;
  QComboBox* VideoSize = nullptr;
  QLabel* Label7 = nullptr;
  QLabel* Label19 = nullptr;
  QCheckBox* Overlay = nullptr;
  QLineEdit* FrameRate = nullptr;
  QPushButton* Ok = nullptr;
  QComboBox* AnalogStandart = nullptr;
  QGroupBox* GroupBox6 = nullptr;
  QPushButton* Start = nullptr;
  QPushButton* Stop = nullptr;
  QPushButton* Freeze = nullptr;
  QCheckBox* PreviewFullScreen = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QPushButton* Cikis = nullptr;
  QPlainTextEdit* Memo2 = nullptr;

  // Window handlers.
  void FormCreate();
  void FormShow();
  void StartClick();
  void StopClick();
  void FreezeClick();
  void CikisClick();
  void VideoDeviceChange();
  void VideoSizeChange();
  void VideoSubtypeChange();
  void VideoInputChange();
  void AnalogStandartChange();
  void PreviewFullScreenClick();
  void OverlayClick();
  void OkClick();
  void QualityClick();
  void CrossbarClick();
  void DeviceClick();
  void StreamClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void CreateControls();
  void CreateDeviceGroup();
  void CreatePreviewGroup();
  void CreateMemos();
  void CreateComponent();
  void ConnectControls();
  void ConnectComponentEvents();

  // Component event handlers.
  void RavorOderiri1ChangeVideoDevice();
  void RavorOderiri1CurrentStateChanging(TCurrentState previewState, TCurrentState newState);
  void RavorOderiri1DeviceArrival();
  void RavorOderiri1DeviceLost();
  void RavorOderiri1DiscoveringNewDevice(const std::string& deviceName, bool done);
  void RavorOderiri1ErrorLog(int errorCode, const std::string& errorMsg);
  void RavorOderiri1FrameCaptureCompleted(const std::string& fileName, bool success);
  void RavorOderiri1PreviewStarted();
  void RavorOderiri1MouseUp(TMouseButton button);
  void RavorOderiri1DblClick();

  // Overlay, frame rate, quality, crossbar and analog standard follow what the device offers.
  void RefreshCapabilities();
  void RefillDeviceList();
  void AddStatusLine(const QString& line);
  // Closes the window once the current event has been handled, so that a close asked for while
  // the window is being shown does not interrupt the showing.
  void CloseLater();

  TForm2* qualityDialog_ = nullptr;
  TDateTimeSource dateTimeSource_ = SystemDateTimeSource();
  bool pressedOnForm_ = false;
};
