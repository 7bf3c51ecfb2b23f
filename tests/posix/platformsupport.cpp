#include "platformsupport.h"

#include <QFile>

#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int RacingOperations::status(int folderFd, const char *name, FileIdentity &out)
{
    const QString entry = QString::fromUtf8(name);
    if (beforeStatus)
        beforeStatus(entry);
    const int err = FileOperations::status(folderFd, name, out);
    struct stat info;
    if (err == 0 && changeStamps && ::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
        out.stamp = qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
        out.stampIsChange = true;
    }
    if (err == 0 && reportedInode.contains(entry))
        out.inode = reportedInode.value(entry);
    if (afterStatus)
        afterStatus(entry);
    return err;
}

int RacingOperations::remove(int folderFd, const char *name)
{
    if (const int refusal = std::exchange(removeRefusal, 0))
        return refusal;
    return FileOperations::remove(folderFd, name);
}

int RacingOperations::rename(int fromFolderFd, const char *from, int toFolderFd, const char *to)
{
    if (const auto racer = std::exchange(beforeRename, nullptr))
        racer(QString::fromUtf8(from));
    if (const int refusal = std::exchange(renameRefusal, 0))
        return refusal;
    return FileOperations::rename(fromFolderFd, from, toFolderFd, to);
}

bool makeFifo(const QString &path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

bool isFifo(const QString &path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISFIFO(status.st_mode);
}

bool runningUnderWine()
{
    return false;
}

bool giveToAnotherUser(const QString &path)
{
    return ::geteuid() == 0 && ::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0;
}
