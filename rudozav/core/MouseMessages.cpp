#include "rudozav/core/MouseMessages.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>
#include <cstdint>

namespace {

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
    case WM_MBUTTONDOWN:
      *result = {QEvent::MouseButtonPress, Qt::MiddleButton};
      return true;
    case WM_MBUTTONUP:
      *result = {QEvent::MouseButtonRelease, Qt::MiddleButton};
      return true;
    case WM_MBUTTONDBLCLK:
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
  if ((message.wParam & MK_LBUTTON) != 0) buttons |= Qt::LeftButton;
  if ((message.wParam & MK_RBUTTON) != 0) buttons |= Qt::RightButton;
  if ((message.wParam & MK_MBUTTON) != 0) buttons |= Qt::MiddleButton;
  Qt::KeyboardModifiers keys;
  if ((message.wParam & MK_SHIFT) != 0) keys |= Qt::ShiftModifier;
  if ((message.wParam & MK_CONTROL) != 0) keys |= Qt::ControlModifier;
  QMouseEvent event(mouse.type, at, target.mapToGlobal(at), mouse.button, buttons, keys);
  QCoreApplication::sendEvent(&target, &event);
}
