#include "drivevolumes.h"

#include <windows.h>

QList<DriveVolume> systemVolumes()
{
    QList<DriveVolume> volumes;
    const DWORD drives = GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        if (!(drives & (1u << letter)))
            continue;
        const wchar_t root[] = {wchar_t(L'A' + letter), L':', L'\\', 0};
        // Only fixed drives are asked for their names: an empty floppy or CD drive, or a
        // network drive that has gone to sleep, would keep the window waiting.
        wchar_t name[MAX_PATH + 1] = {};
        const UINT type = GetDriveTypeW(root);
        if (type == DRIVE_FIXED || type == DRIVE_RAMDISK)
            GetVolumeInformationW(root, name, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0);
        volumes.append(
            {QChar(u'A' + letter) + QStringLiteral(":/"), QString::fromWCharArray(name)});
    }
    if (volumes.isEmpty())
        volumes.append({systemDrive(), QString()});
    return volumes;
}

QString systemDrive()
{
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (length < 2 || length >= MAX_PATH || folder[1] != L':')
        return QStringLiteral("C:/");
    return QString::fromWCharArray(folder, 1).toUpper() + QStringLiteral(":/");
}
