#include "drivevolumes.h"

#include <QHash>

#include <cwctype>

#include <windows.h>
#include <winnetwk.h>

namespace {

// The share a network drive letter stands for ("\\server\share"), from the redirector's own
// table: asking it does not wake a server that has gone to sleep.
QString shareOf(wchar_t letter)
{
    const wchar_t local[] = {letter, L':', 0};
    wchar_t remote[MAX_PATH + 1] = {};
    DWORD length = MAX_PATH + 1;
    if (WNetGetConnectionW(local, remote, &length) == NO_ERROR)
        return QString::fromWCharArray(remote);
    return QString();
}

// Network drives the user mapped to be reconnected at logon, by letter: the ones not connected
// now (the server was away at logon) are not among the logical drives, but Explorer shows them.
QList<QPair<wchar_t, QString>> rememberedShares()
{
    QList<QPair<wchar_t, QString>> shares;
    HANDLE enumeration = nullptr;
    if (WNetOpenEnumW(RESOURCE_REMEMBERED, RESOURCETYPE_DISK, 0, nullptr, &enumeration) !=
        NO_ERROR)
        return shares;
    alignas(NETRESOURCEW) char buffer[16384];
    for (;;) {
        DWORD count = DWORD(-1), size = sizeof buffer;
        if (WNetEnumResourceW(enumeration, &count, buffer, &size) != NO_ERROR)
            break;
        const auto *resources = reinterpret_cast<const NETRESOURCEW *>(buffer);
        for (DWORD i = 0; i < count; ++i) {
            const wchar_t *local = resources[i].lpLocalName;
            if (local && local[0] && local[1] == L':' && resources[i].lpRemoteName)
                shares.append({wchar_t(std::towupper(local[0])),
                               QString::fromWCharArray(resources[i].lpRemoteName)});
        }
    }
    WNetCloseEnum(enumeration);
    return shares;
}

} // namespace

QList<DriveVolume> systemVolumes()
{
    DWORD drives = GetLogicalDrives();
    QHash<int, QString> remembered;
    for (const auto &[letter, share] : rememberedShares()) {
        if (letter >= L'A' && letter <= L'Z') {
            remembered.insert(letter - L'A', share);
            drives |= 1u << (letter - L'A');
        }
    }
    QList<DriveVolume> volumes;
    for (int letter = 0; letter < 26; ++letter) {
        if (!(drives & (1u << letter)))
            continue;
        const wchar_t root[] = {wchar_t(L'A' + letter), L':', L'\\', 0};
        // Only fixed drives are asked for their names: an empty floppy or CD drive, or a
        // network drive that has gone to sleep, would keep the window waiting. A network drive
        // shows its share instead.
        wchar_t name[MAX_PATH + 1] = {};
        QString label;
        const UINT type = GetDriveTypeW(root);
        if (type == DRIVE_FIXED || type == DRIVE_RAMDISK) {
            GetVolumeInformationW(root, name, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0);
            label = QString::fromWCharArray(name);
        } else if (type == DRIVE_REMOTE) {
            label = shareOf(wchar_t(L'A' + letter));
        }
        if (label.isEmpty())
            label = remembered.value(letter);
        volumes.append({QChar(u'A' + letter) + QStringLiteral(":/"), label});
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
