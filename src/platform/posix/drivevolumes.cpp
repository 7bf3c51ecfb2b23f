#include "drivevolumes.h"

#include <QStorageInfo>

#include <algorithm>

namespace {

bool isPseudoFileSystem(const QByteArray &type)
{
    static const QList<QByteArray> pseudo = {
        "autofs",  "binfmt_misc", "bpf",     "cgroup",   "cgroup2", "configfs",    "debugfs",
        "devpts",  "devtmpfs",    "efivarfs", "fusectl", "hugetlbfs", "mqueue",    "nsfs",
        "proc",    "pstore",      "ramfs",   "rpc_pipefs", "securityfs", "squashfs", "sysfs",
        "tmpfs",   "tracefs",     "fuse.gvfsd-fuse", "fuse.portal"};
    return pseudo.contains(type);
}

bool isSystemMount(const QString &root)
{
    for (const char *prefix : {"/proc", "/sys", "/dev", "/run"}) {
        const QString p = QLatin1String(prefix);
        if (root == p || root.startsWith(p + QLatin1Char('/')))
            return true;
    }
    return false;
}

} // namespace

QList<DriveVolume> systemVolumes()
{
    QList<DriveVolume> volumes;
    for (const QStorageInfo &storage : QStorageInfo::mountedVolumes()) {
        const QString root = storage.rootPath();
        if (root == QLatin1String("/")) {
            volumes.prepend({root, QString::fromLocal8Bit(storage.device())});
            continue;
        }
        if (!storage.isValid() || isPseudoFileSystem(storage.fileSystemType()) ||
            isSystemMount(root))
            continue;
        if (std::any_of(volumes.cbegin(), volumes.cend(),
                        [&root](const DriveVolume &v) { return v.root == root; }))
            continue;
        const QString label = storage.name().isEmpty()
                                  ? QString::fromLocal8Bit(storage.device()).section('/', -1)
                                  : storage.name();
        volumes.append({root, label});
    }
    if (volumes.isEmpty() || volumes.first().root != QLatin1String("/"))
        volumes.prepend({QStringLiteral("/"), QString()});
    std::stable_sort(volumes.begin() + 1, volumes.end(),
                     [](const DriveVolume &a, const DriveVolume &b) { return a.root < b.root; });
    return volumes;
}

QString systemDrive()
{
    return QStringLiteral("/");
}
