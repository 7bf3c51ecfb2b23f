#include "platformsupport.h"

#include <utility>
#include <windows.h>

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

unsigned long RacingOperations::rename(const winfs::Folder &folder, const std::wstring &name,
                                       const winfs::Identity &listed, const std::wstring &to)
{
    if (const auto racer = std::exchange(beforeRename, nullptr))
        racer(QString::fromStdWString(name));
    return FileOperations::rename(folder, name, listed, to);
}

bool makeFifo(const QString &)
{
    return false;
}

bool isFifo(const QString &)
{
    return false;
}

bool runningUnderWine()
{
    // Wine's ntdll exports its version; Windows' does not.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

bool giveToAnotherUser(const QString &)
{
    return false;
}
