#include "SnapshotName.h"

#include <QLocale>

namespace {

// Rewrites the runs of one pattern letter that would put words into a name: month names become
// month numbers, day names and time zones go. Quoted literal text is kept as it is.
QString NumericFieldsOnly(const QString& format) {
  QString result;
  bool quoted = false;
  for (qsizetype i = 0; i < format.size();) {
    const QChar letter = format[i];
    if (letter == u'\'') quoted = !quoted;
    qsizetype run = 1;
    while (!quoted && i + run < format.size() && format[i + run] == letter)
      ++run;
    if (quoted || letter == u'\'') {
      result += format.mid(i, run);
    } else if (letter == u'M' && run >= 3) {
      result += QStringLiteral("MM");
    } else if ((letter == u'd' && run >= 3) || letter == u't') {
      // Left out.
    } else {
      result += format.mid(i, run);
    }
    i += run;
  }
  return result.trimmed();
}

}  // namespace

QString SystemDateTimeFormat() {
  const QLocale locale = QLocale::system();
  return NumericFieldsOnly(locale.dateFormat(QLocale::ShortFormat) + u' ' +
                           locale.timeFormat(QLocale::LongFormat));
}

TDateTimeSource SystemDateTimeSource() {
  return {[] { return QDateTime::currentDateTime(); }, SystemDateTimeFormat()};
}

QString SnapshotFileName(const QDateTime& moment, const QString& format,
                         const std::function<bool(const QString&)>& exists) {
  QString stem = moment.toString(format);
  for (QChar& c : stem) {
    if (c < u'0' || c > u'9') c = u'_';
  }
  QString name = stem + QStringLiteral(".jpg");
  for (int suffix = 2; exists(name); ++suffix)
    name = stem + u'_' + QString::number(suffix) + QStringLiteral(".jpg");
  return name;
}
