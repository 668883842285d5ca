#include "rudozav/core/MouseMessages.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>
#include <cstdint>

namespace {

// Messages and wParam flags of the middle button and the keys, beside those platform/ui names.
constexpr UINT kMiddleButtonDown = 0x0207;
constexpr UINT kMiddleButtonUp = 0x0208;
constexpr UINT kMiddleButtonDoubleClick = 0x0209;
constexpr WPARAM kMkLeft = 0x0001;
constexpr WPARAM kMkRight = 0x0002;
constexpr WPARAM kMkShift = 0x0004;
constexpr WPARAM kMkControl = 0x0008;
constexpr WPARAM kMkMiddle = 0x0010;

struct TMouseMessage {
  QEvent::Type type;
  Qt::MouseButton button;
};

bool Translate(UINT msg, TMouseMessage* result) {
  switch (msg) {
    case WM_MOUSEMOVE:
      *result = {QEvent::MouseMove, Qt::NoButton};
      return true;
    case WM_LBUTTONDOWN:
      *result = {QEvent::MouseButtonPress, Qt::LeftButton};
      return true;
    case WM_LBUTTONUP:
      *result = {QEvent::MouseButtonRelease, Qt::LeftButton};
      return true;
    case WM_LBUTTONDBLCLK:
      *result = {QEvent::MouseButtonDblClick, Qt::LeftButton};
      return true;
    case WM_RBUTTONDOWN:
      *result = {QEvent::MouseButtonPress, Qt::RightButton};
      return true;
    case WM_RBUTTONUP:
      *result = {QEvent::MouseButtonRelease, Qt::RightButton};
      return true;
    case WM_RBUTTONDBLCLK:
      *result = {QEvent::MouseButtonDblClick, Qt::RightButton};
      return true;
    case kMiddleButtonDown:
      *result = {QEvent::MouseButtonPress, Qt::MiddleButton};
      return true;
    case kMiddleButtonUp:
      *result = {QEvent::MouseButtonRelease, Qt::MiddleButton};
      return true;
    case kMiddleButtonDoubleClick:
      *result = {QEvent::MouseButtonDblClick, Qt::MiddleButton};
      return true;
    default:
      return false;
  }
}

}  // namespace

bool IsMouseMessage(UINT msg) {
  TMouseMessage ignored;
  return Translate(msg, &ignored);
}

void DeliverMouseMessage(QWidget& target, const ui::Message& message) {
  TMouseMessage mouse;
  if (!Translate(message.msg, &mouse)) return;
  // The point: signed x in the low word, signed y in the high word.
  const auto lParam = static_cast<std::uint32_t>(message.lParam);
  const QPointF at(static_cast<std::int16_t>(lParam & 0xFFFF),
                   static_cast<std::int16_t>((lParam >> 16) & 0xFFFF));
  Qt::MouseButtons buttons;
  if ((message.wParam & kMkLeft) != 0) buttons |= Qt::LeftButton;
  if ((message.wParam & kMkRight) != 0) buttons |= Qt::RightButton;
  if ((message.wParam & kMkMiddle) != 0) buttons |= Qt::MiddleButton;
  Qt::KeyboardModifiers keys;
  if ((message.wParam & kMkShift) != 0) keys |= Qt::ShiftModifier;
  if ((message.wParam & kMkControl) != 0) keys |= Qt::ControlModifier;
  QMouseEvent event(mouse.type, at, target.mapToGlobal(at), mouse.button, buttons, keys);
  QCoreApplication::sendEvent(&target, &event);
}
