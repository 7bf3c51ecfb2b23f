#pragma once

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

    // The confirmed run: asks about each old version in the confirmation dialog.
    void StartConfirmedPurge();
    // Acts on the answer flag the dialog has just set.
    void OnConfirmAnswer();
    void ClearConfirmAnswers();
    // Shows the details of the latest version of PurgeFiles(index)'s model.
    void ShowLatestVersion(const int &index);
    // Leaves the details of a file in FileInfo.
    void ShowFileDetails(QString name);

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
    void clearPurgeList();
    // Deletes PurgeFiles(k) through the folder pinned for this run; throws on any doubt.
    void deletePurgeEntry(int k);
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
    // File-list rows of the census entries, and the inodes the purge list's files had when
    // they were listed.
    QList<int> m_censusRows;
    QList<quint64> m_purgeInodes{0};
    QStringList m_purgeNames{QString()};
    std::unique_ptr<PinnedFolder> m_pinned;
    QElapsedTimer m_sinceRepaint;
};
