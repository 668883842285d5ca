#pragma once
// Modal message boxes: MessageBox with its button and icon flags, and the toolkit's plain
// ShowMessage.
//
// A hook, when set, answers every box instead of the user (tests record the texts and choose the
// answer). Without a hook the box is a QMessageBox on the UI thread. When nobody can answer it,
// because no QApplication exists or the display is offscreen or minimal, the caption and text
// are written to standard error and the box returns the answer of dismissing it: IDOK for a box
// with OK alone, IDCANCEL when it has Cancel, IDNO for Yes/No, IDABORT for Abort/Retry/Ignore.

#include <functional>
#include <string>

#include "ui/Message.h"

inline constexpr UINT MB_OK = 0x0;
inline constexpr UINT MB_OKCANCEL = 0x1;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
inline constexpr UINT MB_YESNOCANCEL = 0x3;
inline constexpr UINT MB_YESNO = 0x4;
inline constexpr UINT MB_RETRYCANCEL = 0x5;
inline constexpr UINT MB_TYPEMASK = 0xF;
inline constexpr UINT MB_ICONHAND = 0x10;
inline constexpr UINT MB_ICONQUESTION = 0x20;
inline constexpr UINT MB_ICONEXCLAMATION = 0x30;
inline constexpr UINT MB_ICONASTERISK = 0x40;
inline constexpr UINT MB_ICONERROR = MB_ICONHAND;
inline constexpr UINT MB_ICONSTOP = MB_ICONHAND;
inline constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr UINT MB_ICONMASK = 0xF0;
inline constexpr UINT MB_DEFBUTTON1 = 0x000;
inline constexpr UINT MB_DEFBUTTON2 = 0x100;
inline constexpr UINT MB_DEFBUTTON3 = 0x200;
inline constexpr UINT MB_DEFMASK = 0xF00;
inline constexpr UINT MB_APPLMODAL = 0x0000;
inline constexpr UINT MB_SYSTEMMODAL = 0x1000;
inline constexpr UINT MB_TASKMODAL = 0x2000;
inline constexpr UINT MB_SETFOREGROUND = 0x10000;
inline constexpr UINT MB_TOPMOST = 0x40000;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

namespace ui {

struct MessageBoxRequest {
  HWND parent = nullptr;
  std::string text;     // as given, line breaks included
  std::string caption;  // ShowMessage: the application's display name
  UINT flags = MB_OK;
};

using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;

// Installs hook (an empty one removes it) and returns the one it replaces. Any thread may call it;
// the hook runs on the thread that shows the box.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// The answer of a box that is closed without choosing a button.
int DismissAnswer(UINT flags);

// The toolkit's plain message: OK alone, no icon, the application's name as caption.
void ShowMessage(const std::string& text);

}  // namespace ui

// Shows the box and returns the button chosen (IDOK, IDCANCEL, IDYES ...). Any thread may call
// it; from another thread it waits while the UI thread shows the box.
int MessageBox(HWND parent, const char* text, const char* caption, UINT flags);
