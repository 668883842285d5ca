#include "AutoQuit.h"

#include <QApplication>
#include <QDialog>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

void SaveScreen(const QString& path) {
  QScreen* screen = QGuiApplication::primaryScreen();
  const QPixmap picture = screen != nullptr ? screen->grabWindow(0) : QPixmap();
  if (picture.isNull() || !picture.save(path))
    std::fprintf(stderr, "orvelcam: cannot save the screen to %s\n", qPrintable(path));
}

void CloseModalBoxes() {
  // Each box closed returns from its own loop; a box that refuses to close ends the attempt.
  for (QWidget* box = QApplication::activeModalWidget(); box != nullptr;) {
    if (auto* dialog = qobject_cast<QDialog*>(box)) {
      dialog->reject();
    } else {
      box->close();
    }
    QWidget* next = QApplication::activeModalWidget();
    if (next == box) break;
    box = next;
  }
}

}  // namespace

void ScheduleAutoQuit(QWidget& mainWindow) {
  bool ok = false;
  const int delay = qEnvironmentVariableIntValue("ORVELCAM_QUIT_AFTER_MS", &ok);
  if (!ok || delay < 0) return;
  const QString screenshot = qEnvironmentVariable("ORVELCAM_SCREENSHOT");
  QPointer<QWidget> window(&mainWindow);
  QTimer::singleShot(delay, qApp, [window, screenshot] {
    if (!screenshot.isEmpty()) SaveScreen(screenshot);
    CloseModalBoxes();
    // Closed once the boxes' own loops have returned.
    if (window) QTimer::singleShot(0, window, &QWidget::close);
  });
}
