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

#include <QRegularExpression>

#include <algorithm>

namespace {

QByteArray shown(const QString &path)
{
    return printablePath(bytesOfText(path));
}

} // namespace

void ConsolePurge::fileDeleted(const QString &name)
{
    ++m_files;
    if (m_options.verbose && !m_options.quiet && !m_options.json)
        printPath(withTrailingSeparator(m_listed.folder) + name);
    updateProgressLine();
}

void ConsolePurge::fileRenamed(const QString &from, const QString &to)
{
    if (m_options.verbose && !m_options.quiet && !m_options.json && !m_options.nullTerminated)
        printBytes(stdout, shown(withTrailingSeparator(m_listed.folder) + from) + " -> " + shown(to) + '\n');
}

ConsolePurge::ConsolePurge(const Options &options)
    : m_options(options), m_filter(options.pattern, Qt::CaseInsensitive)
{
    m_clock.start();
    m_sinceProgress.start();
    m_terminal = standardErrorIsTerminal() && !options.quiet;
    m_escapes = m_terminal && standardErrorTakesEscapes();
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
    bool allPurged = true;
    for (const QString &top : folders) {
        tree.walk(top, recursive, [&](const FolderTree::Folder &folder) {
            ++m_position;
            updateProgressLine();
            if (folder.error.isEmpty()) {
                allPurged = purge(folder) && allPurged;
                return;
            }
            const QByteArray raw = folder.rawPath.isEmpty() ? bytesOfText(folder.path) : folder.rawPath;
            const QByteArray path = printablePath(raw);
            if (folder.note) {
                printError(path, folder.error); // gone of itself: nothing was left undone
                printJsonFolderError(raw, QStringLiteral("note"), folder.error);
            } else {
                printError("cannot read " + path, folder.error);
                printJsonFolderError(raw, QStringLiteral("error"), folder.error);
                allPurged = false;
            }
        });
    }
    clearProgressLine();
    printTotals();
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
            printJsonFolderError(bytesOfText(folder.path), QStringLiteral("error"), error.reason());
            return false;
        }
        // Read by its path, it must still be the folder the walk found there, not one put in
        // its place since (a link to somewhere else, say).
        if (read.identity.device != folder.identity.device ||
            (folder.identity.inodesKept && read.identity.inode != folder.identity.inode)) {
            const QString why = QStringLiteral("is not the folder that was found there; left alone");
            printError(shown(folder.path), why);
            printJsonFolderError(bytesOfText(folder.path), QStringLiteral("error"), why);
            return false;
        }
    }
    FolderListing copy;
    if (folder.listing)
        copy = *folder.listing;
    const FolderIdentity identity = folder.listing ? folder.listing->identity : read.identity;
    MatchingFiles files = matchingFiles(folder.listing ? std::move(copy) : std::move(read), m_filter);
    m_listed = {folder.path, identity, std::move(files.names), std::move(files.identities),
                folder.descriptor};

    ServiceFactory services;
    ProModule engine(*this, services);
    engine.setViews(this, this);
    m_engine = &engine;
    engine.CountProEngFiles();
    if (!m_options.dryRun) {
        engine.runPurge();
    } else if (engine.proEngFileCount() > 1) {
        // The run up to its deletions: the questions, the plan and the pinning of the folder.
        try {
            engine.FindOldVersions();
        } catch (const PlatformError &error) {
            printError(error);
            printJsonFolderError(bytesOfText(folder.path), QStringLiteral("error"), error.message());
            m_engine = nullptr;
            return false;
        }
        const PurgePlan &plan = engine.plan();
        for (const PlannedFile &file : plan.old) {
            if (!m_options.json)
                printPath(plan.folder + file.name);
            m_bytes += std::max<qint64>(file.identity.size, 0);
        }
        m_files += plan.size();
        for (const PurgePlan::Model &model : plan.models) {
            for (qsizetype i = 0; i < model.newNames.size(); ++i) {
                if (model.newNames[i] == model.kept[i].name)
                    continue;
                ++m_renamed;
                if (!m_options.json && !m_options.nullTerminated)
                    printBytes(stdout, shown(plan.folder + model.kept[i].name) + " -> " +
                                           shown(model.newNames[i]) + '\n');
            }
        }
    }
    const PurgeOutcome &outcome = engine.outcome();
    m_bytes += outcome.bytesFreed;
    m_renamed += outcome.renamed.size();
    for (const PlatformError &error : outcome.notRenamed)
        printError(error);
    printJsonFolder(engine);
    m_engine = nullptr;
    return !engine.abortError() && outcome.notRenamed.isEmpty();
}

MessageBoxes::Answer ConsolePurge::show(const QString &text, const QString &, Icon icon,
                                        Buttons buttons, const QString &)
{
    if (buttons == Buttons::YesNo)
        return Answer::Yes;
    const PlatformError *error = m_engine ? m_engine->abortError() : nullptr;
    if (icon == Icon::Information || !error) {
        // What the window would report. With NUL-separated paths on standard output, a report
        // there would read as one more.
        if (!m_options.quiet && !m_options.json)
            printLine(m_options.nullTerminated ? stderr : stdout, shown(m_listed.folder), text);
        return Answer::Ok;
    }
    // The run stopped: the engine's notice, then the reason, naming the file.
    printError(shown(m_listed.folder), text);
    printError(*error);
    return Answer::Ok;
}

void ConsolePurge::beginJsonFolder(const QByteArray &path)
{
    printBytes(stdout, (m_anyFolderInJson ? ",\n{\"folder\":" : "\n{\"folder\":") + jsonString(path));
    m_anyFolderInJson = true;
}

void ConsolePurge::printJsonFolderError(const QByteArray &path, const QString &key, const QString &reason)
{
    if (!m_options.json)
        return;
    beginJsonFolder(path);
    printBytes(stdout, ",\"" + key.toUtf8() + "\":" + jsonString(bytesOfText(reason)) + '}');
}

namespace {

QByteArray jsonText(const QString &text)
{
    return jsonString(bytesOfText(text));
}

QByteArray jsonError(const PlatformError &error)
{
    return "{\"path\":" + jsonText(error.path()) + ",\"reason\":" + jsonText(error.reason()) + '}';
}

} // namespace

void ConsolePurge::printJsonFolder(const ProModule &engine)
{
    if (!m_options.json)
        return;
    const PurgePlan &plan = engine.plan();
    const PurgeOutcome &outcome = engine.outcome();
    beginJsonFolder(bytesOfText(m_listed.folder));
    QByteArray out;
    if (m_options.dryRun) {
        qint64 bytes = 0;
        out += ",\"models\":[";
        for (qsizetype m = 0; m < plan.models.size(); ++m) {
            const PurgePlan::Model &model = plan.models[m];
            out += m ? ",{\"kept\":[" : "{\"kept\":[";
            for (qsizetype i = 0; i < model.kept.size(); ++i)
                out += (i ? "," : "") + jsonText(model.kept[i].name);
            out += "],\"delete\":[";
            bool first = true;
            for (qsizetype k = 0; k < plan.size(); ++k) {
                if (plan.modelOf[k] != m)
                    continue;
                out += (first ? "{\"name\":" : ",{\"name\":") + jsonText(plan.old[k].name) +
                       ",\"size\":" + QByteArray::number(std::max<qint64>(plan.old[k].identity.size, 0)) + '}';
                bytes += std::max<qint64>(plan.old[k].identity.size, 0);
                first = false;
            }
            out += "],\"rename\":[";
            first = true;
            for (qsizetype i = 0; i < model.newNames.size(); ++i) {
                if (model.newNames[i] == model.kept[i].name)
                    continue;
                out += (first ? "{\"from\":" : ",{\"from\":") + jsonText(model.kept[i].name) +
                       ",\"to\":" + jsonText(model.newNames[i]) + '}';
                first = false;
            }
            out += "]";
            if (!model.nameTaken.isEmpty())
                out += ",\"nameTaken\":" + jsonText(model.nameTaken);
            out += '}';
        }
        out += "],\"bytesToFree\":" + QByteArray::number(bytes);
    } else {
        out += m_options.purge.trash ? ",\"trashed\":[" : ",\"deleted\":[";
        for (qsizetype i = 0; i < outcome.done.size(); ++i)
            out += (i ? "," : "") + jsonText(plan.old[outcome.done[i]].name);
        out += "],\"renamed\":[";
        for (qsizetype i = 0; i < outcome.renamed.size(); ++i)
            out += (i ? ",{\"from\":" : "{\"from\":") + jsonText(outcome.renamed[i].from) +
                   ",\"to\":" + jsonText(outcome.renamed[i].to) + '}';
        out += "],\"notRenamed\":[";
        for (qsizetype i = 0; i < outcome.notRenamed.size(); ++i)
            out += (i ? "," : "") + jsonError(outcome.notRenamed[i]);
        out += "],\"bytesFreed\":" + QByteArray::number(outcome.bytesFreed);
    }
    if (const PlatformError *error = engine.abortError())
        out += ",\"stopped\":" + jsonError(*error);
    printBytes(stdout, out + '}');
}

void ConsolePurge::printTotals()
{
    if (m_options.json) {
        printBytes(stdout, "\n],\n\"totals\":{\"folders\":" + QByteArray::number(m_position) +
                               ",\"files\":" + QByteArray::number(m_files) +
                               (m_options.dryRun ? ",\"toRename\":" : ",\"renamed\":") + QByteArray::number(m_renamed) +
                               (m_options.dryRun ? ",\"bytesToFree\":" : ",\"bytesFreed\":") +
                               QByteArray::number(m_bytes) + "}}\n");
        return;
    }
    if (m_position < 2 || m_options.quiet)
        return;
    const char *done = m_options.dryRun ? "to go" : m_options.purge.trash ? "moved to trash" : "deleted";
    QByteArray line = "vintrex: " + QByteArray::number(m_files) + " files " + done + " in " +
                      QByteArray::number(m_position) + " folders, " + QByteArray::number(m_bytes) +
                      (m_options.dryRun ? " bytes to free" : " bytes freed");
    if (m_options.purge.renumber)
        line += ", " + QByteArray::number(m_renamed) + (m_options.dryRun ? " to rename" : " renamed");
    std::fflush(stdout);
    printBytes(stderr, line + '\n');
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
