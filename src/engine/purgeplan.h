#pragma once

#include "fileidentity.h"
#include "platformerror.h"
#include "purgeoptions.h"
#include "purgeview.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class FileOperations;
class PinnedFolder;

// A file of the plan, as it was listed.
struct PlannedFile
{
    QString name;
    FileIdentity identity;
};

// What a purge of one folder is to do, decided once from its listing: for each model with
// something to do, the versions that stay and the files that go, in the purge list's order.
// The window's purge list, the confirmation dialog, the dry run, the JSON document and the
// reports all show this value; PlanExecutor carries it out.
struct PurgePlan
{
    struct Model
    {
        QList<PlannedFile> kept; // the versions that stay, the lowest first
        int checked = 0;         // the one looked at before each deletion: the highest
        // With renumbering, the name each kept version is to take; empty when none changes.
        QStringList newNames;
        // A new name another file has, which leaves the names as they are, and whose it was to be.
        QString nameTaken, renameBlocked;
        int oldVersions = 0;
    };

    QString folder; // as the user sees it, ending with a separator
    FolderIdentity folderIdentity;
    int folderDescriptor = -1;
    PurgeOptions options;
    // Set when nothing of the folder may be touched (a version that is no number).
    std::optional<PlatformError> refusal;
    QList<Model> models;
    QList<PlannedFile> old; // the files to delete, in purge-list order
    QList<int> modelOf;     // each one's model

    qsizetype size() const { return old.size(); }
    const PlannedFile &keptFor(qsizetype k) const
    {
        const Model &model = models[modelOf[k]];
        return model.kept[model.checked];
    }
    QStringList oldNames() const;
    bool hasRenames() const;
};

// The plan for the version files at `censusRows` of `listed`. `progress` is called with each
// census position as the scan passes it.
PurgePlan makePurgePlan(const PurgeView::ListedFiles &listed, const QList<int> &censusRows,
                        const PurgeOptions &options,
                        const std::function<void(int)> &progress = {});

// What a run of a plan did.
struct PurgeOutcome
{
    struct Rename
    {
        QString from, to;
    };
    QList<qsizetype> done; // the plan's old versions deleted (or trashed), in order
    QList<Rename> renamed;
    QList<PlatformError> notRenamed; // a model left with its names, and why
    std::optional<PlatformError> stopped;
    qint64 bytesFreed = 0;
};

// Carries out a plan on the folder it was made for, with every check: the folder pinned as
// listed; before each file goes, its model's highest version is still the listed file, and
// the file itself is too.
class PlanExecutor
{
public:
    // Throws PlatformError when the folder is not the one listed.
    PlanExecutor(const PurgePlan &plan, FileOperations &operations);
    ~PlanExecutor();

    // Deletes (or moves to the trash) old version k. Throws PlatformError, kept as the reason the
    // run stopped, when it or its model's kept version is not as listed or cannot go.
    void carryOut(qsizetype k);
    // Renames the kept versions of each model all of whose old versions are gone; a model of
    // which a new name is taken keeps its names, which is noted.
    void renumber();
    const PurgeOutcome &outcome() const { return m_outcome; }

private:
    const PurgePlan &m_plan;
    std::unique_ptr<PinnedFolder> m_folder;
    std::vector<int> m_left; // old versions of each model not yet gone
    PurgeOutcome m_outcome;
};
