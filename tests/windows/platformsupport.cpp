#include "platformsupport.h"

unsigned long RacingOperations::status(const winfs::Folder &folder, const std::wstring &name,
                                       winfs::Identity &out)
{
    const QString entry = QString::fromStdWString(name);
    if (beforeStatus)
        beforeStatus(entry);
    const unsigned long error = FileOperations::status(folder, name, out);
    if (error == 0 && reportedInode.contains(entry))
        out.fileId = reportedInode.value(entry);
    return error;
}

bool makeFifo(const QString &)
{
    return false;
}

bool isFifo(const QString &)
{
    return false;
}
