#pragma once

#include "fileidentity.h"
#include "fileoperations.h"
#include "platformerror.h"
#include "purgeview.h"

#include <QElapsedTimer>
#include <QList>
#include <QStringList>

#include <memory>
#include <optional>

class ConfirmView;
class MessageBoxes;
struct OldVersionScan;
class PinnedFolder;
class ServiceFactory;

// The folder as the system writes paths, with exactly one separator at its end ("/" stays "/";
// on Windows "C:/work" is "C:\work\").
QString withTrailingSeparator(const QString &folder);

// The purge engine: the state shared by the windows for the whole run of the program, and the
// procedures that work on it. One object lives as long as the program; it reaches the windows
// only through their views.
class ProModule
{
public:
    // The answers of the confirmation dialog.
    enum class Answer { Yes, YesToAll, No, Cancel };

    ProModule(MessageBoxes &messages, ServiceFactory &services);
    ~ProModule();
    ProModule(const ProModule &) = delete;
    ProModule &operator=(const ProModule &) = delete;

    void setViews(PurgeView *main, ConfirmView *confirm);
    ServiceFactory &services() { return m_services; }
    // Tests put another program's doings between the checks and the deletions.
    void setFileOperations(FileOperations &operations) { m_operations = &operations; }

    // The census: which files of the file list are Pro Engineer version files, and the two
    // counters of the main window.
    void CountProEngFiles();
    int proEngFileCount() const { return ProEngFileCount; }

    // The purge command: with two or more version files listed, the scan and the deletion
    // (or the start of the confirmed run); a run that fails ends with the abort message.
    void runPurge();

    // The old-version scan: asks twice, then fills the purge list. Failures of the file
    // system are thrown to the caller's trap.
    void FindOldVersions();
    // Deletes the purge list (or hands it to the confirmation dialog) and ends the run.
    void DeleteOldVersions();
    // Ends a run: reports what was deleted and puts the main window back to idle.
    void FinishPurge();

    // The confirmed run: asks about each old version in the confirmation dialog.
    void StartConfirmedPurge();
    void OnConfirmAnswer(Answer answer);
    // The user closed the confirmation dialog: the run ends as on Cancel.
    void OnConfirmDialogClosed();
    void ClearConfirmAnswers();

    // Deletes one file of the file list if it is still the file that was listed. Throws
    // PlatformError, naming the file and the reason, when it is not or cannot be deleted.
    void deleteListedFile(const QString &folder, const FolderIdentity &folderIdentity,
                          const QString &name, const FileIdentity &identity);

    // The purge list of the last scan: the names at positions 1 to oldVersionCount() of files
    // in purgeFolder(), which ends with a separator.
    const QStringList &purgeNames() const { return m_purgeNames; }
    const QString &purgeFolder() const { return m_purgeFolder; }
    int oldVersionCount() const { return OldVersionCount; }
    bool purgeAborted() const { return PurgeAborted; }
    // Why the last run stopped, naming the file, when it stopped on one; else null.
    const PlatformError *abortError() const { return m_abortError ? &*m_abortError : nullptr; }

private:
    // The version a purge keeps of one model, as it was listed.
    struct KeptVersion
    {
        QString name;
        FileIdentity identity;
    };

    bool askToPurge();
    void fillPurgeList(const OldVersionScan &scan);
    const QString &censusName(qsizetype k) const { return m_listed.names[m_censusRows[k]]; }
    const FileIdentity &censusIdentity(qsizetype k) const
    {
        return m_listed.identities[m_censusRows[k]];
    }
    void clearCensus();
    void clearPurgeList();
    // The two halves of FinishPurge: the window back to the folder as it is now, counted; then
    // the report of what was deleted, and the controls given back.
    void closeRun();
    void reportDeleted();
    // Deletes purge-list entry k through the folder pinned for this run, after making sure its
    // model's kept version is still there as listed (every time: another program may take it
    // away between two deletions); throws on any doubt.
    void deletePurgeEntry(int k);
    PinnedFolder &pinnedFolder();
    void drawNowAndThen();
    // Deletes purge-list entry k and takes it off the purge list box.
    void deleteAskedFile(int k);
    void fillDialogFor(int k);
    // Shows the details of the latest version of the model of purge-list entry `index`.
    void ShowLatestVersion(int index);
    // Leaves the details of a file in FileInfo.
    void ShowFileDetails(QString name);

    MessageBoxes &m_messages;
    ServiceFactory &m_services;
    PurgeView *m_view = nullptr;
    ConfirmView *m_confirm = nullptr;
    FileOperations m_systemOperations;
    FileOperations *m_operations = &m_systemOperations;
    QElapsedTimer m_sinceDrawn;

    // Census: the file list as it was counted (its lists shared, not copied: the file list may
    // be read again before a purge, and its rows then stand for other files), and the rows of
    // its version files in list order.
    PurgeView::ListedFiles m_listed;
    QList<int> m_censusRows;
    int ProEngFileCount = 0;

    // Purge list: names at positions 1 to OldVersionCount (position 0 stays empty) of files in
    // m_purgeFolder, with each file as listed and the version of its model that stays. A full
    // path is built only where one is shown.
    QString m_purgeFolder;
    QStringList m_purgeNames{QString()};
    QList<FileIdentity> m_purgeIdentities{FileIdentity()};
    QList<int> m_purgeKept{-1};
    QList<KeptVersion> m_kept;
    int OldVersionCount = 0;
    bool PurgeAborted = false;
    std::optional<PlatformError> m_abortError;
    // The file list's folder, ending with a separator.
    QString FolderPath;
    int DeletedCount = 0;
    std::unique_ptr<PinnedFolder> m_pinned;

    // Answers of the confirmation dialog, and the purge-list position asked about.
    bool AnswerYes = false;
    bool AnswerYesToAll = false;
    bool AnswerNo = false;
    bool AnswerCancel = false;
    int PurgeIndex = 0;

    // File details.
    QString FileInfo;
    bool LatestDetailsPending = false;
    bool FileInfoFailed = false;
};
