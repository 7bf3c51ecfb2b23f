#pragma once

#include "fileidentity.h"
#include "purgeoptions.h"

#include <QList>
#include <QStringList>

// The main window as the engine sees it, in the engine's own words. The window implements it;
// tests drive the engine with a small fake.
class PurgeView
{
public:
    // What the file list shows: its folder and, in list order, each name with its file as it
    // was when the folder was read.
    struct ListedFiles
    {
        QString folder;
        FolderIdentity folderIdentity;
        QStringList names;
        QList<FileIdentity> identities;
        // Where the system has descriptors, the folder held open by whoever listed it (and
        // for as long as the files are purged), else -1: it is purged through a copy of it.
        int folderDescriptor = -1;
    };

    virtual ~PurgeView() = default;

    virtual ListedFiles listedFiles() const = 0;
    // The filter pattern as typed, and whether each deletion is to be confirmed.
    virtual QString pattern() const = 0;
    virtual bool confirmEachFile() const = 0;
    // The choices of the Options menu (or the command line's options) for the next run.
    virtual PurgeOptions purgeOptions() const { return {}; }
    // Makes the file list read its folder again; a folder that is gone sends it elsewhere.
    virtual void rereadFileList() = 0;
    virtual void showCounters(int files, int versionFiles) = 0;
    // The purge button (shown again when enabled), the check box, Refresh and the six type
    // buttons: what could start another run.
    virtual void enablePurgeControls(bool enabled) = 0;
    // The purge list with its caption: the full paths of `names` in `folder` (which ends with a
    // separator); an empty list hides both.
    virtual void showPurgeList(const QString &folder, const QStringList &names,
                               const QString &caption) = 0;
    // Takes one file off the purge list; `likelyRow` is where it stands if only deleted entries
    // have left the list.
    virtual void removePurgeListEntry(const QString &name, int likelyRow) = 0;
    // Takes several files off at once, in list order, the first likely at `likelyRow`.
    virtual void removePurgeListEntries(const QStringList &names, int likelyRow)
    {
        for (const QString &name : names)
            removePurgeListEntry(name, likelyRow);
    }
    // The progress bar at `value` of `maximum`.
    virtual void showProgress(bool visible, int value, int maximum) = 0;
    // The status line under the progress bar.
    virtual void showStatusLine(bool visible, const QString &text) = 0;
    virtual void showNormalPointer() = 0;
    // Draws the window now, during long work that lets no event in.
    virtual void drawNow() = 0;
    // A file of the purge list has just been deleted (the window has nothing more to show).
    virtual void fileDeleted(const QString &name) { Q_UNUSED(name) }
    // A version the run keeps has just been renumbered.
    virtual void fileRenamed(const QString &from, const QString &to) { Q_UNUSED(from) Q_UNUSED(to) }
};
