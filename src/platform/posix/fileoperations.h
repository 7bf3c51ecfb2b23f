#pragma once

#include "fileidentity.h"

// The two calls every deletion is made of: the status of a folder entry, read just before it
// goes, and its removal. Tests put another program's doings in between.
class FileOperations
{
public:
    virtual ~FileOperations() = default;
    // The entry `name` of an open folder, a link taken as itself. Returns 0 or the errno.
    virtual int status(int folderFd, const char *name, FileIdentity &out);
    // Removes the entry (a link as itself). Returns 0 or the errno.
    virtual int remove(int folderFd, const char *name);
};
