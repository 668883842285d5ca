#pragma once
// Window messages delivered to widgets.
//
// PostMessage queues a message for a widget; SendMessage delivers it at once. Either way the
// widget receives a ui::MessageEvent through QWidget::event() on the UI thread. The event arrives
// ignored; a widget that handles the message accepts it (SetResult accepts it too). A message left
// ignored gets the default handling: WM_CLOSE closes the widget, every other message is dropped
// with result 0. (Qt's event() returns true for every custom event, so it cannot tell.)
//
// Posted messages travel through the UI thread's task queue (ui::PostToUiThread), so messages
// posted from any threads arrive in the order they were posted. When a message is delivered the
// handle is looked up among the live widgets first: a message for a widget destroyed in the
// meantime is dropped. (A new widget created at the very same address would receive it, as a reused
// handle would.)

#include <QEvent>

#include "ui/Message.h"

namespace ui {

class MessageEvent : public QEvent {
 public:
  explicit MessageEvent(const Message& message);

  // The event type of every MessageEvent, registered with Qt once.
  static QEvent::Type EventType();

  const Message& Msg() const { return message_; }
  LRESULT Result() const { return result_; }
  // Also marks the message handled.
  void SetResult(LRESULT result) {
    result_ = result;
    accept();
  }

 private:
  Message message_;
  LRESULT result_ = 0;
};

// The message carried by event, or null when event is not a MessageEvent. For event() overrides.
const Message* AsMessage(const QEvent* event);

}  // namespace ui

// Queues the message for the widget. Any thread may call it. Returns FALSE when hwnd is null or no
// application exists; on the UI thread also when hwnd names no live widget.
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Delivers the message and returns the widget's result (0 when hwnd names no live widget). From
// another thread the call waits until the UI thread has delivered it, so it must not be made while
// the UI thread waits for the calling thread.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
