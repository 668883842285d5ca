#pragma once
// Names of the main window's snapshot files, made of the local date and time.

#include <QDateTime>
#include <QString>
#include <functional>

// The local date and time and the format the system writes them in.
struct TDateTimeSource {
  std::function<QDateTime()> now;
  QString format;  // a QDateTime format string
};

// The current local time in the system locale's short date and long time format, without a time
// zone.
TDateTimeSource SystemDateTimeSource();

// The system locale's short date and long time formats joined by a blank; month and day names
// become numbers and the time zone is left out, so that every field of the name is a number.
QString SystemDateTimeFormat();

// moment in format with every character that is not a digit 0-9 replaced by "_", then ".jpg".
// When exists says that name is taken, "_2", "_3" ... go before ".jpg", so that a snapshot never
// overwrites an earlier one taken in the same second.
QString SnapshotFileName(const QDateTime& moment, const QString& format,
                         const std::function<bool(const QString&)>& exists);
