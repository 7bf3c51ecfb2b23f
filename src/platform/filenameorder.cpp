#include "filenameorder.h"

#include "folderreader.h"
#include "wildcardpattern.h"

#include <algorithm>
#include <numeric>
#include <vector>

void sortFileNames(QStringList &names, QList<FileIdentity> *companion)
{
    const qsizetype n = names.size();
    std::vector<QString> folded;
    folded.reserve(size_t(n));
    for (const QString &name : std::as_const(names))
        folded.push_back(sortKeyOf(name));
    std::vector<qsizetype> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return comesBefore(folded[size_t(a)], names[a], folded[size_t(b)], names[b]);
    });
    QStringList sortedNames;
    sortedNames.reserve(n);
    QList<FileIdentity> sortedCompanion;
    if (companion)
        sortedCompanion.reserve(n);
    for (const qsizetype i : order) {
        sortedNames.append(names[i]);
        if (companion)
            sortedCompanion.append((*companion)[i]);
    }
    names = std::move(sortedNames);
    if (companion)
        *companion = std::move(sortedCompanion);
}

MatchingFiles matchingFiles(FolderListing &&listing, const WildcardPattern &pattern)
{
    // Those that match kept in place: a large folder's names are not copied.
    MatchingFiles files{std::move(listing.files), std::move(listing.fileIdentities)};
    if (!pattern.matchesAll()) {
        qsizetype kept = 0;
        for (qsizetype i = 0; i < files.names.size(); ++i) {
            if (!pattern.matches(files.names[i]))
                continue;
            if (kept != i) {
                files.names[kept] = std::move(files.names[i]);
                files.identities[kept] = files.identities[i];
            }
            ++kept;
        }
        files.names.resize(kept);
        files.identities.resize(kept);
    }
    return files; // in the listing's order
}
