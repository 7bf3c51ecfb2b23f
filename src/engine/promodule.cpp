#include "promodule.h"

#include "confirmview.h"
#include "detailstext.h"
#include "fileinformation.h"
#include "messageboxes.h"
#include "pinnedfolder.h"
#include "platformerror.h"
#include "profilenames.h"
#include "purgeview.h"

#include <QDir>

namespace {

// Paths the user sees are written as the system writes them ("\" on Windows).
const QChar kSeparator = QDir::separator();
const QString kCrLf = QStringLiteral("\r\n");
const QString kAbortNotice =
    QStringLiteral("Aborting Purge because files cannot be deleted - possible write protection!");
const QString kTrashAbortNotice = QStringLiteral("Aborting Purge because files cannot be moved to trash!");
// Most deletions take a few microseconds: whether it is time to draw the window again is asked
// at every eighth, not at each.
constexpr qsizetype kDeletionsBetweenClockReads = 8;

} // namespace

QString withTrailingSeparator(const QString &folder)
{
    const QString shown = QDir::toNativeSeparators(folder);
    return shown.endsWith(kSeparator) ? shown : shown + kSeparator;
}

ProModule::ProModule(MessageBoxes &messages, ServiceFactory &services)
    : m_messages(messages), m_services(services)
{
    m_sinceDrawn.start();
}

ProModule::~ProModule() = default;

void ProModule::setViews(PurgeView *main, ConfirmView *confirm)
{
    m_view = main;
    m_confirm = confirm;
}

void ProModule::clearCensus()
{
    ProEngFileCount = 0;
    m_listed = {};
    m_censusRows.clear();
}

void ProModule::CountProEngFiles()
{
    clearCensus();
    m_view->showNormalPointer();

    m_listed = m_view->listedFiles();
    m_options = m_view->purgeOptions();
    // Read through const references: the lists are shared with the file list, and a write
    // access would copy them.
    const QStringList &names = m_listed.names;
    const QList<FileIdentity> &identities = m_listed.identities;
    for (qsizetype row = 0; row < names.size(); ++row) {
        // A link is never a version of its own: purging it, or keeping it in place of the file
        // it points to, could leave a model without its latest version.
        if (identities[row].kind == FileIdentity::Kind::File &&
            isProEngVersionFile(names[row], m_options.types))
            m_censusRows.append(int(row));
    }
    ProEngFileCount = int(m_censusRows.size());
    m_view->showCounters(int(m_listed.names.size()), ProEngFileCount);
}

bool ProModule::askToPurge()
{
    const QString pattern = m_view->pattern();
    const QString description = pattern == QLatin1String("*.*")
                                    ? QStringLiteral("Pro Eng files")
                                    : QStringLiteral("type ") + pattern;
    const QString leadIn = m_view->confirmEachFile()
                               ? QStringLiteral("Do you want to purge old versions of ")
                               : QStringLiteral("Warning ! Do you want to purge ALL old versions of ");
    const QString sure = m_options.trash
                             ? QStringLiteral("Are you sure you want to move files to trash ?")
                             : QStringLiteral("Are you sure you want to purge files ?");
    return m_messages.askYesNo(leadIn + description + QStringLiteral(" in ") +
                                   QDir::toNativeSeparators(m_listed.folder) + QStringLiteral(" ?"),
                               MessageBoxes::Icon::Exclamation) &&
           m_messages.askYesNo(sure, MessageBoxes::Icon::Exclamation);
}

void ProModule::runPurge()
{
    if (ProEngFileCount == 0) {
        m_messages.inform(QStringLiteral("No Pro Eng Files found"), MessageBoxes::Icon::Information);
        return;
    }
    if (ProEngFileCount == 1) {
        m_messages.inform(QStringLiteral("No Pro Eng files to purge"),
                          MessageBoxes::Icon::Information);
        CountProEngFiles();
        return;
    }
    try {
        m_view->showProgress(false, 0, ProEngFileCount);
        m_view->showStatusLine(true, QString());
        FindOldVersions();
        m_view->showProgress(false, 0, ProEngFileCount);
        DeleteOldVersions();
    } catch (const PlatformError &error) {
        m_abortError = error;
        m_view->showNormalPointer();
        m_view->showProgress(false, 0, ProEngFileCount);
        m_view->showStatusLine(false, QString());
        // What was deleted is reported once; the reason is the last word.
        closeRun(false);
        reportDeleted();
        m_messages.inform(toTrash() ? kTrashAbortNotice : kAbortNotice,
                          MessageBoxes::Icon::Exclamation, error.message());
        CountProEngFiles();
    }
}

void ProModule::FindOldVersions()
{
    PurgeAborted = false;
    m_abortError.reset();
    m_executor.reset();
    m_outcome = {};
    m_plan = {};
    // The choices as they are now; the types are those the census was counted with.
    const VersionTypeSet counted = m_options.types;
    m_options = m_view->purgeOptions();
    m_options.types = counted;
    m_view->showProgress(true, 0, ProEngFileCount);
    if (!askToPurge()) {
        PurgeAborted = true;
        m_view->showStatusLine(false, QString());
        return;
    }
    m_view->showStatusLine(true, QStringLiteral("FINDING OLD VERSIONS OF PRO ENG FILES...."));
    m_view->drawNow();
    // The bar follows the scan as far as the eye can: each new value may repaint it.
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    m_plan = makePurgePlan(m_listed, m_censusRows, m_options, [&](int position) {
        // A file takes a fraction of a microsecond here: the clock is read at every 256th.
        if (position % 256 == 0 && sinceProgress.elapsed() >= 40) {
            sinceProgress.restart();
            m_view->showProgress(true, position, ProEngFileCount);
            drawNowAndThen();
        }
    });
    m_view->showProgress(true, ProEngFileCount - 1, ProEngFileCount);
    if (m_plan.refusal) {
        m_abortError = m_plan.refusal;
        m_messages.show(QStringLiteral("Error - Aborting"), MessageBoxes::applicationTitle(),
                        MessageBoxes::Icon::None, MessageBoxes::Buttons::Ok,
                        m_abortError->message());
        PurgeAborted = true;
    } else if (m_plan.size() > 0 || m_plan.hasRenames()) {
        m_executor = std::make_unique<PlanExecutor>(m_plan, *m_operations);
    }
    m_view->showStatusLine(false, QString());
}

void ProModule::DeleteOldVersions()
{
    if (PurgeAborted)
        return;
    if (m_plan.size() == 0) {
        m_messages.inform(QStringLiteral("No old versions of Pro Eng files found"),
                          MessageBoxes::Icon::Information);
        FinishPurge();
        return;
    }
    m_confirm->showDialog();
    if (m_view->confirmEachFile()) {
        StartConfirmedPurge();
        return;
    }
    m_sinceDrawn.restart(); // the window was drawn just now, before the questions closed
    for (qsizetype k = 0; k < m_plan.size(); ++k) {
        deleteEntry(k);
        if (k % kDeletionsBetweenClockReads == 0)
            drawNowAndThen();
    }
    FinishPurge();
}

PlanExecutor &ProModule::executor()
{
    if (!m_executor)
        throw PlatformError(QStringLiteral("No folder is being purged"));
    return *m_executor;
}

void ProModule::deleteListedFile(const QString &folder, const FolderIdentity &folderIdentity,
                                 const QString &name, const FileIdentity &identity, bool trash)
{
    PinnedFolder pinned(folder, folderIdentity, *m_operations);
    if (trash)
        pinned.trashFile(name, identity);
    else
        pinned.removeFile(name, identity);
}

void ProModule::FinishPurge()
{
    closeRun();
    reportDeleted();
}

void ProModule::closeRun(bool renumber)
{
    m_confirm->hideDialog();
    if (m_executor) {
        if (renumber && m_plan.options.renumber)
            m_executor->renumber();
        // What was done stays readable until the next run; the folder is let go now.
        m_outcome = m_executor->outcome();
        m_executor.reset();
        for (const PurgeOutcome::Rename &rename : std::as_const(m_outcome.renamed))
            m_view->fileRenamed(rename.from, rename.to);
    }
    m_view->showPurgeList({}, {}, {});
    clearCensus();
    m_view->rereadFileList();
    // Counted before any box comes up, so that the counters behind it tell the truth.
    CountProEngFiles();
}

void ProModule::reportDeleted()
{
    m_messages.inform(QString::number(DeletedCount) +
                          (toTrash() ? QStringLiteral(" Pro Eng Files Moved to Trash!")
                                     : QStringLiteral(" Pro Eng Files Deleted!")),
                      MessageBoxes::Icon::Information);
    const QList<PlatformError> &notRenamed = m_outcome.notRenamed;
    if (!m_outcome.renamed.isEmpty() || !notRenamed.isEmpty()) {
        QStringList why;
        for (const PlatformError &error : notRenamed)
            why.append(error.message());
        m_messages.inform(QString::number(m_outcome.renamed.size()) + QStringLiteral(" Kept Versions Renumbered"),
                          notRenamed.isEmpty() ? MessageBoxes::Icon::Information
                                               : MessageBoxes::Icon::Exclamation,
                          why.join(QLatin1Char('\n')));
    }
    m_view->enablePurgeControls(true);
    CountProEngFiles();
    DeletedCount = 0;
}

void ProModule::drawNowAndThen()
{
    if (m_sinceDrawn.elapsed() < 250)
        return;
    m_view->drawNow();
    m_sinceDrawn.restart(); // after drawing: a slow repaint must not be followed by another
}

void ProModule::StartConfirmedPurge()
{
    m_view->enablePurgeControls(false);
    PurgeIndex = 0;
    m_view->showPurgeList(m_plan.folder, m_plan.oldNames(),
                          QStringLiteral("Number of files to purge = ") +
                              QString::number(m_plan.size()));
    m_confirm->showDialog();
    fillDialogFor(0);
}

void ProModule::fillDialogFor(qsizetype k)
{
    // The version this run keeps of the model, as its scan found it in the run's own folder, by
    // its own name ("a.prt.010" stays itself): the window may show another folder by now.
    m_confirm->setLatestFileInfo(QStringLiteral("Latest Version found is ") +
                                 fileDetails(m_plan.folder + m_plan.keptFor(k).name, true));
    const QString path = m_plan.folder + m_plan.old[k].name;
    m_confirm->setDeleteFileInfo((toTrash() ? QStringLiteral("Move ") + path + QStringLiteral(" to trash ?")
                                            : QStringLiteral("Delete ") + path + QStringLiteral(" ?")) +
                                 kCrLf + fileDetails(path, false));
}

void ProModule::deleteEntry(qsizetype k)
{
    executor().carryOut(k);
    m_view->fileDeleted(m_plan.old[k].name);
    ++DeletedCount;
}

void ProModule::deleteAskedFile(qsizetype k)
{
    const int likelyRow = int(k) - DeletedCount;
    deleteEntry(k);
    m_view->removePurgeListEntry(m_plan.old[k].name, likelyRow);
}

void ProModule::OnConfirmAnswer(Answer answer)
{
    try {
        switch (answer) {
        case Answer::Yes:
            deleteAskedFile(PurgeIndex);
            break;
        case Answer::YesToAll: {
            // The files gone come off the purge list together, each time before it is drawn.
            QStringList gone;
            const int firstRow = int(PurgeIndex) - DeletedCount;
            const auto takeOff = [&] {
                m_view->removePurgeListEntries(gone, firstRow);
                gone.clear();
            };
            for (qsizetype k = PurgeIndex; k < m_plan.size(); ++k) {
                deleteEntry(k);
                gone.append(m_plan.old[k].name);
                if (k % kDeletionsBetweenClockReads == 0 && m_sinceDrawn.elapsed() >= 250) {
                    takeOff();
                    drawNowAndThen();
                }
            }
            takeOff();
            FinishPurge();
            return;
        }
        case Answer::No:
            break;
        case Answer::Cancel:
            FinishPurge();
            return;
        }
        if (PurgeIndex + 1 >= m_plan.size()) {
            FinishPurge();
            return;
        }
        fillDialogFor(++PurgeIndex);
    } catch (const PlatformError &error) {
        m_abortError = error;
        // The run stops on the reason, then reports what it deleted before, once.
        closeRun(false);
        m_messages.inform(toTrash() ? kTrashAbortNotice : kAbortNotice, MessageBoxes::Icon::Critical,
                          error.message());
        reportDeleted();
    }
}

void ProModule::OnConfirmDialogClosed()
{
    FinishPurge();
}

QString ProModule::fileDetails(const QString &path, bool withPath)
{
    FileObject file;
    try {
        file = m_services.createObject(QStringLiteral("Scripting.FileSystemObject"))->getfile(path);
    } catch (const PlatformError &) {
        // Said once: a second file in a row without details shows nothing.
        m_detailsFailed = !m_detailsFailed;
        return m_detailsFailed ? path + kCrLf + QStringLiteral("(No file info available in current environment)")
                               : QString();
    }
    return (withPath ? file.Path + kCrLf : QString()) + dateLines(file);
}
