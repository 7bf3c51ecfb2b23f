#include "consolepurge.h"

#include "console.h"
#include "display.h"
#include "quoting.h"
#include "rawnames.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstdio>

ConsolePurge::ConsolePurge(const Options &options)
    : m_options(options), m_filter(options.pattern, Qt::CaseInsensitive)
{
    m_clock.start();
    m_sinceProgress.start();
    m_terminal = standardErrorIsTerminal() && !options.quiet;
    m_escapes = m_terminal && standardErrorTakesEscapes();
    // The walk's own thread is one of the jobs: it purges what it has listed whenever it is far
    // enough ahead of the workers. A dedicated walk thread left a core idle while two workers
    // shared the other.
    for (int i = 1; i < options.jobs; ++i)
        m_workers.emplace_back(&ConsolePurge::work, this);
}

ConsolePurge::~ConsolePurge()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_work.notify_all();
    for (std::thread &worker : m_workers)
        worker.join();
}

void ConsolePurge::work()
{
    for (;;) {
        FolderPurge *folder = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_work.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            folder = m_queue.front();
            m_queue.pop_front();
        }
        runQueued(*folder);
    }
}

void ConsolePurge::runQueued(FolderPurge &folder)
{
    folder.run();
    {
        std::lock_guard lock(m_mutex);
        folder.done = true;
    }
    m_finished.notify_all();
}

bool ConsolePurge::run(const QStringList &folders, bool recursive)
{
    FolderTree tree;
    QList<QRegularExpression> excluded;
    for (const QString &glob : m_options.exclude)
        excluded.append(QRegularExpression(QRegularExpression::wildcardToRegularExpression(glob),
#ifdef Q_OS_WIN
                                           QRegularExpression::CaseInsensitiveOption));
#else
                                           QRegularExpression::NoPatternOption));
#endif
    if (!excluded.isEmpty()) {
        tree.setExcluded([&excluded](const QString &name) {
            return std::any_of(excluded.cbegin(), excluded.cend(),
                               [&name](const QRegularExpression &glob) { return glob.match(name).hasMatch(); });
        });
    }
    if (m_options.json) {
        printBytes(stdout, "{\"dryRun\":" + QByteArray(m_options.dryRun ? "true" : "false") +
                               ",\"options\":{\"keep\":" + QByteArray::number(m_options.purge.keep) +
                               ",\"trash\":" + (m_options.purge.trash ? "true" : "false") +
                               ",\"renumber\":" + (m_options.purge.renumber ? "true" : "false") +
                               ",\"types\":[\"" + m_options.purge.types.names().join(QStringLiteral("\",\"")).toUtf8() +
                               "\"]},\n\"folders\":[");
    }
    for (const QString &top : folders) {
        tree.walk(top, recursive, [&](const FolderTree::Folder &folder) {
            ++m_folders;
            if (!folder.error.isEmpty()) {
                const QByteArray raw = folder.rawPath.isEmpty() ? bytesOfText(folder.path) : folder.rawPath;
                submit(std::make_unique<FolderPurge>(m_options, raw, folder.error, folder.note), true);
                return;
            }
            // The walk goes on once this returns: the folder's listing and descriptor go with it.
            // A folder of fewer than two files has nothing to purge, and is done here at once.
            std::optional<FolderListing> listing;
            if (folder.listing)
                listing = std::move(*folder.listing);
            bool here = listing && listing->files.size() < 2;
            int descriptor = -1;
            if (folder.descriptor >= 0 && !here && !m_workers.empty()) {
                descriptor = FolderTree::keepOpen(folder.descriptor);
                here = descriptor < 0; // out of descriptors: purged now, through the walk's
            }
            auto job = std::make_unique<FolderPurge>(m_options, m_filter, folder.path, folder.identity,
                                                     std::move(listing),
                                                     descriptor >= 0 ? descriptor : folder.descriptor,
                                                     descriptor >= 0);
            submit(std::move(job), here);
        });
    }
    printDone(true);
    clearProgressLine();
    printTotals();
    std::fflush(stdout);
    return m_succeeded;
}

void ConsolePurge::submit(std::unique_ptr<FolderPurge> folder, bool here)
{
    FolderPurge *job = folder.get();
    m_pending.push_back(std::move(folder));
    if (m_workers.empty() || here) {
        // One job: purged here, where its progress can be shown as it goes.
        job->progress = [this](qint64 files) { updateProgressLine(files); };
        job->run();
        job->done = true;
    } else {
        {
            std::lock_guard lock(m_mutex);
            m_queue.push_back(job);
        }
        m_work.notify_one();
    }
    printDone(false);
}

void ConsolePurge::printDone(bool waitForAll)
{
    // How far the walk may get ahead of the printing before its thread turns to purging: enough
    // that the workers seldom wait for a listing. Each folder holds its listing and a descriptor
    // until it is printed.
    const size_t ahead = std::min<size_t>(16 * m_workers.size() + 2, 64);
    while (!m_pending.empty()) {
        FolderPurge &front = *m_pending.front();
        if (!front.done) {
            if (!waitForAll && m_pending.size() <= ahead)
                return;
            // Rather than wait, this thread purges the next folder no worker has taken: a core
            // would otherwise stand idle while the workers share the others.
            FolderPurge *next = nullptr;
            {
                std::unique_lock lock(m_mutex);
                if (m_queue.empty()) {
                    m_finished.wait(lock, [&front] { return front.done.load(); });
                } else {
                    next = m_queue.front();
                    m_queue.pop_front();
                }
            }
            if (next) {
                runQueued(*next);
                continue;
            }
        }
        print(front);
        m_pending.pop_front();
    }
}

void ConsolePurge::print(const FolderPurge &folder)
{
    for (const FolderPurge::Chunk &chunk : folder.output()) {
        if (chunk.toStandardError)
            std::fflush(stdout); // what was said before comes before it
        printBytes(chunk.toStandardError ? stderr : stdout, chunk.bytes);
    }
    if (!folder.json().isEmpty()) { // only with --json
        printBytes(stdout, (m_anyFolderInJson ? ",\n" : "\n") + folder.json());
        m_anyFolderInJson = true;
    }
    m_succeeded = m_succeeded && folder.succeeded();
    m_files += folder.files();
    m_bytes += folder.bytes();
    m_renamed += folder.renamed();
    updateProgressLine();
}

void ConsolePurge::printBytes(std::FILE *stream, const QByteArray &bytes)
{
    clearProgressLine();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

void ConsolePurge::printTotals()
{
    if (m_options.json) {
        printBytes(stdout, "\n],\n\"totals\":{\"folders\":" + QByteArray::number(m_folders) +
                               ",\"files\":" + QByteArray::number(m_files) +
                               (m_options.dryRun ? ",\"toRename\":" : ",\"renamed\":") + QByteArray::number(m_renamed) +
                               (m_options.dryRun ? ",\"bytesToFree\":" : ",\"bytesFreed\":") +
                               QByteArray::number(m_bytes) + "}}\n");
        return;
    }
    if (m_folders < 2 || m_options.quiet)
        return;
    const char *done = m_options.dryRun ? "to go" : m_options.purge.trash ? "moved to trash" : "deleted";
    QByteArray line = "vintrex: " + QByteArray::number(m_files) + " files " + done + " in " +
                      QByteArray::number(m_folders) + " folders, " + QByteArray::number(m_bytes) +
                      (m_options.dryRun ? " bytes to free" : " bytes freed");
    if (m_options.purge.renumber)
        line += ", " + QByteArray::number(m_renamed) + (m_options.dryRun ? " to rename" : " renamed");
    std::fflush(stdout);
    printBytes(stderr, line + '\n');
}

void ConsolePurge::updateProgressLine(qint64 filesNow)
{
    if (!m_terminal || m_clock.elapsed() < 1000 || m_sinceProgress.elapsed() < 100)
        return;
    m_sinceProgress.restart();
    QString line = QStringLiteral("\rvintrex: folder %1, %2 files %3")
                             .arg(m_folders)
                             .arg(m_files + filesNow)
                             .arg(m_options.dryRun        ? QStringLiteral("to delete")
                                  : m_options.purge.trash ? QStringLiteral("moved to trash")
                                                          : QStringLiteral("deleted"));
    if (m_escapes) {
        line += QStringLiteral("\x1b[K");
    } else {
        const qsizetype width = line.size();
        line = line.leftJustified(m_progressWidth);
        m_progressWidth = width;
    }
    std::fputs(line.toUtf8().constData(), stderr);
    m_progressShown = true;
}

void ConsolePurge::clearProgressLine()
{
    if (!m_progressShown)
        return;
    std::fflush(stdout);
    if (m_escapes)
        std::fputs("\r\x1b[K", stderr);
    else
        std::fputs(('\r' + QByteArray(m_progressWidth, ' ') + '\r').constData(), stderr);
    m_progressShown = false;
}
