#include "folderreader.h"

#include "platformerror.h"

#include <QFile>
#include <QStringDecoder>

#include <cerrno>
#include <memory>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};

enum class Kind { File, Folder, Other };

Kind kindOf(int dirFd, const dirent *entry)
{
    switch (entry->d_type) {
    case DT_REG:
        return Kind::File;
    case DT_DIR:
        return Kind::Folder;
    case DT_LNK:
    case DT_UNKNOWN:
        break;
    default:
        return Kind::Other;
    }
    // A link counts as what it points to; a dangling link is neither.
    struct stat st;
    if (fstatat(dirFd, entry->d_name, &st, 0) != 0)
        return Kind::Other;
    if (S_ISREG(st.st_mode))
        return Kind::File;
    if (S_ISDIR(st.st_mode))
        return Kind::Folder;
    return Kind::Other;
}

} // namespace

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
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    out = decoder.decode(QByteArrayView(name, length));
    return !decoder.hasError();
}

FolderListing readFolder(const QString &path)
{
    const QByteArray encoded = QFile::encodeName(path);
    const int fd = ::open(encoded.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw PlatformError::fromErrno(path, errno);
    std::unique_ptr<DIR, DirCloser> dir(fdopendir(fd));
    if (!dir) {
        const int err = errno;
        ::close(fd);
        throw PlatformError::fromErrno(path, err);
    }

    FolderListing listing;
    struct stat folderStat;
    if (fstat(fd, &folderStat) != 0) {
        const int err = errno;
        throw PlatformError::fromErrno(path, err);
    }
    listing.identity = {quint64(folderStat.st_dev), quint64(folderStat.st_ino)};
    QString name;
    for (;;) {
        errno = 0;
        const dirent *entry = readdir(dir.get());
        if (!entry) {
            if (errno != 0)
                throw PlatformError::fromErrno(path, errno);
            break;
        }
        if (entry->d_name[0] == '.')
            continue;
        const Kind kind = kindOf(fd, entry);
        if (kind == Kind::Other)
            continue;
        if (!decodeFileName(entry->d_name, qsizetype(std::strlen(entry->d_name)), name))
            continue;
        if (kind == Kind::File) {
            listing.files.append(name);
            listing.fileInodes.append(quint64(entry->d_ino));
        } else {
            listing.folders.append(name);
        }
    }
    return listing;
}
