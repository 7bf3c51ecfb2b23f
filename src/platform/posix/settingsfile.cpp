#include "settingsfile.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

QString usableSettingsFile(const QString &path, qint64 maxSize)
{
    const QByteArray encoded = QFile::encodeName(path);
    struct stat entry;
    if (::lstat(encoded.constData(), &entry) != 0)
        return errno == ENOENT ? path : QString();
    if (S_ISREG(entry.st_mode))
        return entry.st_size <= maxSize ? path : QString();
    if (!S_ISLNK(entry.st_mode))
        return QString();
    // The file the link leads to, as the system resolves it now; written in its place, so the
    // link stays a link.
    std::unique_ptr<char, decltype(&std::free)> target(::realpath(encoded.constData(), nullptr),
                                                       &std::free);
    struct stat file;
    if (!target || ::lstat(target.get(), &file) != 0 || !S_ISREG(file.st_mode) ||
        file.st_uid != ::geteuid() || file.st_size > maxSize)
        return QString();
    return QFile::decodeName(target.get());
}
