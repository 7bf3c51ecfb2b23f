#include "profilenames.h"

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

} // namespace

bool isNumericText(QStringView text)
{
    qsizetype begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    qsizetype i = begin;
    if (i < end && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    int digits = 0;
    bool point = false;
    for (; i < end; ++i) {
        if (isDigit(text[i]))
            ++digits;
        else if (text[i] == QLatin1Char('.') && !point)
            point = true;
        else
            break;
    }
    if (digits == 0)
        return false;
    if (i < end && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        ++i;
        if (i < end && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            ++i;
        int exponentDigits = 0;
        for (; i < end && isDigit(text[i]); ++i)
            ++exponentDigits;
        if (exponentDigits == 0)
            return false;
    }
    return i == end;
}

bool isProEngVersionFile(QStringView name)
{
    static const VersionTypeSet six;
    return isProEngVersionFile(name, six);
}

bool isProEngVersionFile(QStringView name, const VersionTypeSet &types)
{
    const qsizetype length = name.size();
    if (length == 0 || !isDigit(name[length - 1]))
        return false;

    // The version dot: the nearest dot, counting tail lengths from 1, whose tail is numeric.
    qsizetype dot = -1;
    for (qsizetype k = 1; k <= length - 1; ++k) {
        if (name[length - k - 1] == QLatin1Char('.') && isNumericText(name.right(k))) {
            dot = length - k - 1;
            break;
        }
    }
    // Room for ".typ" in front of the dot (0-based: the type dot sits at dot - 4).
    if (dot < 4)
        return false;
    return name[dot - 4] == QLatin1Char('.') && types.contains(name.mid(dot - 3, 3));
}
