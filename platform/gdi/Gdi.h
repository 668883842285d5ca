#pragma once
// Device contexts, bitmaps and fonts for drawing into device-independent bitmaps.
//
// A DIB section is a BITMAPINFOHEADER (with its colour table) plus pixel rows the caller can
// reach through the bits pointer. Text is painted with Qt into an image over those rows, in a
// font made from the LOGFONT. Handles are plain pointers owned by whoever created them: a device
// context is freed with DeleteDC, a bitmap or font with DeleteObject (which refuses an object
// still selected into a context). The UniqueDc / UniqueGdiObject holders do that on scope exit.
//
// Threads: any thread, each object used by one thread at a time. Drawing text needs a
// QGuiApplication in the process; without one DrawText draws nothing and answers 0.

#include <memory>
#include <string>

#include "gdi/BitmapInfo.h"
#include "gdi/Font.h"
#include "gdi/GdiObjects.h"

namespace gdi {
class DeviceContext;
}  // namespace gdi

using HGDIOBJ = gdi::Object*;
using HBITMAP = gdi::Bitmap*;
using HFONT = gdi::FontObject*;
using HDC = gdi::DeviceContext*;

inline constexpr UINT DIB_RGB_COLORS = 0;

// Background modes.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// DrawText format flags.
inline constexpr UINT DT_TOP = 0x0000;
inline constexpr UINT DT_LEFT = 0x0000;
inline constexpr UINT DT_CENTER = 0x0001;
inline constexpr UINT DT_RIGHT = 0x0002;
inline constexpr UINT DT_VCENTER = 0x0004;  // with DT_SINGLELINE only
inline constexpr UINT DT_BOTTOM = 0x0008;   // with DT_SINGLELINE only
inline constexpr UINT DT_WORDBREAK = 0x0010;
inline constexpr UINT DT_SINGLELINE = 0x0020;
inline constexpr UINT DT_EXPANDTABS = 0x0040;
inline constexpr UINT DT_NOCLIP = 0x0100;
inline constexpr UINT DT_CALCRECT = 0x0400;
inline constexpr UINT DT_NOPREFIX = 0x0800;

inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// A memory context (the argument must be null: there are no screen contexts). Starts with a
// default 1 x 1 bitmap and font selected, white background, opaque mode, black text.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
// Selects a bitmap or font; returns the one it replaces (null on failure). A bitmap may be
// selected into one context at a time.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// FALSE for null and for an object selected into a context; stock objects are never deleted.
BOOL DeleteObject(HGDIOBJ object);
// A font object gives its LOGFONT; answers the bytes copied (0 on failure).
int GetObject(HGDIOBJ object, int size, void* buffer);

// The previous mode or colour; 0 / CLR_INVALID on failure.
int SetBkMode(HDC dc, int mode);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF SetBkColor(HDC dc, COLORREF color);

HFONT CreateFontIndirect(const LOGFONT* logFont);

// A DIB of 1, 4, 8, 16, 24 or 32 bits (BI_RGB, or BI_BITFIELDS at 16 and 32 bits) with a
// non-zero size; *bits (may be null) receives its zero-filled pixel rows. Null for any other
// header (compressed or planar formats), and for pictures of a gigabyte and more. section and
// offset must be null and 0.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, void* section,
                         DWORD offset);
// The header of a DIB section, or null for anything else.
const BITMAPINFOHEADER* DibHeader(HBITMAP bitmap);

// Copies `lines` scan lines, numbered from the bottom of the picture as `start` onwards, from
// bits (laid out as info says) into the bitmap. The source must have the bitmap's depth and
// width; a bottom-up source fills a top-down bitmap the right way up and the other way round.
// Answers the lines copied, 0 on failure.
int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits,
              const BITMAPINFO* info, UINT usage);

// Draws UTF-8 text (count bytes, -1 for zero-terminated) into rect of the bitmap selected into
// dc, with the selected font, text colour and background mode. Lines break at "\n" (a "\r" is
// dropped) unless DT_SINGLELINE; DT_WORDBREAK wraps at the rectangle's width; "&" underlines the
// next character unless DT_NOPREFIX; the text is clipped to rect unless DT_NOCLIP. DT_CALCRECT
// draws nothing and sets rect's right and bottom to the extent of the text. Answers the height
// of the text, 0 when nothing could be drawn (no bitmap of a drawable depth: 16, 24 or 32 bits).
int DrawText(HDC dc, const char* text, int count, RECT* rect, UINT format);

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom);

namespace gdi {

struct DcDeleter {
  void operator()(DeviceContext* dc) const { (void)DeleteDC(dc); }
};
struct ObjectDeleter {
  void operator()(Object* object) const { (void)DeleteObject(object); }
};
using UniqueDc = std::unique_ptr<DeviceContext, DcDeleter>;
template <class T>
using UniqueGdiObject = std::unique_ptr<T, ObjectDeleter>;

}  // namespace gdi
