#pragma once

#include "fileidentity.h"

// The entry `name` of an open folder, a link taken as itself. Returns 0 or the errno.
int statusAt(int folderFd, const char *name, FileIdentity &out);

// The identity of an open folder and, with `mount`, the mount it is on (a bind mount of a
// folder of the same file system is another mount; where the kernel gives no mount ID, the
// device number stands for it). Returns 0 or the errno.
int folderStatus(int folderFd, FolderIdentity &out, quint64 *mount = nullptr);
