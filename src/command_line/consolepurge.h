#pragma once

#include "confirmview.h"
#include "foldertree.h"
#include "messageboxes.h"
#include "platformerror.h"
#include "purgeoptions.h"
#include "purgeview.h"
#include "wildcardpattern.h"

#include <QElapsedTimer>

#include <cstdio>

class ProModule;

// The purge without a window: each folder is purged as the window purges it without
// confirmation, and what the window would show is printed. The two questions before a purge
// count as answered Yes, the command being the go-ahead. To the engine it is the main window,
// the confirmation dialog (never shown) and the message boxes.
class ConsolePurge : public PurgeView, public ConfirmView, public MessageBoxes
{
public:
    struct Options
    {
        QString pattern = QStringLiteral("*.*"); // the file list's filter
        bool dryRun = false;  // print the old versions instead of deleting them
        bool verbose = false; // print each file deleted
        // The paths of a dry run and of -v end with NUL instead of a newline and are the bytes
        // as they are, for xargs -0; the reports go to standard error then.
        bool nullTerminated = false;
        bool json = false;  // one JSON document on standard output, and nothing else there
        bool quiet = false; // nothing but errors (and the paths of a dry run)
        QStringList exclude; // names of folders a recursive walk leaves out (* and ?)
        PurgeOptions purge;
    };

    explicit ConsolePurge(const Options &options);

    // Purges each folder, and with `recursive` every folder below it. False when any folder
    // could not be read or its purge took the abort path.
    bool run(const QStringList &folders, bool recursive);

    ListedFiles listedFiles() const override { return m_listed; }
    QString pattern() const override { return m_options.pattern; }
    bool confirmEachFile() const override { return false; }
    PurgeOptions purgeOptions() const override { return m_options.purge; }
    // Nothing shows the list once its purge is over: the next folder is read anew.
    void rereadFileList() override {}
    void showCounters(int, int) override {}
    void enablePurgeControls(bool) override {}
    void showPurgeList(const QString &, const QStringList &, const QString &) override {}
    void removePurgeListEntry(const QString &, int) override {}
    void showProgress(bool, int, int) override {}
    void showStatusLine(bool, const QString &) override {}
    void showNormalPointer() override {}
    void drawNow() override { updateProgressLine(); }
    // Counted, and with -v named.
    void fileDeleted(const QString &name) override;
    // With -v named, as "old path -> new name".
    void fileRenamed(const QString &from, const QString &to) override;

    void showDialog() override {}
    void hideDialog() override {}
    void setLatestFileInfo(const QString &) override {}
    void setDeleteFileInfo(const QString &) override {}

    // Information goes to standard output with the folder in front; anything else is the abort
    // path, and goes with its details to standard error.
    Answer show(const QString &text, const QString &title, Icon icon, Buttons buttons,
                const QString &details = {}) override;

private:
    bool purge(const FolderTree::Folder &folder);
    // What a folder's purge planned or did, as a member of the JSON document's "folders".
    void printJsonFolder(const ProModule &engine);
    void printJsonFolderError(const QByteArray &path, const QString &key, const QString &reason);
    void beginJsonFolder(const QByteArray &path);
    // The totals: on standard error after a run over several folders, in the JSON document.
    void printTotals();
    // A path of a file found or deleted, on standard output.
    void printPath(const QString &path);
    // A line of text with a path in front ("path: text").
    void printLine(std::FILE *stream, const QByteArray &path, const QString &text);
    void printBytes(std::FILE *stream, const QByteArray &bytes);
    // An error or a note on standard error, its path quoted where it has to be.
    void printError(const QString &text);
    void printError(const PlatformError &error, const QString &before = {});
    void printError(const QByteArray &path, const QString &reason);
    // The progress line on a terminal, once a run has taken a second.
    void updateProgressLine();
    void clearProgressLine();

    Options m_options;
    WildcardPattern m_filter;
    ListedFiles m_listed;
    const ProModule *m_engine = nullptr; // the engine purging m_listed
    // Progress: how many folders were reached, and the files deleted (or found) so far.
    qsizetype m_position = 0;
    qint64 m_files = 0;
    qint64 m_bytes = 0, m_renamed = 0;
    bool m_anyFolderInJson = false;
    bool m_terminal = false, m_progressShown = false;
    // Without the escape code that clears a line, blanks over the last progress line shown.
    bool m_escapes = true;
    qsizetype m_progressWidth = 0;
    QElapsedTimer m_clock, m_sinceProgress;
};
