// DrawText: the text is painted with Qt into an image over the selected DIB section's rows.

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <optional>

#include "gdi/DeviceContext.h"
#include "gdi/FontConversion.h"
#include "gdi/Gdi.h"

namespace {

// The Qt format that matches the bitmap's pixel layout, or Format_Invalid when Qt cannot paint
// it.
QImage::Format PaintFormat(const gdi::Bitmap& bitmap) {
  const BITMAPINFOHEADER& header = bitmap.header();
  const std::vector<RGBQUAD>& colors = bitmap.colors();
  const auto masks = [&](DWORD r, DWORD g, DWORD b) {
    return colors.size() >= 3 && std::memcmp(&colors[0], &r, 4) == 0 &&
           std::memcmp(&colors[1], &g, 4) == 0 && std::memcmp(&colors[2], &b, 4) == 0;
  };
  switch (header.biBitCount) {
    case 16:
      if (header.biCompression == BI_RGB) return QImage::Format_RGB555;
      if (masks(0xF800, 0x07E0, 0x001F)) return QImage::Format_RGB16;
      if (masks(0x7C00, 0x03E0, 0x001F)) return QImage::Format_RGB555;
      return QImage::Format_Invalid;
    case 24:
      return QImage::Format_BGR888;  // bytes blue, green, red
    case 32:
      if (header.biCompression == BI_RGB || masks(0xFF0000, 0x00FF00, 0x0000FF)) {
        return QImage::Format_RGB32;  // bytes blue, green, red, unused
      }
      return QImage::Format_Invalid;
    default:
      return QImage::Format_Invalid;
  }
}

QColor ToQColor(COLORREF color) {
  return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

bool HasGuiApplication() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

// The text as Qt lays it out: line ends become "\n" or, on a single line, spaces.
QString LayoutText(const char* text, int count, UINT format) {
  const std::size_t length =
      count < 0 ? std::strlen(text) : strnlen(text, static_cast<std::size_t>(count));
  QString result = QString::fromUtf8(text, static_cast<qsizetype>(length));
  result.remove(QChar('\r'));
  if (format & DT_SINGLELINE) result.replace(QChar('\n'), QChar(' '));
  return result;
}

int QtFlags(UINT format) {
  int flags = 0;
  if (format & DT_CENTER) {
    flags |= Qt::AlignHCenter;
  } else if (format & DT_RIGHT) {
    flags |= Qt::AlignRight;
  } else {
    flags |= Qt::AlignLeft;
  }
  // As on the platform this imitates, vertical placement needs a single line.
  if ((format & DT_SINGLELINE) && (format & DT_VCENTER)) {
    flags |= Qt::AlignVCenter;
  } else if ((format & DT_SINGLELINE) && (format & DT_BOTTOM)) {
    flags |= Qt::AlignBottom;
  } else {
    flags |= Qt::AlignTop;
  }
  if (format & DT_WORDBREAK) flags |= Qt::TextWordWrap;
  if (format & DT_EXPANDTABS) flags |= Qt::TextExpandTabs;
  // "&" underlines the next character ("&&" draws one "&") unless prefixes are off.
  if (!(format & DT_NOPREFIX)) flags |= Qt::TextShowMnemonic;
  return flags;
}

QRect ToQRect(const RECT& rect) {
  return QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1));
}

// Paints onto an image that shows the picture the right way up. A top-down DIB is painted in
// place; a bottom-up one through a top-down copy of the rows that may change.
class UprightCanvas {
 public:
  UprightCanvas(gdi::Bitmap& bitmap, QImage::Format format, int firstRow, int lastRow)
      : bitmap_(bitmap), firstRow_(firstRow), lastRow_(lastRow) {
    const int width = bitmap.header().biWidth;
    const auto stride = static_cast<qsizetype>(bitmap.stride());
    if (bitmap.topDown()) {
      image_ = QImage(bitmap.bits(), width, static_cast<int>(bitmap.rows()), stride, format);
      return;
    }
    image_ = QImage(width, static_cast<int>(bitmap.rows()), format);
    for (int row = firstRow_; row < lastRow_; ++row) {
      std::memcpy(image_.scanLine(row), MemoryRow(row), static_cast<std::size_t>(stride));
    }
  }
  ~UprightCanvas() {
    if (bitmap_.topDown()) return;
    for (int row = firstRow_; row < lastRow_; ++row) {
      std::memcpy(MemoryRow(row), image_.constScanLine(row), bitmap_.stride());
    }
  }
  UprightCanvas(const UprightCanvas&) = delete;
  UprightCanvas& operator=(const UprightCanvas&) = delete;

  QImage& image() { return image_; }

 private:
  BYTE* MemoryRow(int uprightRow) {
    const auto row = static_cast<std::size_t>(bitmap_.rows() - 1 - static_cast<DWORD>(uprightRow));
    return bitmap_.bits() + row * bitmap_.stride();
  }

  gdi::Bitmap& bitmap_;
  const int firstRow_;
  const int lastRow_;
  QImage image_;
};

}  // namespace

int DrawText(HDC dc, const char* text, int count, RECT* rect, UINT format) {
  if (dc == nullptr || text == nullptr || rect == nullptr || !HasGuiApplication()) return 0;
  const QFont font = gdi::QFontFromLogFont(dc->font->logFont());
  const QString layout = LayoutText(text, count, format);
  const int flags = QtFlags(format);
  const QRect area = ToQRect(*rect);
  const QRect extent = QFontMetrics(font).boundingRect(area, flags, layout);
  if (format & DT_CALCRECT) {
    rect->right = rect->left + extent.width();
    rect->bottom = rect->top + extent.height();
    return extent.height();
  }
  gdi::Bitmap& bitmap = *dc->bitmap;
  const QImage::Format imageFormat = PaintFormat(bitmap);
  if (bitmap.stock() || imageFormat == QImage::Format_Invalid) return 0;
  const QRect clip = (format & DT_NOCLIP) ? extent.united(area) : area;
  const QRect picture(0, 0, bitmap.header().biWidth, static_cast<int>(bitmap.rows()));
  const QRect touched = clip.intersected(picture);
  if (touched.isEmpty()) return extent.height();
  UprightCanvas canvas(bitmap, imageFormat, touched.top(), touched.bottom() + 1);
  QPainter painter(&canvas.image());
  painter.setClipRect(touched);
  painter.setFont(font);
  if (dc->bkMode == OPAQUE) painter.fillRect(extent, ToQColor(dc->bkColor));
  painter.setPen(ToQColor(dc->textColor));
  painter.drawText(area, flags, layout);
  return extent.height();
}
