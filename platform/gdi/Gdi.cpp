// Contexts, DIB sections, fonts and SetDIBits. Text drawing is in DrawText.cpp.

#include "gdi/Gdi.h"

#include <cstring>

#include "gdi/DeviceContext.h"

namespace gdi {
namespace {

// Pictures this large are refused rather than allocated.
constexpr ULONGLONG kMaxDibBytes = ULONGLONG{1} << 30;

bool IsPlainRgb(const BITMAPINFOHEADER& header) {
  if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1) return false;
  if (header.biWidth <= 0 || header.biHeight == 0) return false;
  switch (header.biBitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
      return header.biCompression == BI_RGB;
    case 16:
    case 32:
      return header.biCompression == BI_RGB || header.biCompression == BI_BITFIELDS;
    default:
      return false;
  }
}

ULONGLONG DibBytes(const BITMAPINFOHEADER& header) {
  const auto rows = static_cast<ULONGLONG>(header.biHeight < 0 ? -LONGLONG{header.biHeight}
                                                               : LONGLONG{header.biHeight});
  return ULONGLONG{DibStride(header.biWidth, header.biBitCount)} * rows;
}

}  // namespace

Bitmap::Bitmap(const BITMAPINFOHEADER& header, std::vector<RGBQUAD> colors, bool stock)
    : Object(Kind::kBitmap, stock),
      header_(header),
      colors_(std::move(colors)),
      bits_(static_cast<std::size_t>(DibBytes(header))) {
  header_.biSize = sizeof(BITMAPINFOHEADER);
  header_.biSizeImage = static_cast<DWORD>(bits_.size());
}

DWORD Bitmap::rows() const {
  return static_cast<DWORD>(header_.biHeight < 0 ? -LONGLONG{header_.biHeight}
                                                 : LONGLONG{header_.biHeight});
}

DeviceContext::DeviceContext() : bitmap(StockBitmap()), font(StockFont()) {
  ++bitmap->selections;
  ++font->selections;
}

DeviceContext::~DeviceContext() {
  --bitmap->selections;
  --font->selections;
}

HGDIOBJ DeviceContext::Select(HGDIOBJ object) {
  if (object->kind() == Object::Kind::kBitmap) {
    auto* next = static_cast<Bitmap*>(object);
    if (next == bitmap) return bitmap;
    if (!next->stock() && next->selections > 0) return nullptr;  // in another context
    Bitmap* previous = bitmap;
    --previous->selections;
    ++next->selections;
    bitmap = next;
    return previous;
  }
  auto* next = static_cast<FontObject*>(object);
  FontObject* previous = font;
  --previous->selections;
  ++next->selections;
  font = next;
  return previous;
}

Bitmap* StockBitmap() {
  static Bitmap bitmap(BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 1, 1, 1, 1, BI_RGB}, {}, true);
  return &bitmap;
}

FontObject* StockFont() {
  static FontObject font(LOGFONT{}, true);
  return &font;
}

}  // namespace gdi

using gdi::Bitmap;
using gdi::DeviceContext;
using gdi::FontObject;

HDC CreateCompatibleDC(HDC dc) {
  if (dc != nullptr) return nullptr;  // only memory contexts exist
  return new DeviceContext;
}

BOOL DeleteDC(HDC dc) {
  if (dc == nullptr) return FALSE;
  delete dc;
  return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  if (dc == nullptr || object == nullptr) return nullptr;
  return dc->Select(object);
}

BOOL DeleteObject(HGDIOBJ object) {
  if (object == nullptr || object->selections > 0) return FALSE;
  if (!object->stock()) delete object;
  return TRUE;
}

int GetObject(HGDIOBJ object, int size, void* buffer) {
  if (object == nullptr || object->kind() != gdi::Object::Kind::kFont) return 0;
  const LOGFONT& logFont = static_cast<FontObject*>(object)->logFont();
  if (buffer == nullptr) return static_cast<int>(sizeof(LOGFONT));
  if (size < static_cast<int>(sizeof(LOGFONT))) return 0;
  std::memcpy(buffer, &logFont, sizeof(LOGFONT));
  return static_cast<int>(sizeof(LOGFONT));
}

int SetBkMode(HDC dc, int mode) {
  if (dc == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  const int previous = dc->bkMode;
  dc->bkMode = mode;
  return previous;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
  if (dc == nullptr) return CLR_INVALID;
  const COLORREF previous = dc->textColor;
  dc->textColor = color & 0x00FFFFFF;
  return previous;
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
  if (dc == nullptr) return CLR_INVALID;
  const COLORREF previous = dc->bkColor;
  dc->bkColor = color & 0x00FFFFFF;
  return previous;
}

HFONT CreateFontIndirect(const LOGFONT* logFont) {
  if (logFont == nullptr) return nullptr;
  return new FontObject(*logFont);
}

HBITMAP CreateDIBSection(HDC /*dc*/, const BITMAPINFO* info, UINT usage, void** bits, void* section,
                         DWORD offset) {
  if (bits != nullptr) *bits = nullptr;
  if (info == nullptr || usage != DIB_RGB_COLORS || section != nullptr || offset != 0) {
    return nullptr;
  }
  const BITMAPINFOHEADER& header = info->bmiHeader;
  if (!gdi::IsPlainRgb(header) || gdi::DibBytes(header) >= gdi::kMaxDibBytes) return nullptr;
  // The colour table (or the masks) follows the header as the header's size says.
  const auto* table = reinterpret_cast<const BYTE*>(info) + header.biSize;
  std::vector<RGBQUAD> colors(DibColorEntries(header));
  if (!colors.empty()) std::memcpy(colors.data(), table, colors.size() * sizeof(RGBQUAD));
  auto* bitmap = new Bitmap(header, std::move(colors));
  if (bits != nullptr) *bits = bitmap->bits();
  return bitmap;
}

const BITMAPINFOHEADER* DibHeader(HBITMAP bitmap) {
  if (bitmap == nullptr || bitmap->stock()) return nullptr;
  return &bitmap->header();
}

int SetDIBits(HDC /*dc*/, HBITMAP bitmap, UINT start, UINT lines, const void* bits,
              const BITMAPINFO* info, UINT usage) {
  if (bitmap == nullptr || bitmap->stock() || bits == nullptr || info == nullptr ||
      usage != DIB_RGB_COLORS) {
    return 0;
  }
  const BITMAPINFOHEADER& source = info->bmiHeader;
  const BITMAPINFOHEADER& target = bitmap->header();
  if (!gdi::IsPlainRgb(source) || source.biBitCount != target.biBitCount ||
      source.biWidth != target.biWidth) {
    return 0;
  }
  const DWORD rows = bitmap->rows();
  if (start >= rows) return 0;
  if (lines > rows - start) lines = rows - start;
  const DWORD stride = bitmap->stride();
  const auto* from = static_cast<const BYTE*>(bits);
  // Scan lines count from the bottom of the picture. A bottom-up source holds line start + i in
  // its row i; a top-down one holds it counted from the top.
  const bool sourceTopDown = source.biHeight < 0;
  for (UINT i = 0; i < lines; ++i) {
    const DWORD line = sourceTopDown ? rows - 1 - (start + i) : start + i;
    const DWORD row = bitmap->topDown() ? rows - 1 - line : line;
    std::memcpy(bitmap->bits() + std::size_t{row} * stride, from + std::size_t{i} * stride, stride);
  }
  return static_cast<int>(lines);
}

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom) {
  if (rect == nullptr) return FALSE;
  *rect = RECT{left, top, right, bottom};
  return TRUE;
}
