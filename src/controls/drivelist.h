#pragma once

#include "drivevolumes.h"

#include <QComboBox>
#include <QHash>

// The drive list: the drive letters on Windows. Without drive letters a "drive" is a mounted
// volume holding a real file system, named by its mount point; the root volume comes first. Each
// drive remembers the last folder visited on it in this run; the home folder's volume starts at
// the home folder.
class DriveList : public QComboBox
{
    Q_OBJECT

public:
    using Volume = DriveVolume;

    explicit DriveList(QWidget *parent = nullptr);

    // Replaces the drives without raising a drive change (tests use made-up volumes).
    void setVolumes(const QList<Volume> &volumes);

    QString drive() const;
    // Selects the drive given by name: its mount point, or the first character(s) of a path
    // on it, as saved at shut-down. Raises driveChanged when the selection changes. Throws
    // PlatformError when no drive answers to the name.
    void setDrive(const QString &name);

    // The drive whose mount point is the longest prefix of path.
    QString driveOf(const QString &path) const;
    QString homeDrive() const;
    // Where the folder list goes when this drive is chosen.
    QString folderOn(const QString &drive) const;
    // Records the folder as the current one of its drive and shows that drive, without
    // raising a drive change (the folder list moved there by itself).
    void noteFolder(const QString &folder);

signals:
    void driveChanged();

private:
    int indexOfDrive(const QString &root) const;

    QList<Volume> m_volumes;
    QHash<QString, QString> m_lastFolder;
    bool m_silent = false;
};
