#include "handlefolder.h"

#include <windows.h>
#include <winternl.h>

namespace winfs {

namespace {

// NtCreateFile opens a name relative to a folder handle, which no Win32 call does; it is taken
// from ntdll at run time, so that no import library beyond the usual ones is needed.
using NtCreateFileCall = NTSTATUS(NTAPI *)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES,
                                           PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG, ULONG, ULONG,
                                           ULONG, PVOID, ULONG);
using StatusToErrorCall = ULONG(NTAPI *)(NTSTATUS);
// A rename relative to a folder handle, too: SetFileInformationByHandle makes a path of the new
// name against the current folder on some systems (Wine).
using SetInformationFileCall = NTSTATUS(NTAPI *)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, int);
constexpr int kFileRenameInformation = 10;

struct Ntdll
{
    NtCreateFileCall createFile = nullptr;
    StatusToErrorCall statusToError = nullptr;
    SetInformationFileCall setInformationFile = nullptr;

    Ntdll()
    {
        if (HMODULE module = GetModuleHandleW(L"ntdll.dll")) {
            createFile = reinterpret_cast<NtCreateFileCall>(
                reinterpret_cast<void *>(GetProcAddress(module, "NtCreateFile")));
            statusToError = reinterpret_cast<StatusToErrorCall>(
                reinterpret_cast<void *>(GetProcAddress(module, "RtlNtStatusToDosError")));
            setInformationFile = reinterpret_cast<SetInformationFileCall>(
                reinterpret_cast<void *>(GetProcAddress(module, "NtSetInformationFile")));
        }
    }
};

const Ntdll &ntdll()
{
    static const Ntdll calls;
    return calls;
}

std::int64_t ticks(const FILETIME &time)
{
    return std::int64_t((std::uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

unsigned long identityOf(HANDLE file, Identity &out)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info))
        return GetLastError();
    out.volume = info.dwVolumeSerialNumber;
    out.fileId = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    out.created = ticks(info.ftCreationTime);
    out.modified = ticks(info.ftLastWriteTime);
    out.size = std::int64_t((std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    out.attributes = info.dwFileAttributes;
    const bool folder = info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    out.kind = folder ? Kind::Folder : Kind::File;
    out.linksToFolder = false;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        FILE_ATTRIBUTE_TAG_INFO tag;
        if (!GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag))
            return GetLastError();
        if (IsReparseTagNameSurrogate(tag.ReparseTag)) {
            out.kind = Kind::Link;
            out.linksToFolder = folder;
        }
    }
    return 0;
}

// The attributes a program may set; of them, read-only keeps a file from being deleted, and
// hidden and system are cleared with it, as "attributes set to normal" has always meant.
constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                            FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr DWORD kProtecting =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

bool setAttributes(HANDLE file, DWORD attributes)
{
    FILE_BASIC_INFO basic = {}; // times left at zero stay as they are
    basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
}

} // namespace

bool sameFile(const Identity &listed, const Identity &now)
{
    return listed.kind == now.kind && listed.volume == now.volume && listed.fileId == now.fileId &&
           listed.created == now.created;
}

bool isSingleComponent(const std::wstring &name)
{
    if (name.empty() || name == L"." || name == L".." || name.size() > 255)
        return false;
    // A stream ("a.prt.1:x") is part of a file, not one; wildcards never name a single file.
    return name.find_first_of(std::wstring(L"\\/:*?\"<>|\0", 10)) == std::wstring::npos;
}

std::wstring errorText(unsigned long code)
{
    if (code == kNotAName)
        return L"not a file name";
    if (code == kNotTheListedFile)
        return L"has been replaced by another file since it was listed";
    if (code == kNotDeleted)
        return L"is still there although the system took its deletion";
    if (code == kNoRecycleBin)
        return L"no Recycle Bin on its drive; not moved";
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::wstring result = length ? std::wstring(text, length) : L"error " + std::to_wstring(code);
    LocalFree(text);
    while (!result.empty() && (result.back() == L'\n' || result.back() == L'\r' ||
                               result.back() == L'.' || result.back() == L' '))
        result.pop_back();
    return result;
}

Folder::~Folder()
{
    if (m_handle)
        CloseHandle(m_handle);
}

unsigned long Folder::open(const std::wstring &path)
{
    if (m_handle)
        CloseHandle(m_handle);
    // Other programs may still rename or delete the folder: the handle keeps this program on
    // the folder it opened wherever that goes.
    m_handle = CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (m_handle == INVALID_HANDLE_VALUE) {
        m_handle = nullptr;
        return GetLastError();
    }
    if (const unsigned long error = identityOf(m_handle, m_identity))
        return error;
    return m_identity.attributes & FILE_ATTRIBUTE_DIRECTORY ? 0 : ERROR_DIRECTORY;
}

unsigned long Folder::openEntry(const std::wstring &name, unsigned long access, void *&file) const
{
    if (!isSingleComponent(name))
        return kNotAName;
    const Ntdll &calls = ntdll();
    if (!m_handle || !calls.createFile || !calls.statusToError)
        return ERROR_INVALID_FUNCTION;
    UNICODE_STRING text;
    text.Buffer = const_cast<wchar_t *>(name.c_str());
    text.Length = text.MaximumLength = USHORT(name.size() * sizeof(wchar_t));
    // Relative to the folder's handle the name is taken as it is: no path parsing strips a
    // trailing dot or space, and "CON.prt.1" is a file like any other. Case is kept too where
    // the system is set to tell names apart by case.
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, 0, m_handle, nullptr);
    IO_STATUS_BLOCK io;
    HANDLE opened = nullptr;
    const NTSTATUS status = calls.createFile(
        &opened, access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &io, nullptr, 0,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
        FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT | FILE_SYNCHRONOUS_IO_NONALERT,
        nullptr, 0);
    if (status < 0)
        return calls.statusToError(status);
    file = opened;
    return 0;
}

unsigned long Folder::status(const std::wstring &name, Identity &out) const
{
    void *file = nullptr;
    if (const unsigned long error = openEntry(name, 0, file))
        return error;
    const unsigned long error = identityOf(file, out);
    CloseHandle(file);
    return error;
}

unsigned long Folder::list(std::vector<Entry> &out) const
{
    out.clear();
    std::vector<std::uint64_t> buffer(64 * 1024 / sizeof(std::uint64_t)); // aligned for the records
    auto infoClass = FileFullDirectoryRestartInfo; // from the start, however often it was read
    for (;;) {
        if (!GetFileInformationByHandleEx(m_handle, infoClass, buffer.data(),
                                          DWORD(buffer.size() * sizeof(std::uint64_t)))) {
            const DWORD error = GetLastError();
            return error == ERROR_NO_MORE_FILES ? 0 : error;
        }
        infoClass = FileFullDirectoryInfo;
        auto *record = reinterpret_cast<const unsigned char *>(buffer.data());
        for (;;) {
            const auto *info = reinterpret_cast<const FILE_FULL_DIR_INFO *>(record);
            Entry entry;
            entry.name.assign(info->FileName, info->FileNameLength / sizeof(wchar_t));
            if (entry.name != L"." && entry.name != L".." &&
                status(entry.name, entry.identity) == 0)
                out.push_back(std::move(entry));
            if (!info->NextEntryOffset)
                break;
            record += info->NextEntryOffset;
        }
    }
}

unsigned long Folder::remove(const std::wstring &name, const Identity &listed) const
{
    void *file = nullptr;
    unsigned long error = openEntry(name, DELETE | FILE_WRITE_ATTRIBUTES, file);
    // Deleting itself needs no more than DELETE. Wine grants the right to change attributes
    // by opening the file for writing, which a read-only file refuses to every user but root,
    // while it lets a handle without that right change them; Windows refuses such a handle
    // the change, so nothing is cleared there that the file's owner did not allow.
    if (error == ERROR_ACCESS_DENIED)
        error = openEntry(name, DELETE, file);
    if (error)
        return error;
    Identity now;
    error = identityOf(file, now);
    if (!error && !sameFile(listed, now))
        error = kNotTheListedFile;
    // A folder, or a link that is one, is never this program's to delete.
    if (!error && (now.attributes & FILE_ATTRIBUTE_DIRECTORY))
        error = ERROR_ACCESS_DENIED;
    const DWORD before = now.attributes & kSettable;
    const bool clearing = before & kProtecting;
    if (!error && clearing && !setAttributes(file, before & ~kProtecting))
        error = GetLastError();
    if (!error) {
        error = dispose(file);
        if (error && clearing)
            setAttributes(file, before);
    }
    CloseHandle(file);
    // A file system may take a deletion and drop it (Wine's does once the folder has moved):
    // the name must be gone now, or stand for another file.
    Identity after;
    if (!error && status(name, after) == 0 && sameFile(listed, after))
        error = kNotDeleted;
    return error;
}

unsigned long Folder::rename(const std::wstring &name, const Identity &listed,
                            const std::wstring &to) const
{
    if (!isSingleComponent(to))
        return kNotAName;
    void *file = nullptr;
    if (const unsigned long error = openEntry(name, DELETE, file))
        return error;
    Identity now;
    unsigned long error = identityOf(file, now);
    if (!error && !sameFile(listed, now))
        error = kNotTheListedFile;
    if (!error && (now.attributes & FILE_ATTRIBUTE_DIRECTORY))
        error = ERROR_ACCESS_DENIED;
    const Ntdll &calls = ntdll();
    if (!error && !calls.setInformationFile)
        error = ERROR_INVALID_FUNCTION;
    if (!error) {
        // The new name relative to this folder's handle, wherever its path leads now. The
        // system's FILE_RENAME_INFORMATION is laid out as FILE_RENAME_INFO.
        std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + to.size() * sizeof(wchar_t));
        auto *info = reinterpret_cast<FILE_RENAME_INFO *>(buffer.data());
        info->ReplaceIfExists = FALSE;
        info->RootDirectory = m_handle;
        info->FileNameLength = DWORD(to.size() * sizeof(wchar_t));
        to.copy(info->FileName, to.size());
        IO_STATUS_BLOCK io;
        const NTSTATUS status = calls.setInformationFile(file, &io, info, ULONG(buffer.size()),
                                                         kFileRenameInformation);
        if (status < 0)
            error = calls.statusToError(status);
    }
    CloseHandle(file);
    return error == ERROR_FILE_EXISTS ? ERROR_ALREADY_EXISTS : error;
}

unsigned long Folder::currentPath(std::wstring &out) const
{
    std::wstring path(32768, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(m_handle, path.data(), DWORD(path.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= path.size())
        return length ? ERROR_FILENAME_EXCED_RANGE : GetLastError();
    path.resize(length);
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        path = L"\\" + path.substr(7); // \\server\share
    else if (path.compare(0, 4, L"\\\\?\\") == 0)
        path = path.substr(4);
    out = path;
    return 0;
}

unsigned long Folder::dispose(void *file) const
{
    // FileDispositionInfoEx with its flags to delete, the POSIX way (Windows 10 1607 on; not
    // every compiler's headers have them yet).
    const auto dispositionEx = FILE_INFO_BY_HANDLE_CLASS(21);
    DWORD posix = 0x1 | 0x2;
    if (SetFileInformationByHandle(file, dispositionEx, &posix, sizeof posix))
        return 0;
    const DWORD error = GetLastError();
    // Older systems, and file systems such as FAT, have only the classic way.
    if (error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_SUPPORTED &&
        error != ERROR_INVALID_FUNCTION)
        return error;
    FILE_DISPOSITION_INFO classic = {TRUE};
    return SetFileInformationByHandle(file, FileDispositionInfo, &classic, sizeof classic)
               ? 0
               : GetLastError();
}

} // namespace winfs
