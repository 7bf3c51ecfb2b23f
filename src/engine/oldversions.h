#pragma once

#include <QList>
#include <QStringList>

#include <functional>

// Which census entries are old versions: every version of a model (same base name, the text
// up to and including the last dot) except the highest, or the `keep` highest distinct values
// (equal versions stay or go together). The order is the one in which a
// comparison of every ordered pair (i, m) of the census, i first, would meet them: an entry
// at position p whose first higher version stands at q is met at (min(p, q), max(p, q)).
struct OldVersionScan
{
    // A version that is not plain digits in a model with other versions: nothing can be
    // decided safely about that model, and the scan gives up.
    bool badVersion = false;
    int badPosition = -1; // the census position of the first such version
    // Census positions of the old versions, in purge-list order.
    QList<int> positions;
    // For each of them, the census position of the version its model keeps: the highest, and
    // of equal highest versions the first in census order.
    QList<int> kept;
    // For each of them, its model: an index into keptStart.
    QList<int> model;
    // The versions each model keeps, in census positions, model after model (in the order of
    // their first version in the census), each model's from the lowest version up (equal ones
    // in census order): model m keeps keptVersions[keptStart[m]] up to keptStart[m + 1].
    QList<int> keptVersions;
    QList<int> keptStart;
};

// `progress` is called with each census position as the scan passes it.
OldVersionScan scanOldVersions(const QStringList &census, int keep = 1,
                               const std::function<void(int)> &progress = {});
