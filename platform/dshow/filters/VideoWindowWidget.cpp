#include "dshow/filters/VideoWindowWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <utility>

#include "ui/MessageEvent.h"

namespace {

// Client coordinates packed as the low and high words of lParam.
LPARAM PointParam(const QPoint& point) {
  const auto x = static_cast<WORD>(static_cast<int16_t>(point.x()));
  const auto y = static_cast<WORD>(static_cast<int16_t>(point.y()));
  return static_cast<LPARAM>((static_cast<DWORD>(y) << 16) | x);
}

WPARAM MouseFlags(const QMouseEvent& event) {
  WPARAM flags = 0;
  const Qt::MouseButtons buttons = event.buttons();
  if (buttons & Qt::LeftButton) flags |= MK_LBUTTON;
  if (buttons & Qt::RightButton) flags |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) flags |= MK_MBUTTON;
  if (event.modifiers() & Qt::ShiftModifier) flags |= MK_SHIFT;
  if (event.modifiers() & Qt::ControlModifier) flags |= MK_CONTROL;
  return flags;
}

}  // namespace

WPARAM VirtualKeyOf(int qtKey) {
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
    return static_cast<WPARAM>(qtKey);  // Qt uses the ASCII codes here, as virtual keys do
  }
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
    return static_cast<WPARAM>(0x70 + (qtKey - Qt::Key_F1));
  }
  switch (qtKey) {
    case Qt::Key_Backspace:
      return VK_BACK;
    case Qt::Key_Tab:
      return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return VK_RETURN;
    case Qt::Key_Escape:
      return VK_ESCAPE;
    case Qt::Key_Space:
      return VK_SPACE;
    case Qt::Key_Shift:
      return 0x10;
    case Qt::Key_Control:
      return 0x11;
    case Qt::Key_Alt:
      return 0x12;
    case Qt::Key_Pause:
      return 0x13;
    case Qt::Key_PageUp:
      return 0x21;
    case Qt::Key_PageDown:
      return 0x22;
    case Qt::Key_End:
      return 0x23;
    case Qt::Key_Home:
      return 0x24;
    case Qt::Key_Left:
      return 0x25;
    case Qt::Key_Up:
      return 0x26;
    case Qt::Key_Right:
      return 0x27;
    case Qt::Key_Down:
      return 0x28;
    case Qt::Key_Insert:
      return 0x2D;
    case Qt::Key_Delete:
      return 0x2E;
    default:
      return 0;
  }
}

VideoWindowWidget::VideoWindowWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is painted: no background fill needed
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
}

void VideoWindowWidget::ShowFrame(QImage frame) {
  frame_ = std::move(frame);
  ++framesShown_;
  update();
}

void VideoWindowWidget::SetPictureRects(const QRect& source, const QRect& destination) {
  source_ = source;
  destination_ = destination;
  update();
}

void VideoWindowWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect target = destination_.isEmpty() ? rect() : destination_;
  if (frame_.isNull() || target != rect()) painter.fillRect(rect(), Qt::black);
  if (frame_.isNull()) return;
  // Scaled without smoothing: the cheapest way to fill the window.
  painter.drawImage(target, frame_, source_.isEmpty() ? frame_.rect() : source_);
}

bool VideoWindowWidget::Forward(UINT message, WPARAM wParam, LPARAM lParam) {
  if (drain_.isNull()) return false;
  PostMessage(drain_.data(), message, wParam, lParam);
  return true;
}

bool VideoWindowWidget::ForwardMouse(QMouseEvent* event, UINT left, UINT right, UINT middle) {
  UINT message = 0;
  switch (event->button()) {
    case Qt::LeftButton:
      message = left;
      break;
    case Qt::RightButton:
      message = right;
      break;
    case Qt::MiddleButton:
      message = middle;
      break;
    default:
      return false;
  }
  return Forward(message, MouseFlags(*event), PointParam(event->position().toPoint()));
}

bool VideoWindowWidget::ForwardKey(QKeyEvent* event, UINT message) {
  const WPARAM key = VirtualKeyOf(event->key());
  if (key == 0) return false;
  // lParam: a repeat count of 1; key releases also carry the previous-state and transition bits.
  const LPARAM flags = message == WM_KEYUP ? LPARAM{0xC0000001} : LPARAM{1};
  return Forward(message, key, flags);
}

void VideoWindowWidget::mousePressEvent(QMouseEvent* event) {
  if (!ForwardMouse(event, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN)) {
    QWidget::mousePressEvent(event);
  }
}

void VideoWindowWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (!ForwardMouse(event, WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP)) {
    QWidget::mouseReleaseEvent(event);
  }
}

void VideoWindowWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!ForwardMouse(event, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK)) {
    QWidget::mouseDoubleClickEvent(event);
  }
}

void VideoWindowWidget::mouseMoveEvent(QMouseEvent* event) {
  if (!Forward(WM_MOUSEMOVE, MouseFlags(*event), PointParam(event->position().toPoint()))) {
    QWidget::mouseMoveEvent(event);
  }
}

void VideoWindowWidget::keyPressEvent(QKeyEvent* event) {
  if (!ForwardKey(event, WM_KEYDOWN)) QWidget::keyPressEvent(event);
}

void VideoWindowWidget::keyReleaseEvent(QKeyEvent* event) {
  if (event->isAutoRepeat() || !ForwardKey(event, WM_KEYUP)) QWidget::keyReleaseEvent(event);
}
