#include "fileinformation.h"

#include "windowsfiles.h"

#include <windows.h>

namespace {

QDateTime toDateTime(const FILETIME &time)
{
    const qint64 ticks = (qint64(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return QDateTime::fromMSecsSinceEpoch((ticks - kTicksTo1970) / 10000);
}

} // namespace

FileObject FileSystemObject::getfile(const QString &path) const
{
    // "\\?\" keeps the name as it is: a trailing dot or a device name is not parsed away.
    const QString absolute = QDir::cleanPath(QDir(path).absolutePath());
    std::wstring native = nativePath(absolute);
    native =
        native.rfind(L"\\\\", 0) == 0 ? L"\\\\?\\UNC\\" + native.substr(2) : L"\\\\?\\" + native;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(native.c_str(), GetFileExInfoStandard, &data))
        throw systemError(path, GetLastError());
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        throw PlatformError(QDir::toNativeSeparators(path), QStringLiteral("is a folder"));

    FileObject file;
    file.Path = QDir::toNativeSeparators(absolute); // as Windows writes it, to be shown
    file.size = (qint64(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    file.DateCreated = toDateTime(data.ftCreationTime);
    file.DateLastAccessed = toDateTime(data.ftLastAccessTime);
    file.DateLastModified = toDateTime(data.ftLastWriteTime);
    return file;
}

std::unique_ptr<FileSystemObject> ServiceFactory::createObject(const QString &className)
{
    if (className.compare(QLatin1String("Scripting.FileSystemObject"), Qt::CaseInsensitive) != 0)
        throw PlatformError(QStringLiteral("No such service: ") + className);
    return std::make_unique<FileSystemObject>();
}
