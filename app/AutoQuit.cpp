#include "AutoQuit.h"

#include <QApplication>
#include <QDialog>
#include <QMouseEvent>
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

// Presses and releases the left button on whatever window shows at the centre of the screen.
void ClickScreenCentre() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QPoint centre = screen->geometry().center();
  QWidget* target = QApplication::widgetAt(centre);
  if (target == nullptr) {
    std::fprintf(stderr, "orvelcam: no window to click at the centre of the screen\n");
    return;
  }
  const QPointF local = target->mapFromGlobal(centre);
  QMouseEvent press(QEvent::MouseButtonPress, local, QPointF(centre), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, QPointF(centre), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(target, &release);
}

void ScheduleAutoClick() {
  bool ok = false;
  const int delay = qEnvironmentVariableIntValue("ORVELCAM_CLICK_AFTER_MS", &ok);
  if (ok && delay >= 0) QTimer::singleShot(delay, qApp, &ClickScreenCentre);
}

}  // namespace

void ScheduleAutoQuit(QWidget& mainWindow) {
  ScheduleAutoClick();
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
