#pragma once
// Logical fonts and colours as the drawing functions and the filter modules' control record
// carry them. The layout is fixed (60 bytes): records holding a LOGFONT are shared byte for byte.

#include <cstddef>

#include "com/Types.h"

using COLORREF = DWORD;  // 0x00BBGGRR

constexpr COLORREF RGB(BYTE red, BYTE green, BYTE blue) {
  return COLORREF{red} | (COLORREF{green} << 8) | (COLORREF{blue} << 16);
}
constexpr BYTE GetRValue(COLORREF color) {
  return static_cast<BYTE>(color & 0xFF);
}
constexpr BYTE GetGValue(COLORREF color) {
  return static_cast<BYTE>((color >> 8) & 0xFF);
}
constexpr BYTE GetBValue(COLORREF color) {
  return static_cast<BYTE>((color >> 16) & 0xFF);
}

inline constexpr int LF_FACESIZE = 32;

inline constexpr LONG FW_DONTCARE = 0;
inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_BOLD = 700;

inline constexpr BYTE ANSI_CHARSET = 0;
inline constexpr BYTE DEFAULT_CHARSET = 1;
inline constexpr BYTE TURKISH_CHARSET = 162;

inline constexpr BYTE DEFAULT_PITCH = 0;
inline constexpr BYTE FIXED_PITCH = 1;
inline constexpr BYTE VARIABLE_PITCH = 2;

struct LOGFONT {
  // Negative: character height in pixels; positive: cell height (character plus internal
  // leading); 0: a default size.
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = FW_DONTCARE;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = ANSI_CHARSET;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = DEFAULT_PITCH;
  char lfFaceName[LF_FACESIZE] = {};  // UTF-8, zero-terminated
};
static_assert(sizeof(LOGFONT) == 60);
static_assert(offsetof(LOGFONT, lfFaceName) == 28);
