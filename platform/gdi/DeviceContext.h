#pragma once
// The device context behind an HDC (internal to platform/gdi).

#include "gdi/Gdi.h"

namespace gdi {

class DeviceContext final {
 public:
  DeviceContext();
  ~DeviceContext();
  DeviceContext(const DeviceContext&) = delete;
  DeviceContext& operator=(const DeviceContext&) = delete;

  HGDIOBJ Select(HGDIOBJ object);

  Bitmap* bitmap = nullptr;
  FontObject* font = nullptr;
  int bkMode = OPAQUE;
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
};

// The 1 x 1 bitmap and the default font every context starts with.
Bitmap* StockBitmap();
FontObject* StockFont();

}  // namespace gdi
