#include "ui/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <mutex>
#include <vector>

#include "ui/Application.h"

namespace ui {
namespace {

std::mutex g_hookMutex;
MessageBoxHook g_hook;  // guarded by g_hookMutex

MessageBoxHook CurrentHook() {
  std::lock_guard lock(g_hookMutex);
  return g_hook;
}

// The buttons of a box type, left to right.
std::vector<QMessageBox::StandardButton> ButtonsOf(UINT flags) {
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {QMessageBox::Ok, QMessageBox::Cancel};
    case MB_ABORTRETRYIGNORE:
      return {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore};
    case MB_YESNOCANCEL:
      return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    case MB_YESNO:
      return {QMessageBox::Yes, QMessageBox::No};
    case MB_RETRYCANCEL:
      return {QMessageBox::Retry, QMessageBox::Cancel};
    default:
      return {QMessageBox::Ok};
  }
}

QMessageBox::Icon IconOf(UINT flags) {
  switch (flags & MB_ICONMASK) {
    case MB_ICONHAND:
      return QMessageBox::Critical;
    case MB_ICONQUESTION:
      return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
      return QMessageBox::Warning;
    case MB_ICONASTERISK:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

int AnswerOf(int button, UINT flags) {
  switch (button) {
    case QMessageBox::Ok:
      return IDOK;
    case QMessageBox::Cancel:
      return IDCANCEL;
    case QMessageBox::Abort:
      return IDABORT;
    case QMessageBox::Retry:
      return IDRETRY;
    case QMessageBox::Ignore:
      return IDIGNORE;
    case QMessageBox::Yes:
      return IDYES;
    case QMessageBox::No:
      return IDNO;
    default:
      return DismissAnswer(flags);
  }
}

// UI thread only.
int ShowQtBox(const MessageBoxRequest& request) {
  QString text = QString::fromStdString(request.text);
  text.replace("\r\n", "\n");
  QMessageBox box(IconOf(request.flags), QString::fromStdString(request.caption), text,
                  QMessageBox::NoButton, request.parent);
  const std::vector<QMessageBox::StandardButton> buttons = ButtonsOf(request.flags);
  for (QMessageBox::StandardButton button : buttons)
    box.addButton(button);
  const std::size_t defaultIndex = (request.flags & MB_DEFMASK) >> 8;
  if (defaultIndex < buttons.size()) box.setDefaultButton(buttons[defaultIndex]);
  if (request.flags & (MB_TOPMOST | MB_SYSTEMMODAL)) {
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
  }
  return AnswerOf(box.exec(), request.flags);
}

int Show(const MessageBoxRequest& request) {
  if (const MessageBoxHook hook = CurrentHook()) return hook(request);
  if (!CanAskUser()) {
    std::fprintf(stderr, "[%s] %s\n", request.caption.c_str(), request.text.c_str());
    return DismissAnswer(request.flags);
  }
  int answer = DismissAnswer(request.flags);
  // A box that cannot be shown any more (the application is ending) counts as dismissed.
  RunOnUiThread([&answer, &request] { answer = ShowQtBox(request); });
  return answer;
}

}  // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  std::lock_guard lock(g_hookMutex);
  std::swap(hook, g_hook);
  return hook;
}

int DismissAnswer(UINT flags) {
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
      return IDCANCEL;
    case MB_YESNO:
      return IDNO;
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    default:
      return IDOK;
  }
}

void ShowMessage(const std::string& text) {
  std::string caption;
  if (HasGuiApplication()) caption = QGuiApplication::applicationDisplayName().toStdString();
  Show({nullptr, text, caption, MB_OK});
}

}  // namespace ui

int MessageBox(HWND parent, const char* text, const char* caption, UINT flags) {
  return ui::Show({parent, text == nullptr ? "" : text, caption == nullptr ? "" : caption, flags});
}
