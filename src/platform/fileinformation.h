#pragma once

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>

// What the file-information service tells about one file. Each property may be unknown on
// its own (a file system without creation times, a size that cannot be read).
struct FileObject
{
    QString Path;
    std::optional<qint64> size;
    std::optional<QDateTime> DateCreated;
    std::optional<QDateTime> DateLastAccessed;
    std::optional<QDateTime> DateLastModified;
};

// The file-information service.
class FileSystemObject
{
public:
    virtual ~FileSystemObject() = default;
    // Throws PlatformError when the file does not exist or cannot be reached.
    virtual FileObject getfile(const QString &path) const;
};

// Creates services by their class name, as the details windows ask for them. Tests replace it
// to make the service unavailable or to answer with made-up files.
class ServiceFactory
{
public:
    virtual ~ServiceFactory() = default;
    // Throws PlatformError for a class name it does not know (names compare without case).
    virtual std::unique_ptr<FileSystemObject> createObject(const QString &className);
};
