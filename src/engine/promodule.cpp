#include "promodule.h"

#include "busypointer.h"
#include "filelist.h"
#include "messageboxes.h"
#include "oldversions.h"
#include "pinnedfolder.h"
#include "platformerror.h"
#include "profilenames.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

namespace {

const QChar kSeparator = QLatin1Char('/');

} // namespace

QString withTrailingSeparator(const QString &folder)
{
    return folder.endsWith(kSeparator) ? folder : folder + kSeparator;
}

ProModule::ProModule(MessageBoxes &messages, BusyPointer &busy) : m_messages(messages), m_busy(busy)
{
    m_sinceRepaint.start();
}

ProModule::~ProModule() = default;

void ProModule::CountProEngFiles()
{
    ProEngFileCount = 0;
    ProEngFiles.clear();
    m_censusRows.clear();
    m_busy.setNormal();

    const QStringList &names = m_view.filList->names();
    for (int row = 0; row < names.size(); ++row) {
        if (isProEngVersionFile(names[row])) {
            ProEngFiles.append(names[row]);
            m_censusRows.append(row);
            ++ProEngFileCount;
        }
    }
    m_view.Pro_Eng_files->setText(QStringLiteral("Pro Eng Files = ") +
                                  QString::number(ProEngFileCount));
    m_view.Label1->setText(QStringLiteral("Files = ") + QString::number(m_view.filList->count()));
}

void ProModule::clearPurgeList()
{
    PurgeFiles = QStringList{QString()};
    m_purgeNames = QStringList{QString()};
    m_purgeInodes = QList<quint64>{0};
}

void ProModule::FindOldVersions()
{
    PurgeAborted = false;
    m_view.ProgressBar1->show();
    const QString pattern = m_view.txtSearchSpec->text();
    const QString description = pattern == QLatin1String("*.*")
                                    ? QStringLiteral("Pro Eng files")
                                    : QStringLiteral("type ") + pattern;
    OldVersionCount = 0;
    clearPurgeList();

    const QString leadIn = m_view.Ask->isChecked()
                               ? QStringLiteral("Do you want to purge old versions of ")
                               : QStringLiteral("Warning ! Do you want to purge ALL old versions of ");
    const bool go =
        m_messages.askYesNo(leadIn + description + QStringLiteral(" in ") +
                                m_view.filList->folder() + QStringLiteral(" ?"),
                            MessageBoxes::Icon::Exclamation) &&
        m_messages.askYesNo(QStringLiteral("Are you sure you want to purge files ?"),
                            MessageBoxes::Icon::Exclamation);
    if (go) {
        FolderPath = withTrailingSeparator(m_view.filList->folder());
        m_view.FILE_DELETING_LABEL->setText(
            QStringLiteral("FINDING OLD VERSIONS OF PRO ENG FILES...."));
        m_view.FILE_DELETING_LABEL->repaint();

        const QStringList census = ProEngFiles.mid(0, ProEngFileCount);
        // The bar follows the scan as far as the eye can: each setValue may repaint it.
        QElapsedTimer sinceProgress;
        sinceProgress.start();
        const OldVersionScan scan = scanOldVersions(census, [&](int position) {
            if (sinceProgress.elapsed() >= 40) {
                sinceProgress.restart();
                m_view.ProgressBar1->setValue(position);
                repaintNowAndThen();
            }
        });
        m_view.ProgressBar1->setValue(ProEngFileCount - 1);
        if (scan.badVersion) {
            // A version we cannot read as a number: deleting anything of this folder on a
            // guess is worse than deleting nothing.
            m_messages.show(QStringLiteral("Error - Aborting"), MessageBoxes::applicationTitle(),
                            MessageBoxes::Icon::None, MessageBoxes::Buttons::Ok);
            PurgeAborted = true;
        } else {
            PurgeFiles.reserve(scan.positions.size() + 1);
            m_purgeNames.reserve(scan.positions.size() + 1);
            m_purgeInodes.reserve(scan.positions.size() + 1);
            for (int position : scan.positions) {
                PurgeFiles.append(FolderPath + census[position]);
                m_purgeNames.append(census[position]);
                m_purgeInodes.append(m_view.filList->inode(m_censusRows[position]));
            }
            OldVersionCount = int(scan.positions.size());
            if (OldVersionCount > 0)
                m_pinned = std::make_unique<PinnedFolder>(m_view.filList->folder(),
                                                          m_view.filList->folderIdentity());
        }
    } else {
        PurgeAborted = true;
    }
    m_view.FILE_DELETING_LABEL->hide();
    m_view.FILE_DELETING_LABEL->setText(QString());
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
    pinnedFolder().removeFiles(m_purgeNames.mid(1, OldVersionCount),
                               m_purgeInodes.mid(1, OldVersionCount), [this] {
                                   ++DeletedCount;
                                   repaintNowAndThen();
                               });
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
    QString name;
    if (!pinnedFolder().containsDirectly(PurgeFiles[k], name) || name != m_purgeNames[k])
        throw PlatformError(PurgeFiles[k] + QStringLiteral(": not in the folder being purged"));
    m_pinned->removeFile(name, m_purgeInodes[k]);
}

void ProModule::FinishPurge()
{
    m_pinned.reset();
    m_view.DeleteFiles->clear();
    m_view.DeleteFiles->hide();
    m_view.PurgeListLabel->hide();
    m_view.DeleteFiles->clear();
    ProEngFiles.clear();
    m_censusRows.clear();
    ProEngFileCount = 0;
    clearPurgeList();
    m_view.rereadFileList();
    m_view.DeleteFiles->hide();
    m_view.PurgeListLabel->hide();
    m_messages.inform(QString::number(DeletedCount) + QStringLiteral(" Pro Eng Files Deleted!"),
                      MessageBoxes::Icon::Information);
    CountProEngFiles();
    m_view.Purge_Command->show();
    m_view.Purge_Command->setEnabled(true);
    CountProEngFiles();
    m_view.Ask->setEnabled(true);
    for (QPushButton *button : m_view.Command)
        button->setEnabled(true);
    DeletedCount = 0;
}

void ProModule::repaintNowAndThen()
{
    if (m_sinceRepaint.elapsed() < 250)
        return;
    m_sinceRepaint.restart();
    if (QWidget *window = m_view.Purge_Command->window())
        window->repaint();
}
