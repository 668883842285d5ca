// The inherited panel: look, caption, and the mouse and key input handed to the host's events.

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "rudozav/RudOzav.h"
#include "rudozav/core/ComponentState.h"

namespace {

constexpr int kSingleBorderWidth = 2;  // pixels on each side
constexpr int kSingleBorderAllowance = 2 * kSingleBorderWidth;
constexpr char kEscape = 27;

QColor ToQColor(TColor color) {
  if (color < 0) return QApplication::palette().color(QPalette::Window);  // a system colour
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

Qt::Alignment ToQtAlignment(TAlignment alignment) {
  switch (alignment) {
    case taLeftJustify:
      return Qt::AlignLeft | Qt::AlignVCenter;
    case taRightJustify:
      return Qt::AlignRight | Qt::AlignVCenter;
    case taCenter:
      break;
  }
  return Qt::AlignCenter;
}

TShiftState ShiftOf(const QInputEvent& event, Qt::MouseButtons buttons) {
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  TShiftState shift = 0;
  if (modifiers & Qt::ShiftModifier) shift |= ssShift;
  if (modifiers & Qt::AltModifier) shift |= ssAlt;
  if (modifiers & Qt::ControlModifier) shift |= ssCtrl;
  if (buttons & Qt::LeftButton) shift |= ssLeft;
  if (buttons & Qt::RightButton) shift |= ssRight;
  if (buttons & Qt::MiddleButton) shift |= ssMiddle;
  return shift;
}

bool ToMouseButton(Qt::MouseButton button, TMouseButton* result) {
  switch (button) {
    case Qt::LeftButton:
      *result = mbLeft;
      return true;
    case Qt::RightButton:
      *result = mbRight;
      return true;
    case Qt::MiddleButton:
      *result = mbMiddle;
      return true;
    default:
      return false;
  }
}

}  // namespace

void TRavorOderiri::SetColor(TColor value) {
  color_ = value;
  QPalette colours = palette();
  colours.setColor(QPalette::Window, ToQColor(value));
  setPalette(colours);
  setAutoFillBackground(true);
}

void TRavorOderiri::SetBorderStyle(TBorderStyle value) {
  borderStyle_ = value;
  if (value == bsSingle) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(kSingleBorderWidth);
  } else {
    setFrameStyle(QFrame::NoFrame);
  }
  state_->borderAllowance = value == bsSingle ? kSingleBorderAllowance : 0;
}

void TRavorOderiri::SetCaption(const std::string& value) {
  caption_ = value;
  update();
}

void TRavorOderiri::SetAlignment(TAlignment value) {
  alignment_ = value;
  update();
}

std::string TRavorOderiri::Name() const {
  return objectName().toStdString();
}
void TRavorOderiri::SetName(const std::string& value) {
  setObjectName(QString::fromStdString(value));
}

std::string TRavorOderiri::Hint() const {
  return toolTip().toStdString();
}
void TRavorOderiri::SetHint(const std::string& value) {
  setToolTip(QString::fromStdString(value));
}

void TRavorOderiri::SetCursor(TCursor value) {
  cursor_ = value;
  setCursor(QCursor(static_cast<Qt::CursorShape>(ui::QtCursorShape(value))));
}

void TRavorOderiri::SetVisible(bool value) {
  setVisible(value);
  ApplyFullScreenPreview();
}

void TRavorOderiri::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  if (caption_.empty()) return;
  QPainter painter(this);
  painter.drawText(contentsRect(), static_cast<int>(ToQtAlignment(alignment_)),
                   QString::fromStdString(caption_));
}

void TRavorOderiri::mousePressEvent(QMouseEvent* event) {
  TMouseButton button;
  if (OnMouseDown && ToMouseButton(event->button(), &button)) {
    const QPoint at = event->position().toPoint();
    OnMouseDown(this, button, ShiftOf(*event, event->buttons()), at.x(), at.y());
  }
}

void TRavorOderiri::mouseReleaseEvent(QMouseEvent* event) {
  TMouseButton button;
  if (!ToMouseButton(event->button(), &button)) return;
  const QPoint at = event->position().toPoint();
  // The released button still counts as held, as the host toolkit reports it.
  const TShiftState shift = ShiftOf(*event, event->buttons() | event->button());
  if (OnMouseUp) OnMouseUp(this, button, shift, at.x(), at.y());
  if (button == mbLeft && rect().contains(at) && OnClick) OnClick(this);
}

void TRavorOderiri::mouseMoveEvent(QMouseEvent* event) {
  if (!OnMouseMove) return;
  const QPoint at = event->position().toPoint();
  OnMouseMove(this, ShiftOf(*event, event->buttons()), at.x(), at.y());
}

void TRavorOderiri::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && OnDblClick) OnDblClick(this);
  TMouseButton button;
  if (OnMouseDown && ToMouseButton(event->button(), &button)) {
    const QPoint at = event->position().toPoint();
    OnMouseDown(this, button,
                static_cast<TShiftState>(ShiftOf(*event, event->buttons()) | ssDouble), at.x(),
                at.y());
  }
}

void TRavorOderiri::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  ResizeVideoWindow();  // the video follows the panel (nothing happens without a graph)
  if (OnResize) OnResize(this);
}

void TRavorOderiri::keyReleaseEvent(QKeyEvent* event) {
  const QByteArray text = event->text().toLatin1();
  if (!text.isEmpty()) {
    KeyReleased(text.front());
  } else if (event->key() == Qt::Key_Escape) {
    KeyReleased(kEscape);
  } else {
    QFrame::keyReleaseEvent(event);
  }
}

void TRavorOderiri::KeyReleased(char key) {
  if (OnFullScreenKeyPress) OnFullScreenKeyPress(this, key);
  if (key != kEscape) return;
  // Leaves full screen now; the next start of the video window shows it full screen again.
  SetFullScreenPreview(false);
  fullScreenPreview_ = true;
}
