#pragma once

#include "fileidentity.h"
#include "fileoperations.h"
#include "purgeview.h"

#include <QElapsedTimer>
#include <QList>
#include <QStringList>

#include <memory>

class BusyPointer;
class ConfirmView;
class MessageBoxes;
class PinnedFolder;
class ServiceFactory;

// The folder with exactly one separator at its end ("/" stays "/").
QString withTrailingSeparator(const QString &folder);

// The purge engine: the state shared by the windows for the whole run of the program, and the
// procedures that work on it. One object lives as long as the program.
class ProModule
{
public:
    ProModule(MessageBoxes &messages, BusyPointer &busy, ServiceFactory &services);
    ~ProModule();
    ProModule(const ProModule &) = delete;
    ProModule &operator=(const ProModule &) = delete;

    void setMainView(const PurgeView &view) { m_view = view; }
    const PurgeView &mainView() const { return m_view; }
    void setConfirmView(ConfirmView *view) { m_confirm = view; }
    ServiceFactory &services() { return m_services; }
    // Tests put another program's doings between the checks and the deletions.
    void setFileOperations(FileOperations &operations) { m_operations = &operations; }

    // The census: which names of the file list are Pro Engineer version files, in list
    // order, and the two counters of the main window.
    void CountProEngFiles();

    // The old-version scan: asks twice, then fills the purge list. Failures of the file
    // system are thrown to the caller's trap.
    void FindOldVersions();
    // Deletes the purge list (or hands it to the confirmation dialog) and ends the run.
    void DeleteOldVersions();
    // Ends a run: reports what was deleted and puts the main window back to idle.
    void FinishPurge();
    // The same without the report, after a run was aborted and reported.
    void finishQuietly();

    // The confirmed run: asks about each old version in the confirmation dialog.
    void StartConfirmedPurge();
    // Acts on the answer flag the dialog has just set.
    void OnConfirmAnswer();
    void ClearConfirmAnswers();
    // Shows the details of the latest version of PurgeFiles(index)'s model.
    void ShowLatestVersion(const int &index);
    // Leaves the details of a file in FileInfo.
    void ShowFileDetails(QString name);

    // Deletes one file of the file list if it is still the file that was listed. Throws
    // PlatformError, naming the file and the reason, when it is not or cannot be deleted.
    void deleteListedFile(const QString &folder, const FolderIdentity &folderIdentity,
                          const QString &name, const FileIdentity &identity);

    // Census list: bare names, in file-list order.
    QStringList ProEngFiles;
    int ProEngFileCount = 0;

    // Purge list: full paths at positions 1 to OldVersionCount; position 0 stays empty.
    QStringList PurgeFiles{QString()};
    int OldVersionCount = 0;
    bool PurgeAborted = false;
    // The file list's folder, ending with a separator.
    QString FolderPath;
    int DeletedCount = 0;

    // Answers of the confirmation dialog, and the purge-list position asked about.
    bool AnswerYes = false;
    bool AnswerYesToAll = false;
    bool AnswerNo = false;
    bool AnswerCancel = false;
    int PurgeIndex = 0;
    // Model prefixes ("name.type.") of the file asked about and of a census entry.
    QString AskBaseName;
    QString ListBaseName;

    // The file a single-file delete asks about.
    QString DeleteFilePath;

    // File details.
    QString FileInfo;
    bool LatestDetailsPending = false;
    bool FileInfoFailed = false;

private:
    // The version a purge keeps of one model, as it was listed.
    struct KeptVersion
    {
        QString name;
        FileIdentity identity;
        bool checked = false;
    };
    enum class KeptCheck { Once, EveryTime };

    void finish(bool report);
    void clearPurgeList();
    // Deletes PurgeFiles(k) through the folder pinned for this run, after making sure its
    // model's kept version is still there as listed; throws on any doubt.
    void deletePurgeEntry(int k, KeptCheck keptCheck);
    PinnedFolder &pinnedFolder();
    // Keeps the window drawn during long work without letting other events in.
    void repaintNowAndThen();
    // Deletes PurgeFiles(k) and takes it off the purge list box.
    void deleteAskedFile(int k);
    void fillDialogFor(int k);

    MessageBoxes &m_messages;
    BusyPointer &m_busy;
    ServiceFactory &m_services;
    PurgeView m_view;
    ConfirmView *m_confirm = nullptr;
    FileOperations m_systemOperations;
    FileOperations *m_operations = &m_systemOperations;
    // The census entries as they were listed, and the folder they were listed in.
    QList<FileIdentity> m_censusIdentities;
    QString m_censusFolder;
    FolderIdentity m_censusFolderIdentity;
    // The purge list's files by name and as listed (position 0 unused), and for each the
    // version of its model that stays.
    QStringList m_purgeNames{QString()};
    QList<FileIdentity> m_purgeIdentities{FileIdentity()};
    QList<int> m_purgeKept{-1};
    QList<KeptVersion> m_kept;
    std::unique_ptr<PinnedFolder> m_pinned;
    QElapsedTimer m_sinceRepaint;
};
