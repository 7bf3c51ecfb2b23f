#pragma once

#include "fileidentity.h"

// The entry `name` of an open folder, a link taken as itself. Returns 0 or the errno.
int statusAt(int folderFd, const char *name, FileIdentity &out);

// The identity of an open folder. Returns 0 or the errno.
int folderStatus(int folderFd, FolderIdentity &out);
