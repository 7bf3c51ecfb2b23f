#include "drivelist.h"

#include "platformerror.h"

#include <QDir>
#include <QSignalBlocker>

namespace {

bool isUnder(const QString &path, const QString &root)
{
    if (root.endsWith(QLatin1Char('/')))
        return path.startsWith(root) || path + QLatin1Char('/') == root;
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

} // namespace

DriveList::DriveList(QWidget *parent) : QComboBox(parent)
{
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_silent)
            emit driveChanged();
    });
    setVolumes(systemVolumes());
}

void DriveList::setVolumes(const QList<Volume> &volumes)
{
    const QSignalBlocker blocker(this);
    m_volumes = volumes;
    QComboBox::clear();
    for (const Volume &volume : volumes) {
        const QString device = volume.label.section(QLatin1Char('/'), -1);
        const QString shown = QDir::toNativeSeparators(volume.root);
        addItem(device.isEmpty() ? shown : shown + QStringLiteral("  [") + device + QLatin1Char(']'),
                volume.root);
    }
    const int home = indexOfDrive(homeDrive());
    setCurrentIndex(home >= 0 ? home : 0);
}

QString DriveList::drive() const
{
    return currentData().toString();
}

int DriveList::indexOfDrive(const QString &root) const
{
    for (int i = 0; i < m_volumes.size(); ++i) {
        if (m_volumes[i].root == root)
            return i;
    }
    return -1;
}

void DriveList::setDrive(const QString &name)
{
    if (name.isEmpty())
        throw PlatformError(QStringLiteral("No drive given"));
    int index = indexOfDrive(name);
    if (index < 0) {
        // A saved drive is only the first character of a path: take the drive it begins.
        for (int i = 0; i < m_volumes.size() && index < 0; ++i) {
            if (m_volumes[i].root.startsWith(name, Qt::CaseInsensitive))
                index = i;
        }
    }
    if (index < 0)
        throw PlatformError(QStringLiteral("No such drive: ") + name);
    setCurrentIndex(index);
}

QString DriveList::driveOf(const QString &path) const
{
    QString best;
    for (const Volume &volume : m_volumes) {
        if (isUnder(path, volume.root) && volume.root.size() > best.size())
            best = volume.root;
    }
    if (!best.isEmpty() || m_volumes.isEmpty())
        return best;
    return indexOfDrive(systemDrive()) >= 0 ? systemDrive() : m_volumes.first().root;
}

QString DriveList::homeDrive() const
{
    return driveOf(QDir::homePath());
}

QString DriveList::folderOn(const QString &drive) const
{
    const auto it = m_lastFolder.constFind(drive);
    if (it != m_lastFolder.cend())
        return it.value();
    return drive == homeDrive() ? QDir::homePath() : drive;
}

void DriveList::noteFolder(const QString &folder)
{
    const QString root = driveOf(folder);
    m_lastFolder.insert(root, folder);
    const int index = indexOfDrive(root);
    if (index >= 0 && index != currentIndex()) {
        m_silent = true;
        setCurrentIndex(index);
        m_silent = false;
    }
}
