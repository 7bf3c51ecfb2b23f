#pragma once

#include "purgeview.h"

#include <QElapsedTimer>
#include <QList>
#include <QStringList>

#include <memory>

class BusyPointer;
class MessageBoxes;
class PinnedFolder;

// The folder with exactly one separator at its end ("/" stays "/").
QString withTrailingSeparator(const QString &folder);

// The purge engine: the state shared by the windows for the whole run of the program, and the
// procedures that work on it. One object lives as long as the program.
class ProModule
{
public:
    ProModule(MessageBoxes &messages, BusyPointer &busy);
    ~ProModule();
    ProModule(const ProModule &) = delete;
    ProModule &operator=(const ProModule &) = delete;

    void setMainView(const PurgeView &view) { m_view = view; }
    const PurgeView &mainView() const { return m_view; }

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

    // Answers of the confirmation dialog.
    bool AnswerYes = false;
    bool AnswerYesToAll = false;
    bool AnswerNo = false;
    bool AnswerCancel = false;

private:
    void clearPurgeList();
    // Deletes PurgeFiles(k) through the folder pinned for this run; throws on any doubt.
    void deletePurgeEntry(int k);
    PinnedFolder &pinnedFolder();
    // Keeps the window drawn during long work without letting other events in.
    void repaintNowAndThen();

    MessageBoxes &m_messages;
    BusyPointer &m_busy;
    PurgeView m_view;
    // File-list rows of the census entries, and the inodes the purge list's files had when
    // they were listed.
    QList<int> m_censusRows;
    QList<quint64> m_purgeInodes{0};
    QStringList m_purgeNames{QString()};
    std::unique_ptr<PinnedFolder> m_pinned;
    QElapsedTimer m_sinceRepaint;
};
