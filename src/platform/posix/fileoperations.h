#pragma once

#include "fileidentity.h"

// The calls every deletion, rename and move to the trash is made of: the status of a folder
// entry, read just before it goes, its removal, and a rename that never replaces. Tests put
// another program's doings in between.
class FileOperations
{
public:
    virtual ~FileOperations() = default;
    // The entry `name` of an open folder, a link taken as itself. Returns 0 or the errno.
    virtual int status(int folderFd, const char *name, FileIdentity &out);
    // Removes the entry (a link as itself). Returns 0 or the errno.
    virtual int remove(int folderFd, const char *name);
    // Renames an entry (a link as itself), unless `to` is taken: then EEXIST and nothing
    // changes. Returns 0 or the errno.
    virtual int rename(int fromFolderFd, const char *from, int toFolderFd, const char *to);
};
