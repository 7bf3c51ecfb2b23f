#include "purgeplan.h"

#include "oldversions.h"
#include "pinnedfolder.h"
#include "promodule.h"

#include <QSet>

namespace {

// "a.prt.7" numbered `number`: "a.prt.1".
QString renumbered(const QString &name, int number)
{
    return name.left(name.lastIndexOf(QLatin1Char('.')) + 1) + QString::number(number);
}

// The names the kept versions of a model take, from .1 up, when every one is free or freed
// before it is taken; else empty, with the version that cannot take its name in `blocked` and
// that name in `taken`.
QStringList newNamesOf(const QList<PlannedFile> &kept, const QSet<QStringView> &listed,
                       QString &blocked, QString &taken)
{
    QStringList names;
    bool changes = false;
    for (qsizetype i = 0; i < kept.size(); ++i) {
        names.append(renumbered(kept[i].name, int(i) + 1));
        changes = changes || names.last() != kept[i].name;
    }
    if (!changes)
        return {};
    // Renamed from the lowest up, a name is free when no listed file has it, or when a kept
    // version renamed before it had it.
    for (qsizetype i = 0; i < kept.size(); ++i) {
        if (names[i] == kept[i].name || !listed.contains(names[i]))
            continue;
        bool freed = false;
        for (qsizetype j = 0; j < i && !freed; ++j)
            freed = kept[j].name == names[i] && names[j] != kept[j].name;
        if (!freed) {
            blocked = kept[i].name;
            taken = names[i];
            return {};
        }
    }
    return names;
}

} // namespace

QStringList PurgePlan::oldNames() const
{
    QStringList names;
    names.reserve(old.size());
    for (const PlannedFile &file : old)
        names.append(file.name);
    return names;
}

bool PurgePlan::hasRenames() const
{
    for (const Model &model : models) {
        if (!model.newNames.isEmpty())
            return true;
    }
    return false;
}

PurgePlan makePurgePlan(const PurgeView::ListedFiles &listed, const QList<int> &censusRows,
                        const PurgeOptions &options, const std::function<void(int)> &progress)
{
    PurgePlan plan;
    plan.folder = withTrailingSeparator(listed.folder);
    plan.folderIdentity = listed.folderIdentity;
    plan.folderDescriptor = listed.folderDescriptor;
    plan.options = options;
    QStringList census;
    census.reserve(censusRows.size());
    for (int row : censusRows)
        census.append(listed.names[row]);
    const OldVersionScan scan = scanOldVersions(census, options.keep, progress);
    const auto fileAt = [&](int position) {
        return PlannedFile{census[position], listed.identities[censusRows[position]]};
    };
    if (scan.badVersion) {
        // A version we cannot read as a number: deleting anything of this folder on a guess is
        // worse than deleting nothing.
        plan.refusal = PlatformError(plan.folder + census[scan.badPosition],
                                     QStringLiteral("its version is not a number, so no file of "
                                                    "this folder is deleted"));
        return plan;
    }

    // The models with old versions, in the order of their first one; with renumbering, then
    // those of which only the names of the kept versions change.
    const qsizetype modelCount = scan.keptStart.size() - 1;
    std::vector<int> slot(size_t(modelCount), -1);
    const auto addModel = [&](int m, int checkedPosition) {
        PurgePlan::Model model;
        for (int i = scan.keptStart[m]; i < scan.keptStart[m + 1]; ++i) {
            if (scan.keptVersions[i] == checkedPosition)
                model.checked = int(model.kept.size());
            model.kept.append(fileAt(scan.keptVersions[i]));
        }
        slot[size_t(m)] = int(plan.models.size());
        plan.models.append(std::move(model));
    };
    plan.old.reserve(scan.positions.size());
    plan.modelOf.reserve(scan.positions.size());
    for (qsizetype i = 0; i < scan.positions.size(); ++i) {
        const int m = scan.model[i];
        if (slot[size_t(m)] < 0)
            addModel(m, scan.kept[i]);
        plan.old.append(fileAt(scan.positions[i]));
        plan.modelOf.append(slot[size_t(m)]);
        ++plan.models[slot[size_t(m)]].oldVersions;
    }
    if (!options.renumber)
        return plan;
    // The names in the way: those of the listed files but the old versions, which are gone by
    // the time their model is renamed.
    QSet<QStringView> names;
    names.reserve(listed.names.size());
    for (const QString &name : listed.names)
        names.insert(name);
    for (const PlannedFile &file : std::as_const(plan.old))
        names.remove(file.name);
    for (PurgePlan::Model &model : plan.models)
        model.newNames = newNamesOf(model.kept, names, model.renameBlocked, model.nameTaken);
    for (int m = 0; m < int(modelCount); ++m) {
        if (slot[size_t(m)] >= 0)
            continue;
        PurgePlan::Model model;
        for (int i = scan.keptStart[m]; i < scan.keptStart[m + 1]; ++i)
            model.kept.append(fileAt(scan.keptVersions[i]));
        model.checked = int(model.kept.size()) - 1;
        model.newNames = newNamesOf(model.kept, names, model.renameBlocked, model.nameTaken);
        if (!model.newNames.isEmpty() || !model.nameTaken.isEmpty())
            plan.models.append(std::move(model));
    }
    return plan;
}

PlanExecutor::PlanExecutor(const PurgePlan &plan, FileOperations &operations)
    : m_plan(plan),
      m_folder(std::make_unique<PinnedFolder>(plan.folder, plan.folderIdentity, operations,
                                              plan.folderDescriptor))
{
    m_left.reserve(size_t(plan.models.size()));
    for (const PurgePlan::Model &model : plan.models)
        m_left.push_back(model.oldVersions);
}

PlanExecutor::~PlanExecutor() = default;

void PlanExecutor::carryOut(qsizetype k)
{
    const PlannedFile &kept = m_plan.keptFor(k);
    const PlannedFile &file = m_plan.old[k];
    try {
        try {
            m_folder->expectSame(kept.name, kept.identity);
        } catch (const PlatformError &error) {
            const QString note = QStringLiteral(
                "\nThis is the latest version of its model, which the purge keeps; "
                "no older version of it is deleted.");
            if (error.path().isEmpty())
                throw PlatformError(error.message() + note);
            throw PlatformError(error.path(), error.reason() + note);
        }
        if (m_plan.options.trash)
            m_folder->trashFile(file.name, file.identity);
        else
            m_folder->removeFile(file.name, file.identity);
    } catch (const PlatformError &error) {
        m_outcome.stopped = error;
        throw;
    }
    m_outcome.done.append(k);
    m_outcome.bytesFreed += std::max<qint64>(file.identity.size, 0);
    --m_left[size_t(m_plan.modelOf[k])];
}

void PlanExecutor::renumber()
{
    for (qsizetype m = 0; m < m_plan.models.size(); ++m) {
        const PurgePlan::Model &model = m_plan.models[m];
        if (m_left[size_t(m)] > 0)
            continue; // an old version the user kept: the model stays as it is
        if (!model.nameTaken.isEmpty()) {
            m_outcome.notRenamed.append(PlatformError(
                m_plan.folder + model.renameBlocked, QStringLiteral("cannot take the name ") +
                                                         model.nameTaken +
                                                         QStringLiteral(": a file of that name exists")));
            continue;
        }
        for (qsizetype i = 0; i < model.newNames.size(); ++i) {
            if (model.newNames[i] == model.kept[i].name)
                continue;
            try {
                m_folder->renameFile(model.kept[i].name, model.kept[i].identity, model.newNames[i]);
            } catch (const PlatformError &error) {
                m_outcome.notRenamed.append(error);
                break; // the names of a model are taken in turn: no later one is free now
            }
            m_outcome.renamed.append({model.kept[i].name, model.newNames[i]});
        }
    }
}
