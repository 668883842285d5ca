#include "gdi/FontConversion.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <algorithm>
#include <cstring>

namespace gdi {
namespace {

constexpr BYTE kNonAntialiasedQuality = 3;
constexpr int kDefaultPixelSize = 12;

}  // namespace

QFont QFontFromLogFont(const LOGFONT& logFont) {
  QFont font;
  const std::size_t faceLength = strnlen(logFont.lfFaceName, LF_FACESIZE);
  if (faceLength > 0) font.setFamily(QString::fromUtf8(logFont.lfFaceName, faceLength));
  if (logFont.lfHeight < 0) {
    font.setPixelSize(std::max(1, -logFont.lfHeight));
  } else if (logFont.lfHeight > 0) {
    // A cell height includes the leading above the characters: shrink until the cell fits.
    font.setPixelSize(logFont.lfHeight);
    const int cell = QFontMetrics(font).height();
    if (cell > logFont.lfHeight) {
      font.setPixelSize(std::max(1, logFont.lfHeight * logFont.lfHeight / cell));
    }
  } else {
    font.setPixelSize(kDefaultPixelSize);
  }
  if (logFont.lfWeight > 0) {
    font.setWeight(static_cast<QFont::Weight>(std::clamp<LONG>(logFont.lfWeight, 1, 1000)));
  }
  font.setItalic(logFont.lfItalic != 0);
  font.setUnderline(logFont.lfUnderline != 0);
  font.setStrikeOut(logFont.lfStrikeOut != 0);
  if (logFont.lfQuality == kNonAntialiasedQuality) font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

LOGFONT LogFontFromQFont(const QFont& font) {
  LOGFONT logFont;
  const QFontInfo info(font);
  logFont.lfHeight = -info.pixelSize();
  logFont.lfWeight = font.weight();
  logFont.lfItalic = font.italic() ? 1 : 0;
  logFont.lfUnderline = font.underline() ? 1 : 0;
  logFont.lfStrikeOut = font.strikeOut() ? 1 : 0;
  logFont.lfCharSet = DEFAULT_CHARSET;
  if (font.styleStrategy() & QFont::NoAntialias) logFont.lfQuality = kNonAntialiasedQuality;
  const QByteArray family = font.family().toUtf8();
  const std::size_t length = std::min<std::size_t>(family.size(), LF_FACESIZE - 1);
  std::memcpy(logFont.lfFaceName, family.constData(), length);
  logFont.lfFaceName[length] = '\0';
  return logFont;
}

}  // namespace gdi
