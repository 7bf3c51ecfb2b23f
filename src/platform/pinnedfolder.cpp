#include "pinnedfolder.h"

#include "platformerror.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>
#include <dirent.h>
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
bool isSingleComponent(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    bool ascii = true;
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c.isNull())
            return false;
        ascii = ascii && c.unicode() < 0x80;
    }
    return ascii || QFile::decodeName(QFile::encodeName(name)) == name;
}


FileIdentity identityOf(const struct stat &st)
{
    return {quint64(st.st_dev), quint64(st.st_ino)};
}

} // namespace

PinnedFolder::PinnedFolder(const QString &path, const FileIdentity &listed)
    : m_path(withoutTrailingSlashes(path))
{
    // Without the trailing slashes: "link/" would make open follow the link after all.
    const QByteArray encoded = QFile::encodeName(m_path);
    m_fd = ::open(encoded.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (m_fd < 0) {
        const int err = errno;
        struct stat st;
        if (err == ELOOP && ::lstat(encoded.constData(), &st) == 0 && S_ISLNK(st.st_mode))
            throw PlatformError(m_path + QStringLiteral(": is a symbolic link, not a folder"));
        throw PlatformError::fromErrno(m_path, err);
    }
    struct stat st;
    if (::fstat(m_fd, &st) != 0) {
        const int err = errno;
        ::close(m_fd);
        throw PlatformError::fromErrno(m_path, err);
    }
    if (!(identityOf(st) == listed)) {
        ::close(m_fd);
        throw PlatformError(m_path + QStringLiteral(": is not the folder that was listed"));
    }
}

PinnedFolder::~PinnedFolder()
{
    ::close(m_fd);
}

void PinnedFolder::removeFile(const QString &name, quint64 listedInode)
{
    const QString fullPath =
        (m_path == QLatin1String("/") ? m_path : m_path + QLatin1Char('/')) + name;
    if (!isSingleComponent(name))
        throw PlatformError(fullPath + QStringLiteral(": not a file name"));
    const QByteArray encoded = QFile::encodeName(name);
    const char *entry = encoded.constData();

    struct stat st;
    if (::fstatat(m_fd, entry, &st, AT_SYMLINK_NOFOLLOW) != 0)
        throw PlatformError::fromErrno(fullPath, errno);
    if (listedInode != 0 && quint64(st.st_ino) != listedInode)
        throw PlatformError(fullPath + QStringLiteral(": is not the file that was listed"));

    if (S_ISLNK(st.st_mode)) {
        if (::unlinkat(m_fd, entry, 0) != 0)
            throw PlatformError::fromErrno(fullPath, errno);
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        throw PlatformError(fullPath + (S_ISDIR(st.st_mode)
                                            ? QStringLiteral(": is a folder, not a file")
                                            : QStringLiteral(": is not a regular file")));
    }

    // AT_SYMLINK_NOFOLLOW: should the entry have become a link since fstatat, the call fails
    // instead of changing the mode of whatever the link points to.
    const mode_t mode = st.st_mode & 07777;
    const bool madeWritable = (mode & S_IWUSR) == 0;
    if (madeWritable && ::fchmodat(m_fd, entry, mode | S_IWUSR, AT_SYMLINK_NOFOLLOW) != 0)
        throw PlatformError::fromErrno(fullPath, errno);
    if (::unlinkat(m_fd, entry, 0) != 0) {
        const int err = errno;
        // A file that stays is left read-only, as it was.
        if (madeWritable)
            ::fchmodat(m_fd, entry, mode, AT_SYMLINK_NOFOLLOW);
        throw PlatformError::fromErrno(fullPath, err);
    }
}

void PinnedFolder::removeFiles(const QStringList &names, const QList<quint64> &listedInodes,
                               const std::function<void()> &deleted)
{
    const QString prefix = m_path == QLatin1String("/") ? m_path : m_path + QLatin1Char('/');
    const qsizetype count = names.size();
    std::vector<QByteArray> encoded(static_cast<size_t>(count));
    // (listed inode, position), sorted: a folder entry is looked up by its inode.
    std::vector<std::pair<quint64, int>> byInode;
    byInode.reserve(static_cast<size_t>(count));
    for (qsizetype i = 0; i < count; ++i) {
        if (isSingleComponent(names[i]))
            encoded[size_t(i)] = QFile::encodeName(names[i]);
        if (listedInodes.value(i) != 0)
            byInode.emplace_back(listedInodes.value(i), int(i));
    }
    std::sort(byInode.begin(), byInode.end());

    // One listing of the folder tells what each entry is now. The pinned descriptor's read
    // position must not move, so the listing opens the folder again through it.
    enum Seen : char { Missing, FileOrLink, Unknown, Other };
    std::vector<char> seen(static_cast<size_t>(count), Missing);
    const int listFd = ::openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        throw PlatformError::fromErrno(m_path, errno);
    DIR *dir = ::fdopendir(listFd);
    if (!dir) {
        const int err = errno;
        ::close(listFd);
        throw PlatformError::fromErrno(m_path, err);
    }
    errno = 0;
    while (const dirent *entry = ::readdir(dir)) {
        auto it = std::lower_bound(byInode.begin(), byInode.end(),
                                   std::pair<quint64, int>(quint64(entry->d_ino), -1));
        for (; it != byInode.end() && it->first == quint64(entry->d_ino); ++it) {
            if (encoded[size_t(it->second)] != entry->d_name)
                continue; // another name of the same file
            seen[size_t(it->second)] = entry->d_type == DT_REG || entry->d_type == DT_LNK
                                           ? FileOrLink
                                           : entry->d_type == DT_UNKNOWN ? Unknown : Other;
        }
        errno = 0;
    }
    const int readError = errno;
    ::closedir(dir);
    if (readError != 0)
        throw PlatformError::fromErrno(m_path, readError);

    for (qsizetype i = 0; i < count; ++i) {
        const QString &name = names[i];
        if (encoded[size_t(i)].isEmpty())
            throw PlatformError(prefix + name + QStringLiteral(": not a file name"));
        if (listedInodes.value(i) == 0 || seen[size_t(i)] == Unknown) {
            // Nothing to go by in the listing: look at the entry on its own.
            removeFile(name, listedInodes.value(i));
        } else if (seen[size_t(i)] == Missing) {
            throw PlatformError(prefix + name + QStringLiteral(": is gone or not the file that was listed"));
        } else if (seen[size_t(i)] == Other) {
            throw PlatformError(prefix + name + QStringLiteral(": is not a regular file"));
        } else if (::unlinkat(m_fd, encoded[size_t(i)].constData(), 0) != 0) {
            throw PlatformError::fromErrno(prefix + name, errno);
        }
        deleted();
    }
}

bool PinnedFolder::containsDirectly(const QString &fullPath, QString &name) const
{
    return splitDirectChild(m_path, fullPath, name);
}

bool PinnedFolder::splitDirectChild(const QString &folder, const QString &fullPath, QString &name)
{
    const QString base = withoutTrailingSlashes(folder);
    if (base.isEmpty())
        return false;
    const QString prefix = base == QLatin1String("/") ? base : base + QLatin1Char('/');
    if (!fullPath.startsWith(prefix))
        return false;
    const QString rest = fullPath.mid(prefix.size());
    if (!isSingleComponent(rest))
        return false;
    name = rest;
    return true;
}
