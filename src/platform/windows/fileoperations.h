#pragma once

#include "handlefolder.h"

// The two calls every deletion is made of: the entry as it is just before it goes, and its
// deletion through a handle that shows it is still the file listed. Tests put another program's
// doings in between.
class FileOperations
{
public:
    virtual ~FileOperations() = default;
    // The entry `name` of an open folder, a link taken as itself. Returns 0 or the error code.
    virtual unsigned long status(const winfs::Folder &folder, const std::wstring &name,
                                 winfs::Identity &out);
    // Deletes the entry (a link as itself) if it is still `listed`. Returns 0 or the error code.
    virtual unsigned long remove(const winfs::Folder &folder, const std::wstring &name,
                                 const winfs::Identity &listed);
};
