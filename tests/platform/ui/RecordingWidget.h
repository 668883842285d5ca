#pragma once
// A widget that records the messages it receives, the thread they arrive on, and answers
// SendMessage with wParam + 1.

#include <QThread>
#include <QWidget>
#include <vector>

#include "ui/MessageEvent.h"

namespace ui_test {

class RecordingWidget : public QWidget {
 public:
  std::vector<ui::Message> received;
  bool offUiThread = false;

 protected:
  bool event(QEvent* event) override {
    if (event->type() != ui::MessageEvent::EventType()) return QWidget::event(event);
    auto* message = static_cast<ui::MessageEvent*>(event);
    if (QThread::currentThread() != thread()) offUiThread = true;
    received.push_back(message->Msg());
    message->SetResult(static_cast<LRESULT>(message->Msg().wParam + 1));
    return true;
  }
};

}  // namespace ui_test
