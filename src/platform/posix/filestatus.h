#pragma once

#include "fileidentity.h"
#include "folderreader.h"

#include <dirent.h>

// The entry `name` of an open folder, a link taken as itself. Returns 0 or the errno.
int statusAt(int folderFd, const char *name, FileIdentity &out);

// Lists a folder opened for reading whose identity the caller has just taken, from where `dir`
// stands. Throws PlatformError, naming `path`, when it cannot be read.
FolderListing listOpenFolder(DIR *dir, const QString &path, const FolderIdentity &folder);

// The identity of an open folder and, with `mount`, the mount it is on (a bind mount of a
// folder of the same file system is another mount; where the kernel gives no mount ID, the
// device number stands for it). Returns 0 or the errno. `inodesKept`, when given, is what the
// file system is known to do (a folder on the same mount as one already asked).
int folderStatus(int folderFd, FolderIdentity &out, quint64 *mount = nullptr,
                 const bool *inodesKept = nullptr);
