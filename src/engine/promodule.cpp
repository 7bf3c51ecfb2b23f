#include "promodule.h"

#include "confirmview.h"
#include "detailstext.h"
#include "fileinformation.h"
#include "messageboxes.h"
#include "oldversions.h"
#include "pinnedfolder.h"
#include "platformerror.h"
#include "profilenames.h"
#include "purgeview.h"

#include <QDir>

#include <vector>

namespace {

// Paths the user sees are written as the system writes them ("\" on Windows).
const QChar kSeparator = QDir::separator();
const QString kCrLf = QStringLiteral("\r\n");
const QString kAbortNotice =
    QStringLiteral("Aborting Purge because files cannot be deleted - possible write protection!");

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
    for (qsizetype row = 0; row < m_listed.names.size(); ++row) {
        // A link is never a version of its own: purging it, or keeping it in place of the file
        // it points to, could leave a model without its latest version.
        if (m_listed.identities[row].kind == FileIdentity::Kind::File &&
            isProEngVersionFile(m_listed.names[row]))
            m_censusRows.append(int(row));
    }
    ProEngFileCount = int(m_censusRows.size());
    m_view->showCounters(int(m_listed.names.size()), ProEngFileCount);
}

void ProModule::clearPurgeList()
{
    m_purgeNames = QStringList{QString()};
    m_purgeIdentities = QList<FileIdentity>{FileIdentity()};
    m_purgeKept = QList<int>{-1};
    m_kept.clear();
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
    return m_messages.askYesNo(leadIn + description + QStringLiteral(" in ") +
                                   QDir::toNativeSeparators(m_listed.folder) + QStringLiteral(" ?"),
                               MessageBoxes::Icon::Exclamation) &&
           m_messages.askYesNo(QStringLiteral("Are you sure you want to purge files ?"),
                               MessageBoxes::Icon::Exclamation);
}

void ProModule::runPurge()
{
    OldVersionCount = 0;
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
        FinishPurge();
        m_messages.inform(kAbortNotice, MessageBoxes::Icon::Exclamation, error.message());
        CountProEngFiles();
    }
}

void ProModule::FindOldVersions()
{
    PurgeAborted = false;
    m_abortError.reset();
    m_view->showProgress(true, 0, ProEngFileCount);
    OldVersionCount = 0;
    clearPurgeList();
    if (askToPurge()) {
        FolderPath = withTrailingSeparator(m_listed.folder);
        m_purgeFolder = FolderPath;
        m_view->showStatusLine(true, QStringLiteral("FINDING OLD VERSIONS OF PRO ENG FILES...."));
        m_view->drawNow();
        QStringList census;
        census.reserve(ProEngFileCount);
        for (int k = 0; k < ProEngFileCount; ++k)
            census.append(censusName(k));
        // The bar follows the scan as far as the eye can: each new value may repaint it.
        QElapsedTimer sinceProgress;
        sinceProgress.start();
        const OldVersionScan scan = scanOldVersions(census, [&](int position) {
            if (sinceProgress.elapsed() >= 40) {
                sinceProgress.restart();
                m_view->showProgress(true, position, ProEngFileCount);
                drawNowAndThen();
            }
        });
        m_view->showProgress(true, ProEngFileCount - 1, ProEngFileCount);
        if (scan.badVersion) {
            // A version we cannot read as a number: deleting anything of this folder on a
            // guess is worse than deleting nothing.
            m_abortError = PlatformError(FolderPath + censusName(scan.badPosition),
                                         QStringLiteral("its version is not a number, so no "
                                                        "file of this folder is deleted"));
            m_messages.show(QStringLiteral("Error - Aborting"), MessageBoxes::applicationTitle(),
                            MessageBoxes::Icon::None, MessageBoxes::Buttons::Ok,
                            m_abortError->message());
            PurgeAborted = true;
        } else {
            fillPurgeList(scan);
        }
    } else {
        PurgeAborted = true;
    }
    m_view->showStatusLine(false, QString());
}

void ProModule::fillPurgeList(const OldVersionScan &scan)
{
    const qsizetype count = scan.positions.size();
    m_purgeNames.reserve(count + 1);
    m_purgeIdentities.reserve(count + 1);
    m_purgeKept.reserve(count + 1);
    std::vector<int> keptSlot(size_t(ProEngFileCount), -1);
    for (qsizetype i = 0; i < count; ++i) {
        const int position = scan.positions[i];
        int &slot = keptSlot[size_t(scan.kept[i])];
        if (slot < 0) {
            slot = int(m_kept.size());
            m_kept.append({censusName(scan.kept[i]), censusIdentity(scan.kept[i])});
        }
        m_purgeNames.append(censusName(position));
        m_purgeIdentities.append(censusIdentity(position));
        m_purgeKept.append(slot);
    }
    OldVersionCount = int(count);
    if (OldVersionCount > 0)
        m_pinned = std::make_unique<PinnedFolder>(m_listed.folder, m_listed.folderIdentity,
                                                  *m_operations, m_listed.folderDescriptor);
}

void ProModule::DeleteOldVersions()
{
    if (PurgeAborted)
        return;
    if (OldVersionCount <= 0) {
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
    for (int k = 1; k <= OldVersionCount; ++k) {
        deletePurgeEntry(k);
        ++DeletedCount;
        drawNowAndThen();
    }
    FinishPurge();
}

PinnedFolder &ProModule::pinnedFolder()
{
    if (!m_pinned)
        throw PlatformError(QStringLiteral("No folder is being purged"));
    return *m_pinned;
}

void ProModule::deletePurgeEntry(int k)
{
    PinnedFolder &folder = pinnedFolder();
    const KeptVersion &kept = m_kept[m_purgeKept[k]];
    try {
        folder.expectSame(kept.name, kept.identity);
    } catch (const PlatformError &error) {
        const QString note = QStringLiteral(
            "\nThis is the latest version of its model, which the purge keeps; "
            "no older version of it is deleted.");
        if (error.path().isEmpty())
            throw PlatformError(error.message() + note);
        throw PlatformError(error.path(), error.reason() + note);
    }
    folder.removeFile(m_purgeNames[k], m_purgeIdentities[k]);
    m_view->fileDeleted(m_purgeNames[k]);
}

void ProModule::deleteListedFile(const QString &folder, const FolderIdentity &folderIdentity,
                                 const QString &name, const FileIdentity &identity)
{
    PinnedFolder(folder, folderIdentity, *m_operations).removeFile(name, identity);
}

void ProModule::FinishPurge()
{
    closeRun();
    reportDeleted();
}

void ProModule::closeRun()
{
    m_confirm->hideDialog();
    m_pinned.reset();
    m_view->showPurgeList({}, {}, {});
    clearCensus();
    clearPurgeList();
    m_view->rereadFileList();
    // Counted before any box comes up, so that the counters behind it tell the truth.
    CountProEngFiles();
}

void ProModule::reportDeleted()
{
    m_messages.inform(QString::number(DeletedCount) + QStringLiteral(" Pro Eng Files Deleted!"),
                      MessageBoxes::Icon::Information);
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

void ProModule::ClearConfirmAnswers()
{
    AnswerYes = false;
    AnswerYesToAll = false;
    AnswerNo = false;
    AnswerCancel = false;
}

void ProModule::StartConfirmedPurge()
{
    m_view->enablePurgeControls(false);
    PurgeIndex = 1;
    m_view->showPurgeList(m_purgeFolder, m_purgeNames.mid(1, OldVersionCount),
                          QStringLiteral("Number of files to purge = ") +
                              QString::number(OldVersionCount));
    m_confirm->showDialog();
    ClearConfirmAnswers();
    fillDialogFor(1);
}

void ProModule::fillDialogFor(int k)
{
    ShowLatestVersion(k);
    LatestDetailsPending = false;
    const QString path = m_purgeFolder + m_purgeNames[k];
    ShowFileDetails(path);
    FileInfo = QStringLiteral("Delete ") + path + QStringLiteral(" ?") + kCrLf + FileInfo;
    m_confirm->setDeleteFileInfo(FileInfo);
}

void ProModule::deleteAskedFile(int k)
{
    deletePurgeEntry(k);
    m_view->removePurgeListEntry(m_purgeNames[k], k - 1 - DeletedCount);
    ++DeletedCount;
}

void ProModule::OnConfirmAnswer(Answer answer)
{
    AnswerYes = answer == Answer::Yes;
    AnswerYesToAll = answer == Answer::YesToAll;
    AnswerNo = answer == Answer::No;
    AnswerCancel = answer == Answer::Cancel;
    try {
        if (AnswerYes)
            deleteAskedFile(PurgeIndex);
        if (AnswerYesToAll) {
            for (int k = PurgeIndex; k <= OldVersionCount; ++k) {
                deleteAskedFile(k);
                drawNowAndThen();
            }
            FinishPurge();
            return;
        }
        if (AnswerCancel) {
            FinishPurge();
            return;
        }
        if (PurgeIndex == OldVersionCount) {
            FinishPurge();
            ClearConfirmAnswers();
            return;
        }
        ClearConfirmAnswers();
        ++PurgeIndex;
        fillDialogFor(PurgeIndex);
    } catch (const PlatformError &error) {
        m_abortError = error;
        // The run stops on the reason, then reports what it deleted before, once.
        closeRun();
        m_messages.inform(kAbortNotice, MessageBoxes::Icon::Critical, error.message());
        reportDeleted();
    }
}

void ProModule::OnConfirmDialogClosed()
{
    AnswerCancel = true;
    FinishPurge();
}

void ProModule::ShowLatestVersion(int index)
{
    // The version this run keeps of the model, as its scan found it in the run's own folder, by
    // its own name ("a.prt.010" stays itself): the window may show another folder by now.
    LatestDetailsPending = true;
    ShowFileDetails(m_kept[m_purgeKept[index]].name);
    m_confirm->setLatestFileInfo(QStringLiteral("Latest Version found is ") + FileInfo);
}

void ProModule::ShowFileDetails(QString name)
{
    FileInfo.clear();
    std::unique_ptr<FileSystemObject> fileSystem;
    FileObject file;
    try {
        if (LatestDetailsPending)
            name = m_purgeFolder + name;
        fileSystem = m_services.createObject(QStringLiteral("Scripting.FileSystemObject"));
        file = fileSystem->getfile(name);
    } catch (const PlatformError &) {
        if (!FileInfoFailed) {
            FileInfo = name + kCrLf + QStringLiteral("(No file info available in current environment)");
            FileInfoFailed = true;
        } else {
            FileInfo.clear();
            FileInfoFailed = false;
        }
        return;
    }
    if (LatestDetailsPending) {
        FileInfo = file.Path + kCrLf;
        LatestDetailsPending = false;
    }
    FileInfo += dateLines(file);
}
