#pragma once
// The screen cursor: one cursor shown over every window of the application, named by the
// toolkit's cursor numbers. It is the application override cursor; the platform keeps Qt's stack
// of override cursors at most one deep, so setting cursors never leaks entries, and crDefault
// removes the override. UI thread only.

#include <cstdint>

using TCursor = std::int16_t;

inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crHSplit = -14;
inline constexpr TCursor crVSplit = -15;
inline constexpr TCursor crMultiDrag = -16;
inline constexpr TCursor crSQLWait = -17;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;

namespace ui {

// The last cursor set (crDefault at start). Without a GUI application the value is only stored.
TCursor ScreenCursor();
void SetScreenCursor(TCursor cursor);

// The Qt shape shown for a cursor number; numbers without a shape of their own show the arrow.
// Returns an int holding a Qt::CursorShape so that this header needs no Qt header.
int QtCursorShape(TCursor cursor);

}  // namespace ui
