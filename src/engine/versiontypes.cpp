#include "versiontypes.h"

#include <QRegularExpression>

namespace {

std::uint32_t buttonTypes()
{
    std::uint32_t bits = 0;
    for (size_t i = 0; i < kVersionTypes.size(); ++i) {
        if (kVersionTypes[i].caption)
            bits |= 1u << i;
    }
    return bits;
}

} // namespace

VersionTypeSet::VersionTypeSet() : m_bits(buttonTypes()) {}

VersionTypeSet VersionTypeSet::all()
{
    return VersionTypeSet((1u << kVersionTypes.size()) - 1);
}

bool VersionTypeSet::parse(const QString &text, VersionTypeSet &out, QString *unknown)
{
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    const QStringList words = text.split(separators, Qt::SkipEmptyParts);
    if (words.isEmpty()) {
        out = VersionTypeSet();
        return true;
    }
    std::uint32_t bits = 0;
    for (const QString &word : words) {
        size_t i = 0;
        while (i < kVersionTypes.size() &&
               word.compare(QStringView(kVersionTypes[i].type), Qt::CaseInsensitive) != 0)
            ++i;
        if (i == kVersionTypes.size()) {
            if (unknown)
                *unknown = word;
            return false;
        }
        bits |= 1u << i;
    }
    out = VersionTypeSet(bits);
    return true;
}

bool VersionTypeSet::contains(QStringView type) const
{
    // Asked for every listed file: compared in place, without measuring each type first.
    const qsizetype size = type.size();
    const char16_t *const text = type.utf16();
    for (size_t i = 0; i < kVersionTypes.size(); ++i) {
        if (!(m_bits >> i & 1u))
            continue;
        const char16_t *const known = kVersionTypes[i].type;
        qsizetype k = 0;
        while (k < size && known[k] != u'\0' && known[k] == text[k])
            ++k;
        if (k == size && known[k] == u'\0')
            return true;
    }
    return false;
}

QStringList VersionTypeSet::names() const
{
    QStringList list;
    for (size_t i = 0; i < kVersionTypes.size(); ++i) {
        if (m_bits >> i & 1u)
            list.append(QString::fromUtf16(kVersionTypes[i].type));
    }
    return list;
}

QString VersionTypeSet::toString() const
{
    return names().join(QLatin1Char(','));
}
