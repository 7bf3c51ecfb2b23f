#include "foldertree.h"

#include "filenameorder.h"
#include "filestatus.h"
#include "folderreader.h"
#include "platformerror.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString childOf(const QString &folder, const QString &name)
{
    return (folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/')) + name;
}

// The names of the folders in an open folder, as the folder list would show them; links are
// left out by their entry type, without a status call. Returns 0 or the errno.
int subfolderNames(int fd, QStringList &names)
{
    const int own = ::dup(fd);
    DIR *dir = own < 0 ? nullptr : ::fdopendir(own);
    if (!dir) {
        const int err = errno;
        if (own >= 0)
            ::close(own);
        return err;
    }
    int err = 0;
    QString name;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            err = errno;
            break;
        }
        struct stat status;
        const bool folder = entry->d_type == DT_DIR ||
                            (entry->d_type == DT_UNKNOWN &&
                             ::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                             S_ISDIR(status.st_mode));
        if (folder && entry->d_name[0] != '.' &&
            decodeFileName(entry->d_name, qsizetype(std::strlen(entry->d_name)), name))
            names.append(name);
    }
    ::closedir(dir);
    sortFileNames(names);
    return err;
}

} // namespace

void FolderTree::add(const QString &top, bool below)
{
    const QString path = QDir::cleanPath(top);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        m_folders.append({path, {}, PlatformError::fromErrno(path, errno).message()});
        return;
    }
    FolderIdentity identity;
    folderStatus(fd, identity);
    visit(fd, path, below, identity.device);
}

void FolderTree::visit(int fd, const QString &path, bool below, quint64 device)
{
    Folder folder{path, {}, {}};
    if (const int err = folderStatus(fd, folder.identity)) {
        ::close(fd);
        m_folders.append({path, {}, PlatformError::fromErrno(path, err).message()});
        return;
    }
    if (m_seen.contains({folder.identity.device, folder.identity.inode})) {
        ::close(fd);
        return;
    }
    m_seen.insert({folder.identity.device, folder.identity.inode});
    QStringList names;
    const int err = below ? subfolderNames(fd, names) : 0;
    if (err != 0)
        folder.error = PlatformError::fromErrno(path, err).message();
    m_folders.append(folder);
    for (const QString &name : std::as_const(names)) {
        const QString childPath = childOf(path, name);
        // O_NOFOLLOW: a folder turned into a link since it was listed is not entered either.
        const int child = ::openat(fd, QFile::encodeName(name).constData(),
                                   O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child < 0) {
            if (errno != ENOENT && errno != ENOTDIR && errno != ELOOP)
                m_folders.append({childPath, {}, PlatformError::fromErrno(childPath, errno).message()});
            continue;
        }
        FolderIdentity identity;
        if (folderStatus(child, identity) == 0 && identity.device != device) {
            ::close(child); // a mount point: another file system
            continue;
        }
        visit(child, childPath, true, device);
    }
    ::close(fd);
}
