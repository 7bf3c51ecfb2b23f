#include "pinnedfolder.h"

#include "fileoperations.h"
#include "recyclebin.h"
#include "windowsfiles.h"

#include <windows.h>

namespace {

QString withoutTrailingSeparators(QString path)
{
    // "C:/" keeps its separator: without it, it would be the drive's current folder.
    while (path.size() > 3 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'))))
        path.chop(1);
    return path;
}

QString describe(FileIdentity::Kind kind)
{
    switch (kind) {
    case FileIdentity::Kind::Folder:
        return QStringLiteral("a folder");
    case FileIdentity::Kind::Link:
        return QStringLiteral("a symbolic link or junction");
    case FileIdentity::Kind::File:
        return QStringLiteral("a file");
    default:
        return QStringLiteral("neither a file nor a folder");
    }
}

} // namespace

unsigned long FileOperations::status(const winfs::Folder &folder, const std::wstring &name,
                                     winfs::Identity &out)
{
    return folder.status(name, out);
}

unsigned long FileOperations::remove(const winfs::Folder &folder, const std::wstring &name,
                                     const winfs::Identity &listed)
{
    return folder.remove(name, listed);
}

unsigned long FileOperations::rename(const winfs::Folder &folder, const std::wstring &name,
                                     const winfs::Identity &listed, const std::wstring &to)
{
    return folder.rename(name, listed, to);
}

unsigned long FileOperations::recycle(const winfs::Folder &folder, const std::wstring &name,
                                      const winfs::Identity &listed)
{
    // The shell takes a path: the folder's as its handle shows it now, the entry checked just
    // before.
    winfs::Identity now;
    if (const unsigned long error = folder.status(name, now))
        return error;
    if (!winfs::sameFile(listed, now))
        return winfs::kNotTheListedFile;
    std::wstring path;
    if (const unsigned long error = folder.currentPath(path))
        return error;
    if (path.back() != L'\\')
        path += L'\\';
    if (const unsigned long error = winfs::moveToRecycleBin(path + name))
        return error;
    winfs::Identity after;
    return folder.status(name, after) == 0 && winfs::sameFile(listed, after) ? winfs::kNotDeleted : 0;
}

PinnedFolder::PinnedFolder(const QString &path, const FolderIdentity &listed,
                           FileOperations &operations, int)
    : m_path(withoutTrailingSeparators(path)), m_operations(operations)
{
    if (const unsigned long error = m_folder.open(nativePath(m_path)))
        throw systemError(m_path, error);
    const winfs::Identity &now = m_folder.identity();
    if (now.volume != listed.device || now.fileId != listed.inode)
        throw PlatformError(QDir::toNativeSeparators(m_path), QStringLiteral("is not the folder that was listed"));
}

// As Windows writes paths: the messages show it.
QString PinnedFolder::pathOf(const QString &name) const
{
    const QString folder = QDir::toNativeSeparators(m_path);
    return (folder.endsWith(QLatin1Char('\\')) ? folder : folder + QLatin1Char('\\')) + name;
}

winfs::Identity PinnedFolder::checkedEntry(const QString &name, const FileIdentity &listed)
{
    if (!winfs::isSingleComponent(name.toStdWString()))
        throw PlatformError(pathOf(name), QStringLiteral("not a file name"));
    winfs::Identity now;
    if (const unsigned long error = m_operations.status(m_folder, name.toStdWString(), now)) {
        if (error == ERROR_FILE_NOT_FOUND)
            throw PlatformError(pathOf(name), QStringLiteral("is gone"));
        throw systemError(pathOf(name), error);
    }
    const FileIdentity shown = toFileIdentity(now);
    if (shown.kind != listed.kind) {
        throw PlatformError(pathOf(name), QStringLiteral("was ") + describe(listed.kind) +
                            QStringLiteral(" when listed and is ") + describe(shown.kind) +
                            QStringLiteral(" now"));
    }
    if (!sameFile(listed, shown, true))
        throw systemError(pathOf(name), winfs::kNotTheListedFile);
    return now;
}

void PinnedFolder::expectSame(const QString &name, const FileIdentity &listed)
{
    checkedEntry(name, listed);
}

void PinnedFolder::removeFile(const QString &name, const FileIdentity &listed)
{
    checkedEntry(name, listed);
    const unsigned long error =
        m_operations.remove(m_folder, name.toStdWString(), toIdentity(listed));
    if (error == ERROR_FILE_NOT_FOUND)
        throw PlatformError(pathOf(name), QStringLiteral("is gone"));
    if (error)
        throw systemError(pathOf(name), error);
}

void PinnedFolder::trashFile(const QString &name, const FileIdentity &listed)
{
    checkedEntry(name, listed);
    const unsigned long error =
        m_operations.recycle(m_folder, name.toStdWString(), toIdentity(listed));
    if (error == ERROR_FILE_NOT_FOUND)
        throw PlatformError(pathOf(name), QStringLiteral("is gone"));
    if (error)
        throw systemError(pathOf(name), error);
}

void PinnedFolder::renameFile(const QString &from, const FileIdentity &listed, const QString &to)
{
    checkedEntry(from, listed);
    if (!winfs::isSingleComponent(to.toStdWString()))
        throw PlatformError(pathOf(to), QStringLiteral("not a file name"));
    // Its own name is taken, by itself.
    const unsigned long error =
        to == from ? ERROR_ALREADY_EXISTS
                   : m_operations.rename(m_folder, from.toStdWString(), toIdentity(listed),
                                         to.toStdWString());
    if (error == ERROR_ALREADY_EXISTS) {
        throw PlatformError(pathOf(from), QStringLiteral("cannot take the name ") + to +
                                              QStringLiteral(": a file of that name exists"));
    }
    if (error == ERROR_FILE_NOT_FOUND)
        throw PlatformError(pathOf(from), QStringLiteral("is gone"));
    if (error)
        throw systemError(pathOf(from), error);
}
