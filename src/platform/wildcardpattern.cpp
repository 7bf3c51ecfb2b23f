#include "wildcardpattern.h"

#include "platformerror.h"

namespace {

bool sameChar(QChar a, QChar b, Qt::CaseSensitivity cs)
{
    return a == b || (cs == Qt::CaseInsensitive && a.toCaseFolded() == b.toCaseFolded());
}

// Classic greedy matching with one backtrack point: linear for patterns with one "*".
bool globMatch(QStringView pattern, QStringView name, Qt::CaseSensitivity cs)
{
    qsizetype p = 0, n = 0;
    qsizetype starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == QLatin1Char('?') || sameChar(pattern[p], name[n], cs))) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

} // namespace

WildcardPattern::WildcardPattern(const QString &text, Qt::CaseSensitivity cs) : m_cs(cs)
{
    if (text.contains(QLatin1Char('/')) || text.contains(QChar(0)))
        throw PlatformError(QStringLiteral("Invalid pattern: ") + text);
    const QStringList parts = text.split(QLatin1Char(';'));
    for (const QString &part : parts) {
        const QString alternative = part.trimmed();
        if (alternative.isEmpty())
            continue;
        if (alternative == QLatin1String("*.*") || alternative == QLatin1String("*"))
            m_matchesAll = true;
        m_alternatives.append(alternative);
    }
    if (m_alternatives.isEmpty())
        m_matchesAll = true;
}

bool WildcardPattern::matches(QStringView name) const
{
    if (m_matchesAll)
        return true;
    for (const QString &alternative : m_alternatives) {
        if (globMatch(alternative, name, m_cs))
            return true;
    }
    return false;
}
