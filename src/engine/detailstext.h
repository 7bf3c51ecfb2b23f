#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// A date and time in the user's locale: the short date, a blank and the long time (without a
// time zone); a time of exactly midnight shows the date alone.
QString formatDateTime(const QDateTime &value, const QLocale &locale = QLocale());

struct FileObject;

// The dates of a file, one line each ("Created: ...", "Last Accessed: ...", "Last Modified:
// ...") joined by CR LF; a date the file does not have is left out with its label.
QString dateLines(const FileObject &file);

// "<number> <unit>" for a size line: bytes for an empty file, kilobytes up to 1,000,000
// bytes, megabytes above (1000 to the step), rounded to 3 decimals, an exact half to the
// even neighbour, with the locale's decimal separator: 512 -> "0.512 KB".
QString formatSize(qint64 bytes, const QLocale &locale = QLocale());
