#pragma once
// The bitmaps and fonts behind the GDI handles. Callers use them only through the handles.

#include <atomic>
#include <vector>

#include "gdi/BitmapInfo.h"
#include "gdi/Font.h"

namespace gdi {

class Object {
 public:
  enum class Kind { kBitmap, kFont };
  explicit Object(Kind kind, bool stock = false) : kind_(kind), stock_(stock) {}
  virtual ~Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  Kind kind() const { return kind_; }
  bool stock() const { return stock_; }
  // Contexts this object is selected into. The stock objects are selected into contexts made on
  // any thread (the UI thread's grabs and the streaming threads' captions), hence atomic.
  std::atomic<int> selections{0};

 private:
  const Kind kind_;
  const bool stock_;
};

class Bitmap final : public Object {
 public:
  Bitmap(const BITMAPINFOHEADER& header, std::vector<RGBQUAD> colors, bool stock = false);

  const BITMAPINFOHEADER& header() const { return header_; }
  BYTE* bits() { return bits_.data(); }
  DWORD stride() const { return DibStride(header_.biWidth, header_.biBitCount); }
  DWORD rows() const;
  bool topDown() const { return header_.biHeight < 0; }
  const std::vector<RGBQUAD>& colors() const { return colors_; }

 private:
  BITMAPINFOHEADER header_;
  std::vector<RGBQUAD> colors_;
  std::vector<BYTE> bits_;
};

class FontObject final : public Object {
 public:
  explicit FontObject(const LOGFONT& logFont, bool stock = false)
      : Object(Kind::kFont, stock), logFont_(logFont) {}
  const LOGFONT& logFont() const { return logFont_; }

 private:
  LOGFONT logFont_;
};

}  // namespace gdi
