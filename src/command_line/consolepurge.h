#pragma once

#include "folderpurge.h"
#include "foldertree.h"
#include "wildcardpattern.h"

#include <QElapsedTimer>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The purge without a window: each folder is purged as the window purges it without
// confirmation, and what the window would show is printed. With several jobs, folders are
// purged side by side while the walk goes on; what each says is printed in the order of the
// walk, a folder's lines together, so that the output is that of one folder after another.
class ConsolePurge
{
public:
    using Options = ConsoleOptions;

    explicit ConsolePurge(const Options &options);
    ~ConsolePurge();
    ConsolePurge(const ConsolePurge &) = delete;
    ConsolePurge &operator=(const ConsolePurge &) = delete;

    // Purges each folder, and with `recursive` every folder below it. False when any folder
    // could not be read or its purge took the abort path.
    bool run(const QStringList &folders, bool recursive);

private:
    // Hands a folder to a worker (or, with one job or `here`, purges it here), then prints
    // every folder at the head of the walk's order that is done.
    void submit(std::unique_ptr<FolderPurge> folder, bool here = false);
    void printDone(bool waitForAll);
    void print(const FolderPurge &folder);
    void printBytes(std::FILE *stream, const QByteArray &bytes);
    void printTotals();
    void work();
    // Purges a folder taken from the queue and marks it done for the printing.
    void runQueued(FolderPurge &folder);
    // The progress line on a terminal, once a run has taken a second.
    void updateProgressLine(qint64 filesNow = 0);
    void clearProgressLine();

    Options m_options;
    WildcardPattern m_filter;
    bool m_succeeded = true;
    qint64 m_folders = 0, m_files = 0, m_bytes = 0, m_renamed = 0;
    bool m_anyFolderInJson = false;

    // Folders in the walk's order, until printed; those not yet taken by a worker.
    std::deque<std::unique_ptr<FolderPurge>> m_pending;
    std::deque<FolderPurge *> m_queue;
    std::mutex m_mutex;
    std::condition_variable m_work, m_finished;
    bool m_stopping = false;
    std::vector<std::thread> m_workers;

    bool m_terminal = false, m_progressShown = false;
    // Without the escape code that clears a line, blanks over the last progress line shown.
    bool m_escapes = true;
    qsizetype m_progressWidth = 0;
    QElapsedTimer m_clock, m_sinceProgress;
};
