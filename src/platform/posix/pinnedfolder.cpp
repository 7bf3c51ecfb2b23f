#include "pinnedfolder.h"

#include "fileoperations.h"
#include "filestatus.h"
#include "folderreader.h"
#include "platformerror.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString withoutTrailingSlashes(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// A name that could reach outside the folder, or that the system would read as a different
// name (a NUL cuts it short, a character that does not encode becomes another one), is refused.
bool isSingleComponent(const QString &name, PinnedFolder::NameBytes &encoded)
{
    const qsizetype length = name.size();
    const char16_t *const chars = QStringView(name).utf16();
    if (length == 0 || (chars[0] == u'.' && (length == 1 || (length == 2 && chars[1] == u'.'))))
        return false;
    // Most names are ASCII: the same bytes as the text, checked as they are copied.
    encoded.resize(length + 1);
    char *const out = encoded.data();
    qsizetype i = 0;
    for (; i < length && chars[i] < 0x80; ++i) {
        if (chars[i] == u'/' || chars[i] == 0)
            return false;
        out[i] = char(chars[i]);
    }
    if (i == length) {
        out[length] = '\0';
        return true;
    }
    const QByteArray bytes = QFile::encodeName(name);
    const qsizetype size = bytes.size();
    if (std::memchr(bytes.constData(), '/', size_t(size)) ||
        std::memchr(bytes.constData(), '\0', size_t(size)))
        return false;
    QString decoded;
    if (!decodeFileName(bytes.constData(), size, decoded) || decoded != name)
        return false;
    encoded.clear();
    encoded.append(bytes.constData(), size);
    encoded.append('\0');
    return true;
}

QString replacedSinceListed()
{
    return QStringLiteral("has been replaced by another file since it was listed");
}

QString describe(FileIdentity::Kind kind)
{
    switch (kind) {
    case FileIdentity::Kind::Folder:
        return QStringLiteral("a folder");
    case FileIdentity::Kind::Link:
        return QStringLiteral("a symbolic link");
    case FileIdentity::Kind::File:
        return QStringLiteral("a file");
    default:
        return QStringLiteral("neither a file nor a folder");
    }
}

quint64 deviceOf(const struct statx &info)
{
    return (quint64(info.stx_dev_major) << 32) | info.stx_dev_minor;
}

// The mount an open folder is on: its mount ID where the kernel gives one (Linux 5.8 on), else
// its device.
bool mountOf(int fd, quint64 &mount, quint64 &inode)
{
    struct statx info;
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_INO | STATX_MNT_ID, &info) != 0)
        return false;
    mount = (info.stx_mask & STATX_MNT_ID) ? info.stx_mnt_id : deviceOf(info);
    inode = info.stx_ino;
    return true;
}

// The top folder of the mount an open folder is on, reached through "..": a path would not do,
// the folder may have been reached through links or moved since.
int topOfMount(int folderFd)
{
    int current = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    quint64 mount = 0, inode = 0;
    if (current < 0 || !mountOf(current, mount, inode))
        return current < 0 ? -1 : (::close(current), -1);
    for (;;) {
        const int parent = ::openat(current, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        quint64 parentMount = 0, parentInode = 0;
        if (parent < 0 || !mountOf(parent, parentMount, parentInode) || parentMount != mount ||
            parentInode == inode) { // "/" is its own parent
            if (parent >= 0)
                ::close(parent);
            return current;
        }
        ::close(current);
        current = parent;
        inode = parentInode;
    }
}

// The path an open descriptor stands for now, as the kernel tells it; empty where it cannot.
QByteArray pathOfDescriptor(int fd)
{
    char buffer[4096];
    const ssize_t length =
        ::readlink(("/proc/self/fd/" + QByteArray::number(fd)).constData(), buffer, sizeof buffer);
    if (length <= 0 || length == ssize_t(sizeof buffer) || buffer[0] != '/')
        return {};
    return QByteArray(buffer, length);
}

// A folder inside an open one, made private to this user when it is not there yet; a link is
// not taken for one.
int openOrMakeFolder(int parentFd, const char *name)
{
    int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT && (::mkdirat(parentFd, name, 0700) == 0 || errno == EEXIST))
        fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return fd;
}

// A folder this user owns, and no link.
bool isOwnFolder(int fd)
{
    struct stat info;
    return fd >= 0 && ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid();
}

// The device of a path, or of the nearest folder above it that is there.
quint64 deviceOfNearest(QByteArray path)
{
    struct statx info;
    while (::statx(AT_FDCWD, path.constData(), 0, 0, &info) != 0) {
        const qsizetype slash = path.lastIndexOf('/');
        path.truncate(slash <= 0 ? 1 : slash);
        if (slash <= 0)
            return ::statx(AT_FDCWD, "/", 0, 0, &info) == 0 ? deviceOf(info) : 0;
    }
    return deviceOf(info);
}

// Makes the folders of an absolute path that are not there yet, private to this user.
bool makePath(const QByteArray &path)
{
    for (qsizetype slash = path.indexOf('/', 1);; slash = path.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? path : path.left(slash);
        if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash < 0)
            return true;
    }
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

QByteArray localTimeNow()
{
    const std::time_t now = std::time(nullptr);
    struct tm local;
    char text[32];
    if (!::localtime_r(&now, &local) ||
        !std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local))
        return {};
    return text;
}

// The file that a move took along is the one checked before it: the same file, whose change
// time the move itself may have set.
bool sameAfterMove(const FileIdentity &checked, const FileIdentity &moved, bool inodesKept)
{
    if (moved.kind != checked.kind || moved.device != checked.device)
        return false;
    if (!checked.stampIsChange && moved.stamp != checked.stamp)
        return false;
    return inodesKept ? moved.inode == checked.inode
                      : moved.size == checked.size && moved.modified == checked.modified;
}

QString moveError(int err)
{
    if (err == EXDEV)
        return QStringLiteral("is on another file system than the trash; not moved");
    if (err == EINVAL) // a file system that cannot rename without the risk of replacing
        return QStringLiteral(
            "cannot be renamed here without the risk of replacing a file; not moved");
    return QString::fromLocal8Bit(std::strerror(err));
}

} // namespace

int FileOperations::rename(int fromFolderFd, const char *from, int toFolderFd, const char *to)
{
    return ::renameat2(fromFolderFd, from, toFolderFd, to, RENAME_NOREPLACE) == 0 ? 0 : errno;
}

int FileOperations::status(int folderFd, const char *name, FileIdentity &out)
{
    return statusAt(folderFd, name, out);
}

int FileOperations::remove(int folderFd, const char *name)
{
    return ::unlinkat(folderFd, name, 0) == 0 ? 0 : errno;
}

PinnedFolder::PinnedFolder(const QString &path, const FolderIdentity &listed,
                           FileOperations &operations, int descriptor)
    : m_path(withoutTrailingSlashes(path)), m_operations(operations)
{
    m_fd = descriptor >= 0 ? ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0)
                           : ::open(QFile::encodeName(m_path).constData(),
                                    O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        throw PlatformError::fromErrno(m_path, errno);
    if (descriptor >= 0) {
        // The folder its lister read, held open since: it is the listed folder, and what its
        // file system keeps was asked then.
        m_inodesKept = listed.inodesKept;
        return;
    }
    FolderIdentity now;
    if (const int err = folderStatus(m_fd, now)) {
        ::close(m_fd);
        throw PlatformError::fromErrno(m_path, err);
    }
    m_inodesKept = now.inodesKept;
    if (now.device != listed.device || (m_inodesKept && now.inode != listed.inode)) {
        ::close(m_fd);
        throw PlatformError(m_path, QStringLiteral("is not the folder that was listed"));
    }
}

PinnedFolder::~PinnedFolder()
{
    ::close(m_fd);
    if (m_trash.files >= 0)
        ::close(m_trash.files);
    if (m_trash.info >= 0)
        ::close(m_trash.info);
}

QString PinnedFolder::pathOf(const QString &name) const
{
    return (m_path == QLatin1String("/") ? m_path : m_path + QLatin1Char('/')) + name;
}

void PinnedFolder::checkedEntry(const QString &name, const FileIdentity &listedAs,
                                NameBytes &encoded, FileIdentity *nowOut)
{
    if (!isSingleComponent(name, encoded))
        throw PlatformError(pathOf(name), QStringLiteral("not a file name"));
    checkedBytes(name, listedAs, encoded.constData(), nowOut);
}

void PinnedFolder::checkedBytes(const QString &name, const FileIdentity &listedAs,
                                const char *bytes, FileIdentity *nowOut)
{
    FileIdentity listed = listedAs;
    const auto restamp = m_restamped.constFind({listed.device, listed.inode});
    if (restamp != m_restamped.cend() && restamp->listed == listed.stamp)
        listed.stamp = restamp->now; // our own deletion of another of its names moved it
    FileIdentity now;
    if (const int err = m_operations.status(m_fd, bytes, now)) {
        if (err == ENOENT)
            throw PlatformError(pathOf(name), QStringLiteral("is gone"));
        throw PlatformError::fromErrno(pathOf(name), err);
    }
    if (now.kind != listed.kind) {
        throw PlatformError(pathOf(name), QStringLiteral("was ") + describe(listed.kind) +
                            QStringLiteral(" when listed and is ") + describe(now.kind) +
                            QStringLiteral(" now"));
    }
    if (!sameFile(listed, now, m_inodesKept)) {
        throw PlatformError(pathOf(name), replacedSinceListed());
    }
    if (nowOut)
        *nowOut = now;
}

void PinnedFolder::expectSame(const QString &name, const FileIdentity &listed)
{
    // The string held from last time, not only an equal text, so its bytes are the same.
    if (m_expectedName.isNull() || name.constData() != m_expectedName.constData() ||
        name.size() != m_expectedName.size()) {
        m_expectedName = QString();
        if (!isSingleComponent(name, m_expectedBytes))
            throw PlatformError(pathOf(name), QStringLiteral("not a file name"));
        m_expectedName = name;
    }
    checkedBytes(name, listed, m_expectedBytes.constData());
}

void PinnedFolder::removeFile(const QString &name, const FileIdentity &listed)
{
    FileIdentity now;
    NameBytes encoded;
    checkedEntry(name, listed, encoded, &now);
    // Where the change time tells a re-created file from the listed one, deleting one name of a
    // file with several moves that time for its other names. Held open by this name, the file's
    // new time is read once the name is gone, so that its other names are still known as listed.
    int held = -1;
    if (now.links > 1 && now.stampIsChange) {
        held = ::openat(m_fd, encoded.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        struct statx info;
        const bool known = held >= 0 && ::statx(held, "", AT_EMPTY_PATH, STATX_INO, &info) == 0;
        if (held >= 0 && (!known || info.stx_ino != now.inode || deviceOf(info) != now.device)) {
            ::close(held);
            held = -1;
            // Another file took the name since the status call: that one is not ours to delete.
            // (Where inode numbers are not kept, a new number proves nothing.)
            if (known && (m_inodesKept || deviceOf(info) != now.device))
                throw PlatformError(pathOf(name), replacedSinceListed());
        }
    }
    if (const int err = m_operations.remove(m_fd, encoded.constData())) {
        if (held >= 0)
            ::close(held);
        throw PlatformError::fromErrno(pathOf(name), err);
    }
    if (held >= 0) {
        struct statx info;
        if (::statx(held, "", AT_EMPTY_PATH, STATX_CTIME, &info) == 0) {
            const auto key = qMakePair(now.device, now.inode);
            const qint64 listedStamp = m_restamped.value(key, {listed.stamp, 0}).listed;
            m_restamped.insert(key, {listedStamp, qint64(info.stx_ctime.tv_sec) * 1000000000 +
                                                      info.stx_ctime.tv_nsec});
        }
        ::close(held);
    }
}

void PinnedFolder::noteRestamp(const FileIdentity &listed, qint64 stampNow)
{
    const auto key = qMakePair(listed.device, listed.inode);
    const qint64 listedStamp = m_restamped.value(key, {listed.stamp, 0}).listed;
    m_restamped.insert(key, {listedStamp, stampNow});
}

// After the checked entry `from` was moved to `to` in the folder `toFd`: whether the file it
// took along is the one checked. Another program may have put its own file in that name between
// the check and the move; unlike a deletion, a move can be undone, and that file goes back
// (else it is left where the move put it, which the caller says).
PinnedFolder::Moved PinnedFolder::checkMoved(const QByteArray &from, const FileIdentity &now,
                                             int toFd, const QByteArray &to)
{
    FileIdentity moved;
    const int err = m_operations.status(toFd, to.constData(), moved);
    if (err == 0 && sameAfterMove(now, moved, m_inodesKept)) {
        if (now.stampIsChange && moved.stamp != now.stamp)
            noteRestamp(now, moved.stamp); // the move set its change time: still the listed file
        return Moved::Checked;
    }
    if (err == 0 && m_operations.rename(toFd, to.constData(), m_fd, from.constData()) == 0)
        return Moved::PutBack;
    return Moved::Stranded;
}

PlatformError PinnedFolder::replacedError(const QString &name, Moved moved,
                                          const QString &where) const
{
    if (moved == Moved::PutBack)
        return PlatformError(pathOf(name), replacedSinceListed());
    return PlatformError(
        pathOf(name), QStringLiteral("was replaced by another file as it was moved, and that file "
                                     "could not be put back: it is ") +
                          where);
}

void PinnedFolder::renameFile(const QString &from, const FileIdentity &listed, const QString &to)
{
    FileIdentity now;
    NameBytes checked, targetBytes;
    checkedEntry(from, listed, checked, &now);
    if (!isSingleComponent(to, targetBytes))
        throw PlatformError(pathOf(to), QStringLiteral("not a file name"));
    const QByteArray encoded(checked.constData()), target(targetBytes.constData());
    if (const int err = m_operations.rename(m_fd, encoded.constData(), m_fd, target.constData())) {
        if (err == EEXIST)
            throw PlatformError(pathOf(from), QStringLiteral("cannot take the name ") + to +
                                                  QStringLiteral(": a file of that name exists"));
        if (err == ENOENT)
            throw PlatformError(pathOf(from), QStringLiteral("is gone"));
        throw PlatformError(pathOf(from), moveError(err));
    }
    if (const Moved moved = checkMoved(encoded, now, m_fd, target); moved != Moved::Checked)
        throw replacedError(from, moved, pathOf(to));
}

// The home trash where the folder is on the file system of the user's data folder; else the
// trash at the top of the folder's own mount, which is only used where it is already set up:
// a trash made here could be on a removable disk or a share that no file manager looks into.
void PinnedFolder::openTrash()
{
    if (m_trash.looked)
        return;
    m_trash.looked = true;
    struct statx self;
    if (::statx(m_fd, "", AT_EMPTY_PATH, STATX_INO, &self) != 0) {
        m_trash.refusal = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    m_trash.device = deviceOf(self);
    QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    if (!dataHome.startsWith('/'))
        dataHome = QFile::encodeName(QDir::homePath()) + "/.local/share";
    const QByteArray home = dataHome + "/Trash";
    int trash = -1;
    if (deviceOfNearest(home) == m_trash.device) {
        if (!makePath(home) ||
            (trash = ::open(home.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) < 0) {
            m_trash.refusal = QStringLiteral("the trash ") + QFile::decodeName(home) +
                              QStringLiteral(" cannot be made (") +
                              QString::fromLocal8Bit(std::strerror(errno)) +
                              QStringLiteral("); not moved");
            return;
        }
    } else if (const int top = topOfMount(m_fd); top >= 0) {
        const QByteArray uid = QByteArray::number(::geteuid());
        // A shared .Trash, sticky so that nobody removes another's folder in it, holds one of
        // each user; a link there could lead anywhere.
        const int shared = ::openat(top, ".Trash", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat info;
        if (shared >= 0 && ::fstat(shared, &info) == 0 && (info.st_mode & S_ISVTX)) {
            trash = openOrMakeFolder(shared, uid.constData());
            if (trash >= 0 && !isOwnFolder(trash))
                trash = (::close(trash), -1);
        }
        if (shared >= 0)
            ::close(shared);
        if (trash < 0) {
            trash = ::openat(top, (".Trash-" + uid).constData(),
                             O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (trash >= 0 && !isOwnFolder(trash))
                trash = (::close(trash), -1);
        }
        ::close(top);
    }
    if (trash < 0) {
        m_trash.refusal = QStringLiteral("no trash on its file system; not moved");
        return;
    }
    m_trash.files = openOrMakeFolder(trash, "files");
    m_trash.info = openOrMakeFolder(trash, "info");
    const QByteArray trashPath = pathOfDescriptor(trash);
    ::close(trash);
    if (m_trash.files < 0 || m_trash.info < 0) {
        m_trash.refusal = QStringLiteral("the trash ") + QFile::decodeName(trashPath) +
                          QStringLiteral(" cannot be used; not moved");
        return;
    }
    m_trash.path = QFile::decodeName(trashPath);
    // Where the folder is now, as the kernel knows it: the path it was opened by may have gone
    // through links, or be relative.
    QByteArray folder = pathOfDescriptor(m_fd);
    if (folder.isEmpty())
        folder = QFile::encodeName(QDir(m_path).absolutePath());
    m_trash.folderPath = folder.toPercentEncoding("/");
    if (!m_trash.folderPath.endsWith('/'))
        m_trash.folderPath += '/';
}

void PinnedFolder::trashFile(const QString &name, const FileIdentity &listed)
{
    FileIdentity now;
    NameBytes checked;
    checkedEntry(name, listed, checked, &now);
    const QByteArray encoded(checked.constData());
    openTrash();
    if (!m_trash.refusal.isEmpty())
        throw PlatformError(pathOf(name), m_trash.refusal);
    if (now.device != m_trash.device)
        throw PlatformError(pathOf(name), moveError(EXDEV));
    // The record that tells the file manager where the file came from goes first, so that the
    // file is never in the trash without it; a name taken there (by a file of the same name
    // trashed before) is followed by the next number.
    const QByteArray record = "[Trash Info]\nPath=" + m_trash.folderPath +
                              encoded.toPercentEncoding() + "\nDeletionDate=" + localTimeNow() +
                              "\n";
    QByteArray base = encoded;
    for (int number = 2;; ++number) {
        if (number > 100000) // a file system that says every name is taken
            throw PlatformError(pathOf(name),
                                QStringLiteral("the trash has no free name for it; not moved"));
        const QByteArray recordName = base + ".trashinfo";
        const int fd = ::openat(m_trash.info, recordName.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) {
            base = encoded + '.' + QByteArray::number(number);
            continue;
        }
        if (fd < 0) {
            throw PlatformError(pathOf(name),
                                QStringLiteral("its record in the trash cannot be written (") +
                                    QString::fromLocal8Bit(std::strerror(errno)) +
                                    QStringLiteral("); not moved"));
        }
        const bool written = writeAll(fd, record);
        const int writeErr = errno;
        if (::close(fd) != 0 || !written) {
            ::unlinkat(m_trash.info, recordName.constData(), 0);
            throw PlatformError(
                pathOf(name),
                QStringLiteral("its record in the trash cannot be written (") +
                    QString::fromLocal8Bit(std::strerror(written ? errno : writeErr)) +
                    QStringLiteral("); not moved"));
        }
        const int err =
            m_operations.rename(m_fd, encoded.constData(), m_trash.files, base.constData());
        if (err == 0)
            break;
        ::unlinkat(m_trash.info, recordName.constData(), 0);
        if (err == EEXIST) { // a file in the trash without its record
            base = encoded + '.' + QByteArray::number(number);
            continue;
        }
        if (err == ENOENT)
            throw PlatformError(pathOf(name), QStringLiteral("is gone"));
        throw PlatformError(pathOf(name), moveError(err));
    }
    if (const Moved moved = checkMoved(encoded, now, m_trash.files, base);
        moved != Moved::Checked) {
        // The other program's file, put back, has no business in the trash's records; left in
        // the trash, it keeps the record that restores it.
        if (moved == Moved::PutBack)
            ::unlinkat(m_trash.info, (base + ".trashinfo").constData(), 0);
        throw replacedError(name, moved,
                            QStringLiteral("in the trash as ") + m_trash.path +
                                QStringLiteral("/files/") + QFile::decodeName(base));
    }
}
