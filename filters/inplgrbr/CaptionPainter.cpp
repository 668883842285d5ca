#include "filters/inplgrbr/CaptionPainter.h"

#include <algorithm>
#include <cstring>

#include "dshow/VideoMediaType.h"
#include "gdi/Gdi.h"

namespace {

// The header with its colour table, when the format block holds all of it.
const BITMAPINFO* BitmapInfoOf(const AM_MEDIA_TYPE& type) {
  const BITMAPINFOHEADER* header = BitmapHeaderOf(type);
  if (header == nullptr) return nullptr;
  const auto offset =
      static_cast<std::size_t>(reinterpret_cast<const BYTE*>(header) - type.pbFormat);
  const std::size_t needed =
      offset + sizeof(BITMAPINFOHEADER) + std::size_t{DibColorEntries(*header)} * sizeof(RGBQUAD);
  if (header->biSize != sizeof(BITMAPINFOHEADER) || type.cbFormat < needed) return nullptr;
  return reinterpret_cast<const BITMAPINFO*>(header);
}

}  // namespace

bool DrawCaptionInto(const AM_MEDIA_TYPE& type, BYTE* frame, std::size_t length,
                     const TGrabberControl& record) {
  const BITMAPINFO* info = BitmapInfoOf(type);
  if (info == nullptr || record.Text == nullptr) return false;
  const gdi::UniqueDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return false;
  (void)SetBkMode(dc.get(), TRANSPARENT);  // a valid mode on a fresh context cannot fail
  (void)SetTextColor(dc.get(), record.TextColor);
  const gdi::UniqueGdiObject<gdi::FontObject> font(CreateFontIndirect(&record.TextFont));
  void* bits = nullptr;
  const gdi::UniqueGdiObject<gdi::Bitmap> dib(
      CreateDIBSection(dc.get(), info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib || !font || bits == nullptr) return false;
  const std::size_t bytes = std::min<std::size_t>(length, DibHeader(dib.get())->biSizeImage);
  std::memcpy(bits, frame, bytes);
  HGDIOBJ oldBitmap = SelectObject(dc.get(), dib.get());
  HGDIOBJ oldFont = SelectObject(dc.get(), font.get());
  RECT rect = record.TextRect;
  const int drawn = DrawText(dc.get(), record.Text, record.TextLength, &rect, record.TextFormat);
  if (drawn != 0) std::memcpy(frame, bits, bytes);
  // The objects go back before the holders delete them: a selected object is not deleted.
  (void)SelectObject(dc.get(), oldFont);
  (void)SelectObject(dc.get(), oldBitmap);
  return drawn != 0;
}
