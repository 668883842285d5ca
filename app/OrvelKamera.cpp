// The main window's controls and their wiring: the stored layout of the form.

#include "OrvelKamera.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "GroupBox.h"
#include "HelpText.h"

namespace {

constexpr int kClientWidth = 516;
constexpr int kClientHeight = 454;
constexpr int kFontHeight = 11;  // pixels; 8 points on the screens the layout was drawn for

// Creates a control owned by parent at the given bounds. Qt's parent chain frees it.
template <class Control>
Control* Place(QWidget* parent, int left, int top, int width, int height) {
  auto* control = new Control(parent);
  control->setGeometry(left, top, width, height);
  return control;
}

QLabel* PlaceLabel(QWidget* parent, int left, int top, const QString& caption) {
  auto* label = new QLabel(caption, parent);
  label->move(left, top);
  label->adjustSize();  // auto-sized to its caption
  return label;
}

QPushButton* PlaceButton(QWidget* parent, int left, int top, int width, int height,
                         const QString& caption, const QString& hint = {}) {
  auto* button = Place<QPushButton>(parent, left, top, width, height);
  button->setText(caption);
  button->setToolTip(hint);
  return button;
}

QCheckBox* PlaceCheckBox(QWidget* parent, int left, int top, int width, int height,
                         const QString& caption, const QString& hint = {}) {
  auto* box = Place<QCheckBox>(parent, left, top, width, height);
  box->setText(caption);
  box->setToolTip(hint);
  return box;
}

TGroupBox* PlaceGroup(QWidget* parent, int left, int top, int width, int height,
                      const QString& caption) {
  auto* group = Place<TGroupBox>(parent, left, top, width, height);
  group->setTitle(caption);
  return group;
}

QPlainTextEdit* PlaceMemo(QWidget* parent, int left, int top, int width, int height) {
  auto* memo = Place<QPlainTextEdit>(parent, left, top, width, height);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  return memo;
}

QColor FromTColor(TColor color) {
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

QFont PixelFont(const QString& family, int pixelHeight, bool bold = false) {
  QFont font(family);
  font.setPixelSize(pixelHeight);
  font.setBold(bold);
  return font;
}

const QString kHintShowsDeviceDialog =
    QStringLiteral("shows the device dialog without stopping the graph");

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
  // A fixed dialog border: a title and a close button, no resizing.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(kClientWidth, kClientHeight);
  setWindowTitle(QStringLiteral("Görüntü yakalama"));
  setFont(PixelFont(QStringLiteral("MS Sans Serif"), kFontHeight));

  CreateControls();
  ConnectControls();
  CreateComponent();
  FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
  // The still picture first: it lies under every other control.
  Image1 = Place<QLabel>(this, 0, 0, 105, 105);
  RavorOderiri1 = Place<TRavorOderiri>(this, 0, 0, 320, 240);
  CreateDeviceGroup();
  CreatePreviewGroup();
  CreateMemos();
  Cikis = PlaceButton(this, 374, 395, 64, 32, QStringLiteral("Çıkış"));
}

void TForm1::CreateDeviceGroup() {
  GroupBox7 = PlaceGroup(this, 24, 248, 225, 179, QStringLiteral(" Video aygıtı "));
  VideoDevice = Place<QComboBox>(GroupBox7, 4, 15, 217, 21);
  Crossbar = PlaceButton(GroupBox7, 4, 37, 77, 17, QStringLiteral("Yayın kaynağı"),
                         QStringLiteral("crossbar dialog"));
  Quality =
      PlaceButton(GroupBox7, 83, 37, 44, 17, QStringLiteral("Kalite"), kHintShowsDeviceDialog);
  Stream = PlaceButton(GroupBox7, 129, 37, 44, 17, QStringLiteral("Akış"));
  Device = PlaceButton(GroupBox7, 177, 37, 44, 17, QStringLiteral("Aygıt"), kHintShowsDeviceDialog);
  Label2 = PlaceLabel(GroupBox7, 8, 55, QStringLiteral("Kaynak"));
  Label18 = PlaceLabel(GroupBox7, 92, 55, QStringLiteral("video tipi"));
  Label4 = PlaceLabel(GroupBox7, 171, 55, QStringLiteral("video ebadı"));
  VideoInput = Place<QComboBox>(GroupBox7, 8, 68, 84, 21);
  VideoSubtype = Place<QComboBox>(GroupBox7, 92, 68, 79, 21);
  VideoSize = Place<QComboBox>(GroupBox7, 171, 68, 48, 21);
  Label7 = PlaceLabel(GroupBox7, 66, 92, QStringLiteral("kare adedi"));
  Label19 = PlaceLabel(GroupBox7, 124, 92, QStringLiteral("Analog standardı"));
  Overlay = PlaceCheckBox(
      GroupBox7, 8, 108, 55, 18, QStringLiteral("Bindirme"),
      QStringLiteral("Discards half of the frames in the video stream. For NTSC, the frame rate "
                     "is reduced from 30 frames per second (fps) to 15 fps. For PAL, the frame "
                     "rate is reduced from 25 fps to 12.5 fps"));
  FrameRate = Place<QLineEdit>(GroupBox7, 66, 105, 30, 21);
  FrameRate->setText(QStringLiteral("1"));
  FrameRate->setToolTip(
      QStringLiteral("Device frame rate. Does not apply to DV. Click on \"apply\" to validate "
                     "changes."));
  Ok = PlaceButton(GroupBox7, 98, 105, 18, 21, QStringLiteral("Ok"));
  AnalogStandart = Place<QComboBox>(GroupBox7, 117, 105, 83, 21);
}

void TForm1::CreatePreviewGroup() {
  GroupBox6 = PlaceGroup(GroupBox7, 4, 125, 218, 51, QStringLiteral(" Önizleme "));
  Start = PlaceButton(GroupBox6, 3, 16, 44, 24, QStringLiteral("Başlat"));
  QPalette blue = Start->palette();
  blue.setColor(QPalette::ButtonText, Qt::blue);
  Start->setPalette(blue);
  Stop = PlaceButton(GroupBox6, 47, 16, 44, 24, QStringLiteral("Dur"));
  Freeze = PlaceButton(GroupBox6, 91, 16, 44, 24, QStringLiteral("Yakala"));
  PreviewFullScreen = PlaceCheckBox(GroupBox6, 137, 20, 70, 17, QStringLiteral("TamEkran"));
}

void TForm1::CreateMemos() {
  Memo1 = PlaceMemo(this, 0, 432, 516, 22);
  Memo1->document()->setDocumentMargin(2);

  Memo2 = PlaceMemo(this, 320, 0, 193, 337);
  Memo2->setReadOnly(true);
  Memo2->setFrameShape(QFrame::NoFrame);
  Memo2->setFont(PixelFont(QStringLiteral("Tahoma"), kFontHeight, true));
  QPalette silver = Memo2->palette();
  silver.setColor(QPalette::Base, FromTColor(clSilver));
  silver.setColor(QPalette::Text, FromTColor(clNavy));
  Memo2->setPalette(silver);
  Memo2->setPlainText(HelpTextLines().join(u'\n'));
}

// The component as the form streams it: its stored values, its events, then loading. Every
// control exists by then, since loading already fires events that the window shows.
void TForm1::CreateComponent() {
  TRavorOderiri& video = *RavorOderiri1;
  video.SetName("RavorOderiri1");
  video.SetColor(clGray);
  video.SetBorderStyle(bsSingle);
  video.SetBurstInterval(0);
  video.SetDroppedFrameCountMethod(fim_Polling);
  video.SetFrameRate(15);
  video.SetAlignment(taLeftJustify);
  TFont textFont;
  textFont.Name = "Arial";
  textFont.Height = -12;
  textFont.Color = clAqua;
  video.SetTextOnFrameFont(textFont);
  ConnectComponentEvents();
  video.Loaded();
}

void TForm1::ConnectControls() {
  connect(VideoDevice, &QComboBox::activated, this, &TForm1::VideoDeviceChange);
  connect(VideoInput, &QComboBox::activated, this, &TForm1::VideoInputChange);
  connect(VideoSubtype, &QComboBox::activated, this, &TForm1::VideoSubtypeChange);
  connect(VideoSize, &QComboBox::activated, this, &TForm1::VideoSizeChange);
  connect(AnalogStandart, &QComboBox::activated, this, &TForm1::AnalogStandartChange);
  connect(Crossbar, &QPushButton::clicked, this, &TForm1::CrossbarClick);
  connect(Quality, &QPushButton::clicked, this, &TForm1::QualityClick);
  connect(Stream, &QPushButton::clicked, this, &TForm1::StreamClick);
  connect(Device, &QPushButton::clicked, this, &TForm1::DeviceClick);
  connect(Overlay, &QCheckBox::clicked, this, &TForm1::OverlayClick);
  connect(Ok, &QPushButton::clicked, this, &TForm1::OkClick);
  connect(Start, &QPushButton::clicked, this, &TForm1::StartClick);
  connect(Stop, &QPushButton::clicked, this, &TForm1::StopClick);
  connect(Freeze, &QPushButton::clicked, this, &TForm1::FreezeClick);
  connect(PreviewFullScreen, &QCheckBox::clicked, this, &TForm1::PreviewFullScreenClick);
  connect(Cikis, &QPushButton::clicked, this, &TForm1::CikisClick);
}
