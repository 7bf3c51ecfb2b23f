#pragma once

#include <QList>
#include <QString>

// A drive: a drive letter on Windows; without drive letters a mounted volume holding a real file
// system, named by its mount point.
struct DriveVolume
{
    QString root; // the mount point; on Windows the letter, a colon and a separator
    QString label;
};

// The drives of this system; without drive letters the root volume comes first, then the others
// sorted by mount point, pseudo and system file systems left out.
QList<DriveVolume> systemVolumes();
// Where a path on no listed drive belongs: the system drive on Windows, else the root.
QString systemDrive();
