#pragma once

#include <QString>
#include <QStringList>

// A file-list pattern: "*" for any run of characters, "?" for one character, several
// patterns separated by ";". "*.*" matches every name, also one without a dot. An empty
// pattern matches every name as well.
class WildcardPattern
{
public:
    // Throws PlatformError when the text cannot be a pattern for names of one folder.
    WildcardPattern(const QString &text, Qt::CaseSensitivity cs);

    bool matches(QStringView name) const;
    bool matchesAll() const { return m_matchesAll; }

private:
    QStringList m_alternatives;
    bool m_matchesAll = false;
    Qt::CaseSensitivity m_cs;
};
