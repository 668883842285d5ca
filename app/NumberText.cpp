#include "NumberText.h"

#include <QLocale>
#include <cmath>

double TextToFloatOr(const QString& text, double fallback) {
  QLocale locale = QLocale::system();
  locale.setNumberOptions(QLocale::RejectGroupSeparator);
  bool ok = false;
  const double value = locale.toDouble(text.trimmed(), &ok);
  // "inf" and "nan" are no frame rates anyone types on purpose.
  return ok && std::isfinite(value) ? value : fallback;
}

QString FloatToText(double value) {
  QLocale locale = QLocale::system();
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale.toString(value, 'g', 15);
}
