#pragma once

#include <QtGlobal>

// A file as the system's status call shows it when its folder is listed. Deleting checks that
// the name still stands for this very file.
struct FileIdentity
{
    enum class Kind : quint8 { None, File, Link, Folder, Other };

    quint64 device = 0;
    quint64 inode = 0;
    // A time a re-created file cannot share: its birth time where the file system keeps one,
    // else the time its status last changed (nanoseconds).
    qint64 stamp = 0;
    qint64 modified = 0; // nanoseconds
    qint64 size = -1;
    // How many names the file has, and whether `stamp` is the time its status last changed
    // (which deleting one of its other names moves).
    quint32 links = 1;
    bool stampIsChange = false;
    Kind kind = Kind::None; // beside the flag above: a large folder keeps one of these a file

    bool operator==(const FileIdentity &) const = default;
};

// A folder as listed. Some file systems (FAT, FUSE mounts, CIFS without server inode numbers)
// may hand out new inode numbers whenever their cache forgets a file; there a file is known
// by what the file system does keep.
struct FolderIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    bool inodesKept = true;

    bool operator==(const FolderIdentity &) const = default;
};

// True when `now` is the file that was listed as `listed`.
inline bool sameFile(const FileIdentity &listed, const FileIdentity &now, bool inodesKept)
{
    if (listed.kind != now.kind || listed.device != now.device)
        return false;
    if (listed.stamp != now.stamp)
        return false;
    return inodesKept ? listed.inode == now.inode
                      : listed.size == now.size && listed.modified == now.modified;
}
