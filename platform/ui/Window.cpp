#include "ui/Window.h"

#include <QApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cstring>

#include "ui/Application.h"

namespace ui {

void SetWindowClassName(HWND hwnd, const std::string& className) {
  if (hwnd == nullptr) return;
  hwnd->setProperty(kWindowClassProperty, QString::fromStdString(className));
}

std::string WindowClassName(HWND hwnd) {
  if (hwnd == nullptr) return {};
  const QVariant property = hwnd->property(kWindowClassProperty);
  if (property.isValid()) return property.toString().toStdString();
  return hwnd->metaObject()->className();
}

std::string WindowText(HWND hwnd) {
  if (hwnd == nullptr) return {};
  return hwnd->windowTitle().toStdString();
}

void EnumWindows(const std::function<bool(HWND)>& visit) {
  if (!HasGuiApplication()) return;
  // A copy: visit may create or destroy windows.
  const QWidgetList windows = QApplication::topLevelWidgets();
  for (QWidget* window : windows) {
    if (!visit(window)) return;
  }
}

}  // namespace ui

namespace {

// Copies value into buffer like the text getters do: cut on a UTF-8 character boundary.
int CopyText(const std::string& value, char* buffer, int maxCount) {
  if (buffer == nullptr || maxCount <= 0) return 0;
  std::size_t length = std::min(value.size(), static_cast<std::size_t>(maxCount - 1));
  // Back off over continuation bytes (10xxxxxx) when the cut falls inside a character.
  if (length < value.size()) {
    while (length > 0 && (static_cast<unsigned char>(value[length]) & 0xC0) == 0x80)
      --length;
  }
  std::memcpy(buffer, value.data(), length);
  buffer[length] = '\0';
  return static_cast<int>(length);
}

}  // namespace

BOOL IsWindow(HWND hwnd) {
  return hwnd != nullptr && ui::HasGuiApplication() && QApplication::allWidgets().contains(hwnd)
             ? TRUE
             : FALSE;
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
  if (proc == nullptr) return FALSE;
  ui::EnumWindows([proc, lParam](HWND hwnd) { return proc(hwnd, lParam) != FALSE; });
  return TRUE;
}

HWND FindWindow(const char* className, const char* windowName) {
  HWND found = nullptr;
  ui::EnumWindows([&](HWND hwnd) {
    if (className != nullptr && ui::WindowClassName(hwnd) != className) return true;
    if (windowName != nullptr && ui::WindowText(hwnd) != windowName) return true;
    found = hwnd;
    return false;
  });
  return found;
}

int GetWindowText(HWND hwnd, char* text, int maxCount) {
  if (!IsWindow(hwnd)) return CopyText({}, text, maxCount);
  return CopyText(ui::WindowText(hwnd), text, maxCount);
}

int GetWindowTextLength(HWND hwnd) {
  if (!IsWindow(hwnd)) return 0;
  return static_cast<int>(ui::WindowText(hwnd).size());
}

BOOL SetWindowText(HWND hwnd, const char* text) {
  if (!IsWindow(hwnd)) return FALSE;
  hwnd->setWindowTitle(QString::fromUtf8(text == nullptr ? "" : text));
  return TRUE;
}

int GetClassName(HWND hwnd, char* className, int maxCount) {
  if (!IsWindow(hwnd)) return CopyText({}, className, maxCount);
  return CopyText(ui::WindowClassName(hwnd), className, maxCount);
}

BOOL ShowWindow(HWND hwnd, int command) {
  if (!IsWindow(hwnd)) return FALSE;
  const BOOL wasVisible = hwnd->isVisible() ? TRUE : FALSE;
  switch (command) {
    case SW_HIDE:
      hwnd->hide();
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
      hwnd->showMinimized();
      break;
    case SW_SHOWMAXIMIZED:
      // Without a window manager (a bare X server) maximising changes nothing: the window is
      // given the screen's free area itself.
      if (hwnd->isWindow() && hwnd->screen() != nullptr)
        hwnd->setGeometry(hwnd->screen()->availableGeometry());
      hwnd->showMaximized();
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
      hwnd->showNormal();
      break;
    default:
      hwnd->show();
      break;
  }
  return wasVisible;
}

BOOL IsWindowVisible(HWND hwnd) {
  return IsWindow(hwnd) && hwnd->isVisible() ? TRUE : FALSE;
}
