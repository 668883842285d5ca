#include "ui/Application.h"

#include <QApplication>
#include <future>
#include <memory>

#include "ui/UiTaskQueue.h"

namespace ui {

bool HasGuiApplication() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

bool CanAskUser() {
  if (!HasGuiApplication()) return false;
  const QString platform = QGuiApplication::platformName();
  return platform != "offscreen" && platform != "minimal";
}

bool IsUiThread() {
  return UiTaskQueue::Instance().IsUiThread();
}

void ProcessMessages() {
  if (QCoreApplication::instance() == nullptr) return;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool PostToUiThread(std::function<void()> task) {
  return UiTaskQueue::Instance().Post(std::move(task));
}

bool RunOnUiThread(const std::function<void()>& task) {
  if (IsUiThread()) {
    task();
    return true;
  }
  // The promise goes with the queued task: when the task is dropped unrun, the promise is
  // destroyed unfulfilled and the wait ends as broken.
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  if (!PostToUiThread([&task, done] {
        task();
        done->set_value();
      })) {
    return false;
  }
  done.reset();
  try {
    finished.get();
    return true;
  } catch (const std::future_error&) {
    return false;
  }
}

}  // namespace ui
