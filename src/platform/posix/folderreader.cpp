#include "filestatus.h"
#include "folderreader.h"

#include "platformerror.h"

#include <QFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>
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

namespace {

// An entry of a folder whose status is asked for: its name as the system has it and as text.
struct Pending
{
    qsizetype offset; // of its NUL-ended name in the names read
    QString name;
    FileIdentity identity;
    FileIdentity::Kind shown = FileIdentity::Kind::None; // None: gone meanwhile
};

// The status of each entry, and for a link what it points to.
void askStatus(int fd, const std::string &names, Pending *begin, Pending *end)
{
    for (Pending *entry = begin; entry != end; ++entry) {
        const char *name = names.data() + entry->offset;
        if (statusAt(fd, name, entry->identity) != 0)
            continue; // gone meanwhile
        entry->shown = entry->identity.kind;
        if (entry->shown == FileIdentity::Kind::Link) {
            // Shown as what it points to; a dangling link is neither file nor folder.
            struct stat target;
            entry->shown = fstatat(fd, name, &target, 0) != 0 ? FileIdentity::Kind::Other
                           : S_ISREG(target.st_mode)         ? FileIdentity::Kind::File
                           : S_ISDIR(target.st_mode)         ? FileIdentity::Kind::Folder
                                                             : FileIdentity::Kind::Other;
        }
    }
}

// Status calls of a large folder are split over threads: each waits on the file system on its
// own. Below this many entries a thread costs more than it saves.
constexpr qsizetype kEntriesPerThread = 4096;

void askStatusOfAll(int fd, const std::string &names, std::vector<Pending> &pending)
{
    const qsizetype count = qsizetype(pending.size());
    // Asked once: the system reads it from a file each time.
    static const qsizetype cores = qsizetype(std::max(1u, std::thread::hardware_concurrency()));
    const qsizetype threads = count < 2 * kEntriesPerThread
                                  ? 1
                                  : std::min<qsizetype>({cores, 8, count / kEntriesPerThread});
    if (threads <= 1) {
        askStatus(fd, names, pending.data(), pending.data() + count);
        return;
    }
    std::vector<std::thread> workers;
    for (qsizetype t = 1; t < threads; ++t) {
        workers.emplace_back(askStatus, fd, std::cref(names), pending.data() + count * t / threads,
                             pending.data() + count * (t + 1) / threads);
    }
    askStatus(fd, names, pending.data(), pending.data() + count / threads);
    for (std::thread &worker : workers)
        worker.join();
}

} // namespace

FolderListing listOpenFolder(DIR *dir, const QString &path, const FolderIdentity &folder)
{
    const int fd = ::dirfd(dir);
    FolderListing listing;
    listing.identity = folder;
    // The names first, then the status of every entry that is no folder by its listing.
    std::string names;
    std::vector<Pending> pending;
    QString name;
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
        pending.push_back({qsizetype(names.size()), name, {}});
        names.append(entry->d_name, size_t(length) + 1);
    }
    askStatusOfAll(fd, names, pending);
    listing.files.reserve(qsizetype(pending.size()));
    listing.fileIdentities.reserve(qsizetype(pending.size()));
    for (Pending &entry : pending) {
        if (entry.shown == FileIdentity::Kind::File) {
            listing.files.append(std::move(entry.name));
            listing.fileIdentities.append(entry.identity);
        } else if (entry.shown == FileIdentity::Kind::Folder) {
            listing.folders.append(entry.name);
            if (entry.identity.kind == FileIdentity::Kind::Folder)
                listing.realFolders.append(std::move(entry.name));
        }
    }
    return listing;
}
