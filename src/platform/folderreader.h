#pragma once

#include "fileidentity.h"

#include <QList>
#include <QStringList>

// Lists one folder with readdir, without going through QDir: names that are not valid UTF-8
// are left out (a QString holding a replacement character could name a different file), and
// so are hidden (dot) names. Symbolic links are classified by what they point to.
struct FolderListing
{
    FileIdentity identity; // of the folder that was read
    QStringList files;     // regular files and links to regular files
    QList<quint64> fileInodes; // the inode of each file entry (of the link itself for links)
    QStringList folders;   // folders and links to folders
};

// Throws PlatformError when the folder cannot be opened or read.
FolderListing readFolder(const QString &path);

// The name as the file system stores it; false when it is not valid UTF-8.
bool decodeFileName(const char *name, qsizetype length, QString &out);
