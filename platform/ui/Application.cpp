#include "ui/Application.h"

#include <QApplication>
#include <QThread>

namespace ui {

bool HasGuiApplication() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

bool IsUiThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && QThread::currentThread() == app->thread();
}

void ProcessMessages() {
  if (QCoreApplication::instance() == nullptr) return;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool PostToUiThread(std::function<void()> task) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return false;
  // A queued call on the application object is a posted event: thread-safe and first in, first
  // out with every other call queued this way.
  return QMetaObject::invokeMethod(app, std::move(task), Qt::QueuedConnection);
}

}  // namespace ui
