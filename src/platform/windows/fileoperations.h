#pragma once

#include "handlefolder.h"

// The calls every deletion, rename and move to the Recycle Bin is made of: the entry as it is
// just before it goes, and the deed itself through a handle that shows it is still the file
// listed. Tests put another program's doings in between.
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
    // Renames the entry, if it is still `listed`, unless `to` is taken. Returns 0 or the error
    // code (ERROR_ALREADY_EXISTS for a name taken).
    virtual unsigned long rename(const winfs::Folder &folder, const std::wstring &name,
                                 const winfs::Identity &listed, const std::wstring &to);
    // Moves the entry, checked to be still `listed`, to the Recycle Bin; never deletes it for
    // good (winfs::kNoRecycleBin). Returns 0 or the error code.
    virtual unsigned long recycle(const winfs::Folder &folder, const std::wstring &name,
                                  const winfs::Identity &listed);
};
