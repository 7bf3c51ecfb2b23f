#include "folderpurge.h"

#include "filenameorder.h"
#include "fileinformation.h"
#include "foldertree.h"
#include "promodule.h"
#include "quoting.h"
#include "rawnames.h"
#include "wildcardpattern.h"

#include <algorithm>


namespace {

QByteArray shown(const QString &path)
{
    return printablePath(bytesOfText(path));
}

QByteArray jsonText(const QString &text)
{
    return jsonString(bytesOfText(text));
}

QByteArray jsonError(const PlatformError &error)
{
    return "{\"path\":" + jsonText(error.path()) + ",\"reason\":" + jsonText(error.reason()) + '}';
}

} // namespace

FolderPurge::FolderPurge(const ConsoleOptions &options, const WildcardPattern &filter,
                         const QString &path, const FolderIdentity &identity,
                         std::optional<FolderListing> listing, int descriptor, bool owned)
    : m_options(options), m_filter(&filter), m_path(path), m_identity(identity),
      m_listing(std::move(listing)), m_descriptor(descriptor), m_ownsDescriptor(owned)
{
}

FolderPurge::FolderPurge(const ConsoleOptions &options, const QByteArray &rawPath,
                         const QString &error, bool note)
    : m_options(options), m_rawPath(rawPath), m_walkError(error), m_note(note)
{
}

FolderPurge::~FolderPurge()
{
    if (m_ownsDescriptor)
        FolderTree::release(m_descriptor);
}

void FolderPurge::run()
{
    if (m_walkError.isEmpty()) {
        purge();
    } else if (m_note) {
        printError(printablePath(m_rawPath), m_walkError); // gone of itself: nothing was left undone
        jsonFolderError(m_rawPath, QStringLiteral("note"), m_walkError);
    } else {
        printError("cannot read " + printablePath(m_rawPath), m_walkError);
        jsonFolderError(m_rawPath, QStringLiteral("error"), m_walkError);
        m_succeeded = false;
    }
    m_listing.reset(); // what is kept until it is printed is what it says, not what it read
    m_listed = {};
    if (m_ownsDescriptor)
        FolderTree::release(m_descriptor);
    m_descriptor = -1;
}

void FolderPurge::purge()
{
    // Where the walk does not read the folder itself, it is read here by its path.
    if (!m_listing) {
        try {
            m_listing = readFolder(m_path);
        } catch (const PlatformError &error) {
            printError(error, QStringLiteral("cannot read "));
            jsonFolderError(bytesOfText(m_path), QStringLiteral("error"), error.reason());
            m_succeeded = false;
            return;
        }
        // Read by its path, it must still be the folder the walk found there, not one put in
        // its place since (a link to somewhere else, say).
        if (m_listing->identity.device != m_identity.device ||
            (m_identity.inodesKept && m_listing->identity.inode != m_identity.inode)) {
            const QString why = QStringLiteral("is not the folder that was found there; left alone");
            printError(shown(m_path), why);
            jsonFolderError(bytesOfText(m_path), QStringLiteral("error"), why);
            m_succeeded = false;
            return;
        }
    }
    const FolderIdentity identity = m_listing->identity;
    MatchingFiles files = matchingFiles(std::move(*m_listing), *m_filter);
    m_listed = {m_path, identity, std::move(files.names), std::move(files.identities), m_descriptor};

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
            jsonFolderError(bytesOfText(m_path), QStringLiteral("error"), error.message());
            m_engine = nullptr;
            m_succeeded = false;
            return;
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
                    say(false, shown(plan.folder + model.kept[i].name) + " -> " +
                                   shown(model.newNames[i]) + '\n');
            }
        }
    }
    const PurgeOutcome &outcome = engine.outcome();
    m_bytes += outcome.bytesFreed;
    m_renamed += outcome.renamed.size();
    for (const PlatformError &error : outcome.notRenamed)
        printError(error);
    jsonFolder(engine);
    m_engine = nullptr;
    m_succeeded = !engine.abortError() && outcome.notRenamed.isEmpty();
}

void FolderPurge::drawNow()
{
    if (progress)
        progress(m_files);
}

void FolderPurge::fileDeleted(const QString &name)
{
    ++m_files;
    if (m_options.verbose && !m_options.quiet && !m_options.json)
        printPath(withTrailingSeparator(m_listed.folder) + name);
    if (progress)
        progress(m_files);
}

void FolderPurge::fileRenamed(const QString &from, const QString &to)
{
    if (m_options.verbose && !m_options.quiet && !m_options.json && !m_options.nullTerminated)
        say(false, shown(withTrailingSeparator(m_listed.folder) + from) + " -> " + shown(to) + '\n');
}

MessageBoxes::Answer FolderPurge::show(const QString &text, const QString &, Icon icon,
                                       Buttons buttons, const QString &)
{
    if (buttons == Buttons::YesNo)
        return Answer::Yes;
    const PlatformError *error = m_engine ? m_engine->abortError() : nullptr;
    if (icon == Icon::Information || !error) {
        // What the window would report. With NUL-separated paths on standard output, a report
        // there would read as one more.
        if (!m_options.quiet && !m_options.json)
            printLine(m_options.nullTerminated, shown(m_listed.folder), text);
        return Answer::Ok;
    }
    // The run stopped: the engine's notice, then the reason, naming the file.
    printError(shown(m_listed.folder), text);
    printError(*error);
    return Answer::Ok;
}

void FolderPurge::say(bool toStandardError, const QByteArray &bytes)
{
    if (!m_output.isEmpty() && m_output.last().toStandardError == toStandardError)
        m_output.last().bytes += bytes;
    else
        m_output.append({toStandardError, bytes});
}

void FolderPurge::printPath(const QString &path)
{
    if (m_options.nullTerminated)
        say(false, bytesOfText(path) + '\0');
    else
        say(false, shown(path) + '\n');
}

void FolderPurge::printLine(bool toStandardError, const QByteArray &path, const QString &text)
{
    say(toStandardError, path + ": " + text.toUtf8() + '\n');
}

void FolderPurge::printError(const QByteArray &path, const QString &reason)
{
    // A reason of several lines (the note on a model's latest version) stays several lines.
    const QStringList lines = reason.split(QLatin1Char('\n'));
    printLine(true, "vintrex: " + path, lines.first());
    for (qsizetype i = 1; i < lines.size(); ++i)
        printError(lines[i]);
}

void FolderPurge::printError(const PlatformError &error, const QString &before)
{
    if (error.path().isEmpty())
        printError(before + error.reason());
    else
        printError(before.toUtf8() + shown(error.path()), error.reason());
}

void FolderPurge::printError(const QString &text)
{
    say(true, "vintrex: " + text.toUtf8() + '\n');
}

void FolderPurge::jsonFolderError(const QByteArray &path, const QString &key, const QString &reason)
{
    if (m_options.json)
        m_json = "{\"folder\":" + jsonString(path) + ",\"" + key.toUtf8() + "\":" + jsonText(reason) + '}';
}

void FolderPurge::jsonFolder(const ProModule &engine)
{
    if (!m_options.json)
        return;
    const PurgePlan &plan = engine.plan();
    const PurgeOutcome &outcome = engine.outcome();
    QByteArray out = "{\"folder\":" + jsonText(m_listed.folder);
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
    m_json = out + '}';
}
