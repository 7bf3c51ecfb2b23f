#include "filestatus.h"
#include "folderreader.h"

#include "platformerror.h"

#include <QFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <memory>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};

qint64 nanoseconds(const struct statx_timestamp &t)
{
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

FileIdentity::Kind kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return FileIdentity::Kind::File;
    if (S_ISLNK(mode))
        return FileIdentity::Kind::Link;
    if (S_ISDIR(mode))
        return FileIdentity::Kind::Folder;
    return FileIdentity::Kind::Other;
}

// File systems that may number a file anew when their inode cache forgets it.
bool keepsInodeNumbers(long type)
{
    constexpr long kFuse = 0x65735546, kExfat = 0x2011BAB0, kCifs = long(0xFF534D42),
                   kSmb2 = long(0xFE534D42), kSmb = 0x517B;
    switch (type) {
    case MSDOS_SUPER_MAGIC:
    case kFuse:
    case kExfat:
    case kCifs:
    case kSmb2:
    case kSmb:
        return false;
    default:
        return true;
    }
}

} // namespace

int statusAt(int folderFd, const char *name, FileIdentity &out)
{
    struct statx info;
    const unsigned wanted =
        STATX_TYPE | STATX_INO | STATX_NLINK | STATX_SIZE | STATX_MTIME | STATX_CTIME | STATX_BTIME;
    if (::statx(folderFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, wanted, &info) != 0)
        return errno;
    out.device = (quint64(info.stx_dev_major) << 32) | info.stx_dev_minor;
    out.inode = info.stx_ino;
    out.stampIsChange = !(info.stx_mask & STATX_BTIME);
    out.stamp = out.stampIsChange ? nanoseconds(info.stx_ctime) : nanoseconds(info.stx_btime);
    out.links = info.stx_nlink;
    out.modified = nanoseconds(info.stx_mtime);
    out.size = qint64(info.stx_size);
    out.kind = kindOf(info.stx_mode);
    return 0;
}

int folderStatus(int folderFd, FolderIdentity &out, quint64 *mount, const bool *inodesKept)
{
    struct statx info;
    if (::statx(folderFd, "", AT_EMPTY_PATH, STATX_INO | STATX_MNT_ID, &info) != 0)
        return errno;
    struct statfs fs;
    if (!inodesKept && ::fstatfs(folderFd, &fs) != 0)
        return errno;
    out = {(quint64(info.stx_dev_major) << 32) | info.stx_dev_minor, info.stx_ino,
           inodesKept ? *inodesKept : keepsInodeNumbers(long(fs.f_type))};
    if (mount) {
        // The kernel gives the mount ID from Linux 5.8 on.
        *mount = (info.stx_mask & STATX_MNT_ID) ? info.stx_mnt_id : out.device;
    }
    return 0;
}

bool decodeFileName(const char *name, qsizetype length, QString &out)
{
    bool ascii = true;
    for (qsizetype i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(name[i]) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        out = QString::fromLatin1(name, length);
        return true;
    }
    // The decoder drops a leading byte-order mark and replaces what it cannot read; only a
    // text that encodes back to the same bytes is the name.
    const QByteArrayView bytes(name, length);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    out = decoder.decode(bytes);
    return !decoder.hasError() && out.toUtf8() == bytes;
}

FolderListing readFolder(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw PlatformError::fromErrno(path, errno);
    std::unique_ptr<DIR, DirCloser> dir(fdopendir(fd));
    if (!dir) {
        const int err = errno;
        ::close(fd);
        throw PlatformError::fromErrno(path, err);
    }
    FolderIdentity identity;
    if (const int err = folderStatus(fd, identity))
        throw PlatformError::fromErrno(path, err);
    return listOpenFolder(dir.get(), path, identity);
}

FolderListing listOpenFolder(DIR *dir, const QString &path, const FolderIdentity &folder)
{
    const int fd = ::dirfd(dir);
    FolderListing listing;
    listing.identity = folder;
    QString name;
    FileIdentity identity;
    for (;;) {
        errno = 0;
        const dirent *entry = readdir(dir);
        if (!entry) {
            if (errno != 0)
                throw PlatformError::fromErrno(path, errno);
            break;
        }
        if (entry->d_name[0] == '.')
            continue;
        const qsizetype length = qsizetype(std::strlen(entry->d_name));
        if (!decodeFileName(entry->d_name, length, name)) {
            struct stat status;
            if (entry->d_type == DT_DIR ||
                (entry->d_type == DT_UNKNOWN &&
                 ::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                 S_ISDIR(status.st_mode)))
                listing.undecodableFolders.append(QByteArray(entry->d_name, length));
            continue;
        }
        if (entry->d_type == DT_DIR) {
            listing.folders.append(name);
            listing.realFolders.append(name);
            continue;
        }
        // The listing's own numbers are not the file's on every file system: ask for its status.
        if (statusAt(fd, entry->d_name, identity) != 0)
            continue; // gone meanwhile
        FileIdentity::Kind shown = identity.kind;
        if (shown == FileIdentity::Kind::Link) {
            // Shown as what it points to; a dangling link is neither file nor folder.
            struct stat target;
            shown = fstatat(fd, entry->d_name, &target, 0) != 0 ? FileIdentity::Kind::Other
                    : S_ISREG(target.st_mode)                 ? FileIdentity::Kind::File
                    : S_ISDIR(target.st_mode)                 ? FileIdentity::Kind::Folder
                                                              : FileIdentity::Kind::Other;
        }
        if (shown == FileIdentity::Kind::File) {
            listing.files.append(name);
            listing.fileIdentities.append(identity);
        } else if (shown == FileIdentity::Kind::Folder) {
            listing.folders.append(name);
            if (identity.kind == FileIdentity::Kind::Folder)
                listing.realFolders.append(name);
        }
    }
    return listing;
}
