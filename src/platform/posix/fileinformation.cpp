#include "fileinformation.h"

#include "platformerror.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

QDateTime toDateTime(const struct statx_timestamp &stamp)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(stamp.tv_sec) * 1000 + stamp.tv_nsec / 1000000);
}

} // namespace

FileObject FileSystemObject::getfile(const QString &path) const
{
    struct statx info;
    const unsigned int wanted = STATX_TYPE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_BTIME;
    if (::statx(AT_FDCWD, QFile::encodeName(path).constData(), 0, wanted, &info) != 0)
        throw PlatformError::fromErrno(path, errno);
    if ((info.stx_mask & STATX_TYPE) && S_ISDIR(info.stx_mode))
        throw PlatformError(path, QStringLiteral("is a folder"));

    FileObject file;
    file.Path = QDir::cleanPath(QDir(path).absolutePath());
    if (info.stx_mask & STATX_SIZE)
        file.size = qint64(info.stx_size);
    if (info.stx_mask & STATX_BTIME)
        file.DateCreated = toDateTime(info.stx_btime);
    if (info.stx_mask & STATX_ATIME)
        file.DateLastAccessed = toDateTime(info.stx_atime);
    if (info.stx_mask & STATX_MTIME)
        file.DateLastModified = toDateTime(info.stx_mtime);
    return file;
}

std::unique_ptr<FileSystemObject> ServiceFactory::createObject(const QString &className)
{
    if (className.compare(QLatin1String("Scripting.FileSystemObject"), Qt::CaseInsensitive) != 0)
        throw PlatformError(QStringLiteral("No such service: ") + className);
    return std::make_unique<FileSystemObject>();
}
