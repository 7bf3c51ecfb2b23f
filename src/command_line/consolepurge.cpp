#include "consolepurge.h"

#include "console.h"
#include "display.h"
#include "filenameorder.h"
#include "fileinformation.h"
#include "folderreader.h"
#include "foldertree.h"
#include "platformerror.h"
#include "promodule.h"
#include "wildcardpattern.h"

void ConsolePurge::fileDeleted(const QString &name)
{
    ++m_files;
    if (m_options.verbose)
        printLine(stdout, withTrailingSeparator(m_listed.folder) + name);
    updateProgressLine();
}

ConsolePurge::ConsolePurge(const Options &options) : m_options(options)
{
    m_clock.start();
    m_sinceProgress.start();
    m_terminal = standardErrorIsTerminal();
    m_escapes = m_terminal && standardErrorTakesEscapes();
}

bool ConsolePurge::run(const QStringList &folders, bool recursive)
{
    FolderTree tree;
    for (const QString &folder : folders)
        tree.add(folder, recursive);
    bool allPurged = true;
    m_total = tree.folders().size();
    for (const FolderTree::Folder &folder : tree.folders()) {
        ++m_position;
        updateProgressLine();
        if (!folder.error.isEmpty()) {
            printError(QStringLiteral("cannot read ") + folder.error);
            allPurged = false;
            continue;
        }
        allPurged = purge(folder.path, folder.identity) && allPurged;
    }
    clearProgressLine();
    std::fflush(stdout);
    return allPurged;
}

bool ConsolePurge::purge(const QString &folder, const FolderIdentity &found)
{
    FolderListing listing;
    try {
        listing = readFolder(folder);
    } catch (const PlatformError &error) {
        printError(QStringLiteral("cannot read ") + error.message());
        return false;
    }
    // Read by its path, it must still be the folder the walk found there, not one put in its
    // place since (a link to somewhere else, say).
    if (listing.identity.device != found.device ||
        (found.inodesKept && listing.identity.inode != found.inode)) {
        printError(folder + QStringLiteral(": is not the folder that was found there; left alone"));
        return false;
    }
    // The file list: the files that match the filter, in its order.
    m_listed = {folder, listing.identity, {}, {}};
    const WildcardPattern filter(m_options.pattern, Qt::CaseInsensitive);
    for (qsizetype i = 0; i < listing.files.size(); ++i) {
        if (filter.matches(listing.files[i])) {
            m_listed.names.append(listing.files[i]);
            m_listed.identities.append(listing.fileIdentities[i]);
        }
    }
    sortFileNames(m_listed.names, &m_listed.identities);

    ServiceFactory services;
    ProModule engine(*this, services);
    engine.setViews(this, this);
    m_failed = false;
    engine.CountProEngFiles();
    if (!m_options.dryRun) {
        engine.runPurge();
    } else if (engine.proEngFileCount() > 1) {
        // The run up to its deletions: the questions, the scan and the pinning of the folder.
        try {
            engine.FindOldVersions();
        } catch (const PlatformError &error) {
            printError(error.message());
            return false;
        }
        for (int k = 1; k <= engine.oldVersionCount() && !engine.purgeAborted(); ++k) {
            printLine(stdout, engine.purgeFolder() + engine.purgeNames()[k]);
            ++m_files;
        }
    }
    return !m_failed && !engine.purgeAborted();
}

MessageBoxes::Answer ConsolePurge::show(const QString &text, const QString &, Icon icon,
                                        Buttons buttons, const QString &details)
{
    if (buttons == Buttons::YesNo)
        return Answer::Yes;
    if (icon == Icon::Information) {
        printLine(stdout, m_listed.folder + QStringLiteral(": ") + text);
    } else {
        m_failed = true;
        printError(m_listed.folder + QStringLiteral(": ") + text);
        if (!details.isEmpty())
            printError(details);
    }
    return Answer::Ok;
}

void ConsolePurge::printLine(std::FILE *stream, const QString &text)
{
    clearProgressLine();
    const QByteArray line = text.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stream);
}

void ConsolePurge::printError(const QString &text)
{
    std::fflush(stdout); // what was reported before the error comes before it
    for (const QString &line : text.split(QLatin1Char('\n')))
        printLine(stderr, QStringLiteral("vintrex: ") + line);
}

void ConsolePurge::updateProgressLine()
{
    if (!m_terminal || m_clock.elapsed() < 1000 || m_sinceProgress.elapsed() < 100)
        return;
    m_sinceProgress.restart();
    QString line = QStringLiteral("\rvintrex: folder %1 of %2, %3 files %4")
                             .arg(m_position)
                             .arg(m_total)
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
