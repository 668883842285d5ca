#pragma once
// Top-level windows: their class names and captions, enumeration and search, showing.
//
// A window's caption is the widget's windowTitle(). Its class name is the dynamic property
// "windowClass" when one was set (SetWindowClassName), else the name of the widget's most derived
// class that has a meta-object (a form class TForm1 declared with Q_OBJECT is "TForm1").
// All of these run on the UI thread. Texts are UTF-8.

#include <functional>
#include <string>

#include "ui/Message.h"

namespace ui {

inline constexpr char kWindowClassProperty[] = "windowClass";

void SetWindowClassName(HWND hwnd, const std::string& className);
std::string WindowClassName(HWND hwnd);
std::string WindowText(HWND hwnd);

// Calls visit for each top-level widget, hidden ones included, until it returns false.
// The order is unspecified.
void EnumWindows(const std::function<bool(HWND)>& visit);

}  // namespace ui

using WNDENUMPROC = BOOL (*)(HWND hwnd, LPARAM lParam);

// Whether hwnd names a live widget.
BOOL IsWindow(HWND hwnd);
// Calls proc for each top-level window until it returns FALSE. Returns TRUE.
BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam);
// The first top-level window whose class name and caption match; a null argument matches any.
HWND FindWindow(const char* className, const char* windowName);

// Copies the caption into text, cut to maxCount - 1 bytes (never inside a UTF-8 sequence) and
// terminated. Returns the number of bytes copied, 0 for a bad handle or buffer.
int GetWindowText(HWND hwnd, char* text, int maxCount);
int GetWindowTextLength(HWND hwnd);
BOOL SetWindowText(HWND hwnd, const char* text);
// Copies the class name like GetWindowText.
int GetClassName(HWND hwnd, char* className, int maxCount);

// Window style bits, as IVideoWindow::put_WindowStyle takes them.
inline constexpr LONG WS_CHILD = 0x40000000;
inline constexpr LONG WS_VISIBLE = 0x10000000;
inline constexpr LONG WS_CAPTION = 0x00C00000;  // title bar and border
inline constexpr LONG WS_OVERLAPPEDWINDOW = 0x00CF0000;

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_RESTORE = 9;

// Shows, hides, maximises or restores the widget. Returns whether it was visible before.
BOOL ShowWindow(HWND hwnd, int command);
BOOL IsWindowVisible(HWND hwnd);
