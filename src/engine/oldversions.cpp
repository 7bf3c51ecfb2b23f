#include "oldversions.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace {

// The value of a version of plain digits; false for anything else.
bool readVersion(QStringView text, double &value)
{
    if (text.isEmpty())
        return false;
    double exact = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        exact = exact * 10 + (c.unicode() - '0');
    }
    // Up to 15 digits the sum is exact; longer ones are rounded as a conversion rounds them.
    value = text.size() <= 15 ? exact : text.toDouble();
    return true;
}

} // namespace

OldVersionScan scanOldVersions(const QStringList &census, const std::function<void(int)> &progress)
{
    const int n = int(census.size());
    OldVersionScan result;

    // Group the entries by base name; positions stay ascending within each group.
    QHash<QStringView, int> groupOf;
    groupOf.reserve(n);
    std::vector<int> group(size_t(n), 0);
    std::vector<double> value(size_t(n), 0.0);
    std::vector<char> bad(size_t(n), 0);
    std::vector<int> groupSize;
    for (int p = 0; p < n; ++p) {
        const QString &name = census[p];
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const QStringView base = QStringView(name).left(dot + 1);
        const QStringView version = QStringView(name).mid(dot + 1);
        int &id = groupOf[base]; // 0 for a new base name, else its group + 1
        if (id == 0) {
            groupSize.push_back(0);
            id = int(groupSize.size());
        }
        group[size_t(p)] = id - 1;
        ++groupSize[size_t(id - 1)];
        bad[size_t(p)] = !readVersion(version, value[size_t(p)]);
        if (progress)
            progress(p);
    }
    for (int p = 0; p < n; ++p) {
        if (bad[size_t(p)] && groupSize[size_t(group[size_t(p)])] > 1) {
            result.badVersion = true;
            return result;
        }
    }

    // Members of each group, contiguous, by counting sort.
    std::vector<int> start(groupSize.size() + 1, 0);
    for (size_t g = 0; g < groupSize.size(); ++g)
        start[g + 1] = start[g] + groupSize[g];
    std::vector<int> members(static_cast<size_t>(n));
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (int p = 0; p < n; ++p)
        members[size_t(fill[size_t(group[size_t(p)])]++)] = p;

    // For each entry, the first position of a strictly higher version of its model.
    struct Recorded
    {
        int first;
        int second;
        int position;
        int kept;
    };
    std::vector<Recorded> recorded;
    for (size_t g = 0; g < groupSize.size(); ++g) {
        if (groupSize[g] < 2)
            continue;
        auto *begin = members.data() + start[g];
        auto *end = members.data() + start[g + 1];
        std::stable_sort(begin, end, [&value](int a, int b) {
            return value[size_t(a)] > value[size_t(b)];
        });
        int firstHigher = n; // lowest position among strictly higher versions seen so far
        int kept = n;
        for (auto *block = begin; block != end;) {
            auto *blockEnd = block;
            int lowest = n;
            while (blockEnd != end && value[size_t(*blockEnd)] == value[size_t(*block)]) {
                lowest = std::min(lowest, *blockEnd);
                ++blockEnd;
            }
            if (firstHigher < n) {
                for (auto *it = block; it != blockEnd; ++it)
                    recorded.push_back(
                        {std::min(*it, firstHigher), std::max(*it, firstHigher), *it, kept});
            } else {
                kept = lowest;
            }
            firstHigher = std::min(firstHigher, lowest);
            block = blockEnd;
        }
    }
    std::sort(recorded.begin(), recorded.end(), [](const Recorded &a, const Recorded &b) {
        return a.first != b.first ? a.first < b.first : a.second < b.second;
    });
    result.positions.reserve(qsizetype(recorded.size()));
    result.kept.reserve(qsizetype(recorded.size()));
    for (const Recorded &r : recorded) {
        result.positions.append(r.position);
        result.kept.append(r.kept);
    }
    return result;
}
