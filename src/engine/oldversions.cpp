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

// The census grouped by model (base name): each entry's group and version value, and each
// group's members in census order, one group after the other.
struct Models
{
    std::vector<double> value;
    std::vector<int> members;
    std::vector<int> start; // group g is members[start[g]] up to members[start[g + 1]]
    int badPosition = -1; // the first version that is no number, beside others of its model
};

Models groupByModel(const QStringList &census, const std::function<void(int)> &progress)
{
    const int n = int(census.size());
    Models models;
    models.value.assign(size_t(n), 0.0);
    QHash<QStringView, int> groupOf;
    groupOf.reserve(n);
    std::vector<int> group(size_t(n), 0);
    std::vector<char> bad(size_t(n), 0);
    std::vector<int> size;
    QStringView previousBase;
    int previousId = 0;
    for (int p = 0; p < n; ++p) {
        const QString &name = census[p];
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const QStringView base = QStringView(name).left(dot + 1);
        // In a listing sorted by name the versions of a model mostly follow each other: the
        // model of the name before is tried before the table.
        int id = previousId;
        if (id == 0 || base != previousBase) {
            int &known = groupOf[base]; // 0 for a new base name, else group + 1
            if (known == 0) {
                size.push_back(0);
                known = int(size.size());
            }
            id = known;
        }
        previousBase = base;
        previousId = id;
        group[size_t(p)] = id - 1;
        ++size[size_t(id - 1)];
        bad[size_t(p)] = !readVersion(QStringView(name).mid(dot + 1), models.value[size_t(p)]);
        if (progress)
            progress(p);
    }
    // A version that is not plain digits matters only beside other versions of its model.
    for (int p = 0; p < n && models.badPosition < 0; ++p) {
        if (bad[size_t(p)] && size[size_t(group[size_t(p)])] > 1)
            models.badPosition = p;
    }

    // Members of each group, contiguous, by counting sort.
    models.start.assign(size.size() + 1, 0);
    for (size_t g = 0; g < size.size(); ++g)
        models.start[g + 1] = models.start[g] + size[g];
    models.members.resize(size_t(n));
    std::vector<int> fill(models.start.begin(), models.start.end() - 1);
    for (int p = 0; p < n; ++p)
        models.members[size_t(fill[size_t(group[size_t(p)])]++)] = p;
    return models;
}

// An old version, the pair of census positions at which a comparison of every ordered pair
// first meets it, and the position of the version its model keeps.
struct Recorded
{
    int first;
    int second;
    int position;
    int kept;
    int model;
};

// The old versions of model `model`, whose members (census positions) are given, and the
// versions it keeps, appended to `keptVersions` from the lowest up.
void recordOldVersions(int *begin, int *end, const std::vector<double> &value, int n, int keep,
                       int model, std::vector<Recorded> &recorded, QList<int> &keptVersions)
{
    if (end - begin > 1)
        std::stable_sort(begin, end, [&value](int a, int b) { return value[size_t(a)] > value[size_t(b)]; });
    int firstHigher = n; // lowest position among strictly higher versions seen so far
    int kept = n;
    int values = 0; // distinct values passed
    int *keptEnd = begin;
    for (int *block = begin; block != end;) {
        int *blockEnd = block;
        int lowest = n;
        while (blockEnd != end && value[size_t(*blockEnd)] == value[size_t(*block)]) {
            lowest = std::min(lowest, *blockEnd);
            ++blockEnd;
        }
        if (firstHigher == n)
            kept = lowest; // the highest versions all stay; the first of them is the one checked
        if (++values <= keep)
            keptEnd = blockEnd;
        else {
            for (int *it = block; it != blockEnd; ++it)
                recorded.push_back({std::min(*it, firstHigher), std::max(*it, firstHigher), *it, kept, model});
        }
        firstHigher = std::min(firstHigher, lowest);
        block = blockEnd;
    }
    // From the lowest kept value up; equal values in census order.
    for (int *block = keptEnd; block != begin;) {
        int *blockBegin = block - 1;
        while (blockBegin != begin && value[size_t(*(blockBegin - 1))] == value[size_t(*blockBegin)])
            --blockBegin;
        for (int *it = blockBegin; it != block; ++it)
            keptVersions.append(*it);
        block = blockBegin;
    }
}

} // namespace

OldVersionScan scanOldVersions(const QStringList &census, int keep,
                               const std::function<void(int)> &progress)
{
    OldVersionScan result;
    Models models = groupByModel(census, progress);
    if (models.badPosition >= 0) {
        result.badVersion = true;
        result.badPosition = models.badPosition;
        return result;
    }
    std::vector<Recorded> recorded;
    result.keptVersions.reserve(census.size());
    result.keptStart.reserve(qsizetype(models.start.size()));
    for (size_t g = 0; g + 1 < models.start.size(); ++g) {
        result.keptStart.append(int(result.keptVersions.size()));
        recordOldVersions(models.members.data() + models.start[g],
                          models.members.data() + models.start[g + 1], models.value,
                          int(census.size()), std::max(keep, 1), int(g), recorded,
                          result.keptVersions);
    }
    result.keptStart.append(int(result.keptVersions.size()));
    std::sort(recorded.begin(), recorded.end(), [](const Recorded &a, const Recorded &b) {
        return a.first != b.first ? a.first < b.first : a.second < b.second;
    });
    const qsizetype count = qsizetype(recorded.size());
    result.positions.resize(count);
    result.kept.resize(count);
    result.model.resize(count);
    for (qsizetype i = 0; i < count; ++i) {
        result.positions[i] = recorded[size_t(i)].position;
        result.kept[i] = recorded[size_t(i)].kept;
        result.model[i] = recorded[size_t(i)].model;
    }
    return result;
}
