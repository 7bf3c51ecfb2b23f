#include "pinnedfolder.h"

#include "fileoperations.h"
#include "filestatus.h"
#include "folderreader.h"
#include "platformerror.h"

#include <QFile>

#include <cerrno>
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
bool isSingleComponent(const QString &name, QByteArray &encoded)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    bool ascii = true;
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c.isNull())
            return false;
        ascii = ascii && c.unicode() < 0x80;
    }
    if (ascii) {
        encoded = name.toLatin1(); // the same bytes, without a codec
        return true;
    }
    encoded = QFile::encodeName(name);
    QString decoded;
    return decodeFileName(encoded.constData(), encoded.size(), decoded) && decoded == name;
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

} // namespace

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
}

QString PinnedFolder::pathOf(const QString &name) const
{
    return (m_path == QLatin1String("/") ? m_path : m_path + QLatin1Char('/')) + name;
}

QByteArray PinnedFolder::checkedEntry(const QString &name, const FileIdentity &listedAs,
                                      FileIdentity *nowOut)
{
    QByteArray encoded;
    if (!isSingleComponent(name, encoded))
        throw PlatformError(pathOf(name), QStringLiteral("not a file name"));
    FileIdentity listed = listedAs;
    const auto restamp = m_restamped.constFind({listed.device, listed.inode});
    if (restamp != m_restamped.cend() && restamp->listed == listed.stamp)
        listed.stamp = restamp->now; // our own deletion of another of its names moved it
    FileIdentity now;
    if (const int err = m_operations.status(m_fd, encoded.constData(), now)) {
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
        throw PlatformError(pathOf(name),
                            QStringLiteral("has been replaced by another file since it was listed"));
    }
    if (nowOut)
        *nowOut = now;
    return encoded;
}

void PinnedFolder::expectSame(const QString &name, const FileIdentity &listed)
{
    checkedEntry(name, listed);
}

void PinnedFolder::removeFile(const QString &name, const FileIdentity &listed)
{
    FileIdentity now;
    const QByteArray encoded = checkedEntry(name, listed, &now);
    // Where the change time tells a re-created file from the listed one, deleting one name of a
    // file with several moves that time for its other names. Held open by this name, the file's
    // new time is read once the name is gone, so that its other names are still known as listed.
    int held = -1;
    if (now.links > 1 && now.stampIsChange) {
        held = ::openat(m_fd, encoded.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        struct statx info;
        if (held >= 0 && (::statx(held, "", AT_EMPTY_PATH, STATX_INO, &info) != 0 ||
                          info.stx_ino != now.inode ||
                          ((quint64(info.stx_dev_major) << 32) | info.stx_dev_minor) != now.device)) {
            ::close(held);
            held = -1;
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
