#include "ui/MessageEvent.h"

#include <QApplication>
#include <QWidget>

#include "com/Diagnostics.h"
#include "ui/Application.h"
#include "ui/Window.h"

namespace ui {
namespace {

// The default handling of a message the widget left alone.
LRESULT DefaultHandling(HWND hwnd, UINT msg) {
  if (msg == WM_CLOSE) hwnd->close();
  return 0;
}

// UI thread only.
LRESULT Deliver(const Message& message) {
  if (!::IsWindow(message.hwnd)) {
    diag::Debug("ui", "message 0x", std::hex, message.msg, " for a window that is gone");
    return 0;
  }
  MessageEvent event(message);
  QCoreApplication::sendEvent(message.hwnd, &event);
  if (!event.isAccepted()) return DefaultHandling(message.hwnd, message.msg);
  return event.Result();
}

}  // namespace

MessageEvent::MessageEvent(const Message& message) : QEvent(EventType()), message_(message) {
  setAccepted(false);
}

QEvent::Type MessageEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

const Message* AsMessage(const QEvent* event) {
  if (event == nullptr || event->type() != MessageEvent::EventType()) return nullptr;
  return &static_cast<const MessageEvent*>(event)->Msg();
}

}  // namespace ui

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd == nullptr) return FALSE;
  if (ui::IsUiThread() && !IsWindow(hwnd)) return FALSE;
  const ui::Message message{hwnd, msg, wParam, lParam};
  // The handle is only compared, never dereferenced, until the UI thread finds it alive.
  return ui::PostToUiThread([message] { ui::Deliver(message); }) ? TRUE : FALSE;
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const ui::Message message{hwnd, msg, wParam, lParam};
  if (hwnd == nullptr || !ui::HasGuiApplication()) return 0;
  LRESULT result = 0;
  // A message that cannot be delivered any more leaves the result at 0.
  ui::RunOnUiThread([&result, &message] { result = ui::Deliver(message); });
  return result;
}
