#pragma once
// Between the platform's logical fonts and Qt's fonts. Needs a QGuiApplication (font metrics).

#include <QFont>

#include "gdi/Font.h"

namespace gdi {

// Face name (empty: the application's default family), height (negative: character height in
// pixels; positive: cell height; 0: 12 pixels), weight, italic, underline, strike-out and the
// anti-aliasing wish of lfQuality.
QFont QFontFromLogFont(const LOGFONT& logFont);
// The LOGFONT that gives the font back: its family, its pixel height as a character height
// (negative lfHeight), weight and style.
LOGFONT LogFontFromQFont(const QFont& font);

}  // namespace gdi
