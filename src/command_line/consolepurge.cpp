#include "consolepurge.h"

#include "console.h"
#include "display.h"
#include "filenameorder.h"
#include "fileinformation.h"
#include "folderreader.h"
#include "promodule.h"
#include "quoting.h"
#include "rawnames.h"
#include "wildcardpattern.h"

namespace {

QByteArray shown(const QString &path)
{
    return printablePath(bytesOfText(path));
}

} // namespace

void ConsolePurge::fileDeleted(const QString &name)
{
    ++m_files;
    if (m_options.verbose)
        printPath(withTrailingSeparator(m_listed.folder) + name);
    updateProgressLine();
}

ConsolePurge::ConsolePurge(const Options &options)
    : m_options(options), m_filter(options.pattern, Qt::CaseInsensitive)
{
    m_clock.start();
    m_sinceProgress.start();
    m_terminal = standardErrorIsTerminal();
    m_escapes = m_terminal && standardErrorTakesEscapes();
}

bool ConsolePurge::run(const QStringList &folders, bool recursive)
{
    FolderTree tree;
    bool allPurged = true;
    for (const QString &top : folders) {
        tree.walk(top, recursive, [&](const FolderTree::Folder &folder) {
            ++m_position;
            updateProgressLine();
            if (folder.error.isEmpty()) {
                allPurged = purge(folder) && allPurged;
                return;
            }
            const QByteArray path = folder.rawPath.isEmpty() ? shown(folder.path)
                                                             : printablePath(folder.rawPath);
            if (folder.note) {
                printError(path, folder.error); // gone of itself: nothing was left undone
            } else {
                printError("cannot read " + path, folder.error);
                allPurged = false;
            }
        });
    }
    clearProgressLine();
    std::fflush(stdout);
    return allPurged;
}

bool ConsolePurge::purge(const FolderTree::Folder &folder)
{
    // Where the walk does not read the folder itself, it is read here by its path.
    FolderListing read;
    if (!folder.listing) {
        try {
            read = readFolder(folder.path);
        } catch (const PlatformError &error) {
            printError(error, QStringLiteral("cannot read "));
            return false;
        }
        // Read by its path, it must still be the folder the walk found there, not one put in
        // its place since (a link to somewhere else, say).
        if (read.identity.device != folder.identity.device ||
            (folder.identity.inodesKept && read.identity.inode != folder.identity.inode)) {
            printError(shown(folder.path),
                       QStringLiteral("is not the folder that was found there; left alone"));
            return false;
        }
    }
    const FolderListing &listing = folder.listing ? *folder.listing : read;
    // The file list: the files that match the filter, in its order.
    m_listed = {folder.path, listing.identity, {}, {}, folder.descriptor};
    for (qsizetype i = 0; i < listing.files.size(); ++i) {
        if (m_filter.matches(listing.files[i])) {
            m_listed.names.append(listing.files[i]);
            m_listed.identities.append(listing.fileIdentities[i]);
        }
    }
    sortFileNames(m_listed.names, &m_listed.identities);

    ServiceFactory services;
    ProModule engine(*this, services);
    engine.setViews(this, this);
    m_engine = &engine;
    m_failed = false;
    engine.CountProEngFiles();
    if (!m_options.dryRun) {
        engine.runPurge();
    } else if (engine.proEngFileCount() > 1) {
        // The run up to its deletions: the questions, the scan and the pinning of the folder.
        try {
            engine.FindOldVersions();
        } catch (const PlatformError &error) {
            printError(error);
            m_engine = nullptr;
            return false;
        }
        for (int k = 1; k <= engine.oldVersionCount() && !engine.purgeAborted(); ++k) {
            printPath(engine.purgeFolder() + engine.purgeNames()[k]);
            ++m_files;
        }
    }
    m_engine = nullptr;
    return !m_failed && !engine.purgeAborted();
}

MessageBoxes::Answer ConsolePurge::show(const QString &text, const QString &, Icon icon,
                                        Buttons buttons, const QString &details)
{
    if (buttons == Buttons::YesNo)
        return Answer::Yes;
    if (icon == Icon::Information) {
        // With NUL-separated paths on standard output, a report there would read as one more.
        printLine(m_options.nullTerminated ? stderr : stdout, shown(m_listed.folder), text);
        return Answer::Ok;
    }
    m_failed = true;
    printError(shown(m_listed.folder), text);
    if (const PlatformError *error = m_engine ? m_engine->abortError() : nullptr)
        printError(*error);
    else if (!details.isEmpty())
        printError(details);
    return Answer::Ok;
}

void ConsolePurge::printPath(const QString &path)
{
    if (m_options.nullTerminated)
        printBytes(stdout, bytesOfText(path) + '\0');
    else
        printBytes(stdout, shown(path) + '\n');
}

void ConsolePurge::printLine(std::FILE *stream, const QByteArray &path, const QString &text)
{
    if (stream == stderr)
        std::fflush(stdout); // what was reported before comes before it
    printBytes(stream, path + ": " + text.toUtf8() + '\n');
}

void ConsolePurge::printBytes(std::FILE *stream, const QByteArray &bytes)
{
    clearProgressLine();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

void ConsolePurge::printError(const QByteArray &path, const QString &reason)
{
    // A reason of several lines (the note on a model's latest version) stays several lines.
    const QStringList lines = reason.split(QLatin1Char('\n'));
    printLine(stderr, "vintrex: " + path, lines.first());
    for (qsizetype i = 1; i < lines.size(); ++i)
        printError(lines[i]);
}

void ConsolePurge::printError(const PlatformError &error, const QString &before)
{
    if (error.path().isEmpty())
        printError(before + error.reason());
    else
        printError(before.toUtf8() + shown(error.path()), error.reason());
}

void ConsolePurge::printError(const QString &text)
{
    std::fflush(stdout);
    printBytes(stderr, "vintrex: " + text.toUtf8() + '\n');
}

void ConsolePurge::updateProgressLine()
{
    if (!m_terminal || m_clock.elapsed() < 1000 || m_sinceProgress.elapsed() < 100)
        return;
    m_sinceProgress.restart();
    QString line = QStringLiteral("\rvintrex: folder %1, %2 files %3")
                             .arg(m_position)
                             .arg(m_files)
                             .arg(m_options.dryRun ? QStringLiteral("to delete")
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
