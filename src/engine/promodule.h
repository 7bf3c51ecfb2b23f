#pragma once

#include "fileidentity.h"
#include "fileoperations.h"
#include "platformerror.h"
#include "purgeplan.h"
#include "purgeview.h"

#include <QElapsedTimer>
#include <QList>
#include <QStringList>

#include <memory>
#include <optional>

class ConfirmView;
class MessageBoxes;
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

    // The old-version scan: asks twice, then makes the plan and pins its folder. Failures of
    // the file system are thrown to the caller's trap.
    void FindOldVersions();
    // Carries out the plan (or hands it to the confirmation dialog) and ends the run.
    void DeleteOldVersions();
    // Ends a run: reports what was deleted and puts the main window back to idle.
    void FinishPurge();

    // The confirmed run: asks about each old version in the confirmation dialog.
    void StartConfirmedPurge();
    void OnConfirmAnswer(Answer answer);
    // The user closed the confirmation dialog: the run ends as on Cancel.
    void OnConfirmDialogClosed();

    // Deletes one file of the file list (or moves it to the trash) if it is still the file that
    // was listed. Throws PlatformError, naming the file and the reason, when it is not or
    // cannot be deleted.
    void deleteListedFile(const QString &folder, const FolderIdentity &folderIdentity,
                          const QString &name, const FileIdentity &identity, bool trash = false);

    // The plan of the last scan, and what its run has done so far.
    const PurgePlan &plan() const { return m_plan; }
    const PurgeOutcome &outcome() const { return m_executor ? m_executor->outcome() : m_outcome; }
    bool purgeAborted() const { return PurgeAborted; }
    // Why the last run stopped, naming the file, when it stopped on one; else null.
    const PlatformError *abortError() const { return m_abortError ? &*m_abortError : nullptr; }

private:
    bool askToPurge();
    void clearCensus();
    // The two halves of FinishPurge: the window back to the folder as it is now, counted; then
    // the report of what was deleted, and the controls given back. `renumber` renames the kept
    // versions first, as asked, when the run ended as planned.
    void closeRun(bool renumber = true);
    void reportDeleted();
    PlanExecutor &executor();
    void drawNowAndThen();
    // Deletes (or trashes) plan entry k and counts it; then, asked, takes it off the purge list.
    void deleteEntry(qsizetype k);
    void deleteAskedFile(qsizetype k);
    void fillDialogFor(qsizetype k);
    // The details of a file for the dialog, with its path in front when `withPath`.
    QString fileDetails(const QString &path, bool withPath);
    // "Deleted", or what the trash option makes of it.
    bool toTrash() const { return m_plan.options.trash; }

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
    PurgeOptions m_options;
    int ProEngFileCount = 0;

    // The run: its plan, and the executor that holds the folder while the plan is carried out.
    PurgePlan m_plan;
    std::unique_ptr<PlanExecutor> m_executor;
    PurgeOutcome m_outcome; // of the last run, once it is over
    bool PurgeAborted = false;
    std::optional<PlatformError> m_abortError;
    int DeletedCount = 0;

    // The plan position the confirmation dialog asks about.
    qsizetype PurgeIndex = 0;
    // Whether the last file details could not be read: a second failure in a row shows nothing.
    bool m_detailsFailed = false;
};
