#include "GroupBox.h"

#include <QPainter>

void TGroupBox::paintEvent(QPaintEvent* /*event*/) {
  constexpr int kCaptionIndent = 8;
  QPainter painter(this);
  const QFontMetrics metrics = fontMetrics();
  const int frameTop = metrics.height() / 2;
  const QRect frame = rect().adjusted(0, frameTop, -1, -1);
  // Etched: a dark line with a light one beside it.
  painter.setPen(palette().color(QPalette::Light));
  painter.drawRect(frame.translated(1, 1).adjusted(0, 0, -1, -1));
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(frame.adjusted(0, 0, -1, -1));
  if (title().isEmpty()) return;
  QRect caption(kCaptionIndent, 0, metrics.horizontalAdvance(title()), metrics.height());
  painter.fillRect(caption, palette().color(QPalette::Window));
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  painter.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter, title());
}
