#pragma once

#include "confirmview.h"
#include "messageboxes.h"
#include "purgeview.h"

#include <QElapsedTimer>

#include <cstdio>

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
    };

    explicit ConsolePurge(const Options &options);

    // Purges each folder, and with `recursive` every folder below it. False when any folder
    // could not be read or its purge took the abort path.
    bool run(const QStringList &folders, bool recursive);

    ListedFiles listedFiles() const override { return m_listed; }
    QString pattern() const override { return m_options.pattern; }
    bool confirmEachFile() const override { return false; }
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

    void showDialog() override {}
    void hideDialog() override {}
    void setLatestFileInfo(const QString &) override {}
    void setDeleteFileInfo(const QString &) override {}

    // Information goes to standard output with the folder in front; anything else is the abort
    // path, and goes with its details to standard error.
    Answer show(const QString &text, const QString &title, Icon icon, Buttons buttons,
                const QString &details = {}) override;

private:
    bool purge(const QString &folder, const FolderIdentity &found);
    void printLine(std::FILE *stream, const QString &text);
    void printError(const QString &text);
    // The progress line on a terminal, once a run has taken a second.
    void updateProgressLine();
    void clearProgressLine();

    Options m_options;
    ListedFiles m_listed;
    bool m_failed = false; // the folder being purged took the abort path
    // Progress: the folder being purged of how many, and the files deleted (or found) so far.
    qsizetype m_position = 0, m_total = 0;
    qint64 m_files = 0;
    bool m_terminal = false, m_progressShown = false;
    // Without the escape code that clears a line, blanks over the last progress line shown.
    bool m_escapes = true;
    qsizetype m_progressWidth = 0;
    QElapsedTimer m_clock, m_sinceProgress;
};
