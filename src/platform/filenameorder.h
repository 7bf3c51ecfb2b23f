#pragma once

#include "fileidentity.h"

#include <QList>
#include <QStringList>

// Sorts names without regard to case; names equal that way keep an exact order. The
// companion list, when given, is put in the same order.
void sortFileNames(QStringList &names, QList<FileIdentity> *companion = nullptr);

// A name of ASCII characters without capitals, as most are: case folding leaves it as it is,
// and its order is that of its bytes.
inline bool isPlainName(QStringView name)
{
    for (const QChar c : name) {
        if (c.unicode() >= 0x80 || (c.unicode() >= u'A' && c.unicode() <= u'Z'))
            return false;
    }
    return true;
}

// A name case-folded, the key it is sorted by; a plain name is shared as it stands, without a
// call into Qt.
inline QString sortKeyOf(const QString &name)
{
    return isPlainName(name) ? name : name.toCaseFolded();
}

// That order for two names, each given with its case-folded form.
inline bool comesBefore(QStringView folded, QStringView name, QStringView otherFolded,
                        QStringView otherName)
{
    const int byFolded = folded.compare(otherFolded);
    if (byFolded != 0)
        return byFolded < 0;
    return name.compare(otherName) < 0; // ties in exact order
}

struct FolderListing;
class WildcardPattern;

// What the file list shows of a folder: its files that match the filter, in file-name order, each
// with its identity as the folder was read.
struct MatchingFiles
{
    QStringList names;
    QList<FileIdentity> identities;
};
MatchingFiles matchingFiles(FolderListing &&listing, const WildcardPattern &pattern);
