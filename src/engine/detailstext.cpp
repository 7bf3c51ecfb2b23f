#include "detailstext.h"

#include "fileinformation.h"

#include <QRegularExpression>

namespace {

// thousandths / 1000 in its shortest form: 1234 -> "1.234", 1500 -> "1.5", 1000 -> "1".
QString fromThousandths(qint64 thousandths, const QLocale &locale)
{
    QString text = QString::number(thousandths / 1000);
    qint64 fraction = thousandths % 1000;
    if (fraction != 0) {
        QString digits = QStringLiteral("%1").arg(fraction, 3, 10, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        text += locale.decimalPoint() + digits;
    }
    return text;
}

} // namespace

QString formatDateTime(const QDateTime &value, const QLocale &locale)
{
    const QDateTime local = value.toLocalTime();
    const QString date = locale.toString(local.date(), QLocale::ShortFormat);
    if (local.time() == QTime(0, 0))
        return date;
    // The long format names the time zone; a file's time stamp reads better without it.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*")));
    return date + QLatin1Char(' ') + locale.toString(local.time(), format.trimmed());
}

QString dateLines(const FileObject &file)
{
    QStringList lines;
    if (file.DateCreated)
        lines.append(QStringLiteral("Created: ") + formatDateTime(*file.DateCreated));
    if (file.DateLastAccessed)
        lines.append(QStringLiteral("Last Accessed: ") + formatDateTime(*file.DateLastAccessed));
    if (file.DateLastModified)
        lines.append(QStringLiteral("Last Modified: ") + formatDateTime(*file.DateLastModified));
    return lines.join(QStringLiteral("\r\n"));
}

QString formatSize(qint64 bytes, const QLocale &locale)
{
    if (bytes <= 0)
        return fromThousandths(bytes * 1000, locale) + QStringLiteral(" B");
    if (bytes <= 1000000)
        return fromThousandths(bytes, locale) + QStringLiteral(" KB"); // bytes are thousandths of a KB
    // Thousandths of a megabyte: bytes / 1000, the remainder rounded half to even.
    qint64 thousandths = bytes / 1000;
    const qint64 rest = bytes % 1000;
    if (rest > 500 || (rest == 500 && thousandths % 2 == 1))
        ++thousandths;
    return fromThousandths(thousandths, locale) + QStringLiteral(" MB");
}
