// The Windows deletion core on real files: built with MinGW and run under Wine by
// scripts/check-windows, or by CTest on Windows itself. Works in a folder it makes, whose path
// it is given: the caller removes it afterwards.

#include "handlefolder.h"

#include <windows.h>

#include <cstdio>
#include <functional>
#include <set>

using namespace winfs;
using Names = std::set<std::wstring>;

namespace {

std::wstring work; // the folder given, with a separator at its end
int failures = 0;

void check(bool ok, const char *what, unsigned long result = 0)
{
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok && result)
        std::printf("     (%ls)\n", errorText(result).c_str());
    failures += !ok;
}

// Paths with "\\?\" so that Win32 keeps trailing dots and device names.
std::wstring full(const std::wstring &folder, const std::wstring &name = {})
{
    return L"\\\\?\\" + work + folder + (name.empty() ? L"" : L"\\" + name);
}

void makeFile(const std::wstring &folder, const std::wstring &name)
{
    CloseHandle(CreateFileW(full(folder, name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
}

// A symbolic link where the system makes one: true when it is there as a link.
bool makeLink(const std::wstring &path, const std::wstring &target, bool folder)
{
    CreateSymbolicLinkW(path.c_str(), target.c_str(),
                        SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE |
                            (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0));
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

Names namesIn(const std::wstring &folder)
{
    Folder opened;
    std::vector<Entry> entries;
    Names names;
    if (opened.open(work + folder) == 0 && opened.list(entries) == 0)
        for (const Entry &entry : entries)
            names.insert(entry.name);
    return names;
}

// A purge as the program runs one: the model's kept version checked as listed, then each old
// version deleted through the folder's handle; the first refusal ends it.
unsigned long purge(const Folder &folder, const std::vector<Entry> &listed,
                    const std::wstring &kept, const std::vector<std::wstring> &old)
{
    auto find = [&](const std::wstring &name) {
        for (const Entry &entry : listed)
            if (entry.name == name)
                return entry.identity;
        return Identity{};
    };
    Identity now;
    if (unsigned long error = folder.status(kept, now))
        return error;
    if (!sameFile(find(kept), now))
        return kNotTheListedFile;
    for (const std::wstring &name : old) {
        if (unsigned long error = folder.remove(name, find(name)))
            return error;
    }
    return 0;
}

class FailingFolder : public Folder
{
    unsigned long dispose(void *) const override { return ERROR_SHARING_VIOLATION; }
};

struct Scenario
{
    const char *what;
    std::vector<std::wstring> files;
    std::function<void(const std::wstring &folder)> meanwhile; // between listing and purge
    std::vector<std::wstring> old;                             // the first file is the kept one
    unsigned long result;
    Names left;
};

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2 || !CreateDirectoryW(argv[1], nullptr)) {
        std::printf("usage: test_handlefolder NEW-FOLDER (a folder that does not exist yet)\n");
        return 2;
    }
    work = std::wstring(argv[1]) + L'\\';

    // Read-only on one file, hidden and system on another: Wine keeps read-only in the mode
    // bits and the others in an extended attribute, which a user other than root cannot write
    // on a file without write permission, so it would drop them from a read-only file.
    const DWORD readOnly = FILE_ATTRIBUTE_READONLY,
                hiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    auto protect = [&](const std::wstring &f) {
        SetFileAttributesW(full(f, L"a.prt.1").c_str(), readOnly);
        SetFileAttributesW(full(f, L"a.prt.2").c_str(), hiddenSystem);
    };
    auto replace = [](const std::wstring &f) {
        MoveFileExW(full(f, L"other").c_str(), full(f, L"a.prt.1").c_str(),
                    MOVEFILE_REPLACE_EXISTING);
    };
    auto recreate = [](const std::wstring &f) {
        DeleteFileW(full(f, L"a.prt.1").c_str());
        Sleep(20); // a birth time that differs even where times are coarse
        makeFile(f, L"a.prt.1");
    };
    const Names both = {L"a.prt.1", L"a.prt.2"};
    // clang-format off
    const std::vector<Scenario> scenarios = {
        {"old versions go, read-only, hidden and system ones too; the highest stays",
         {L"a.prt.3", L"a.prt.1", L"a.prt.2"}, protect, {L"a.prt.1", L"a.prt.2"}, 0, {L"a.prt.3"}},
        {"a file replaced by another (a new file ID) stays", {L"a.prt.2", L"a.prt.1", L"other"},
         replace, {L"a.prt.1"}, kNotTheListedFile, both},
        {"a file deleted and created anew stays", {L"a.prt.2", L"a.prt.1"}, recreate,
         {L"a.prt.1"}, kNotTheListedFile, both},
        {"the latest version gone, nothing of its model goes", {L"a.prt.2", L"a.prt.1"},
         [](const std::wstring &f) { DeleteFileW(full(f, L"a.prt.2").c_str()); },
         {L"a.prt.1"}, ERROR_FILE_NOT_FOUND, {L"a.prt.1"}},
        {"names Win32 would change (trailing dot or space, device name) are files of their own",
         {L"CON.prt.2", L"CON.prt.1", L"b.prt.1.", L"b.prt.1", L"c.prt.1 ", L"c.prt.2"}, nullptr,
         {L"CON.prt.1", L"b.prt.1.", L"c.prt.1 "}, 0, {L"b.prt.1", L"CON.prt.2", L"c.prt.2"}},
        {"a name that is not one file (a stream) is refused", {L"a.prt.2", L"a.prt.1"}, nullptr,
         {L"a.prt.1:stream"}, kNotAName, both},
    };
    // clang-format on
    int number = 0;
    for (const Scenario &s : scenarios) {
        const std::wstring folder = L"s" + std::to_wstring(++number);
        CreateDirectoryW(full(folder).c_str(), nullptr);
        for (const std::wstring &name : s.files)
            makeFile(folder, name);
        Folder opened;
        std::vector<Entry> listed;
        const bool read = opened.open(work + folder) == 0 && opened.list(listed) == 0;
        if (s.meanwhile)
            s.meanwhile(folder);
        const unsigned long result = purge(opened, listed, s.files[0], s.old);
        check(read && listed.size() == s.files.size() && result == s.result &&
                  namesIn(folder) == s.left,
              s.what, result);
    }

    CreateDirectoryW(full(L"f").c_str(), nullptr);
    FailingFolder failing;
    failing.open(work + L"f");
    bool restored = true;
    for (const DWORD attributes : {readOnly, hiddenSystem}) {
        const std::wstring name = L"a.prt." + std::to_wstring(attributes);
        makeFile(L"f", name);
        SetFileAttributesW(full(L"f", name).c_str(), attributes);
        Identity listed;
        failing.status(name, listed);
        const DWORD before = GetFileAttributesW(full(L"f", name).c_str());
        restored = restored && (before & attributes) == attributes &&
                   failing.remove(name, listed) == ERROR_SHARING_VIOLATION &&
                   GetFileAttributesW(full(L"f", name).c_str()) == before;
    }
    check(restored, "a deletion that fails is reported and puts the attributes back");

    CreateDirectoryW(full(L"l").c_str(), nullptr);
    CreateDirectoryW(full(L"l", L"sub").c_str(), nullptr);
    makeFile(L"l", L"a.prt.1");
    if (!makeLink(full(L"l", L"a.prt.2"), L"a.prt.1", false) ||
        !makeLink(full(L"l", L"b.prt.2"), L"sub", true)) {
        std::printf("not shown: links named like versions (this system makes no symbolic link)\n");
    } else {
        Folder folder;
        std::vector<Entry> entries;
        folder.open(work + L"l");
        folder.list(entries);
        int links = 0;
        for (const Entry &entry : entries)
            links += entry.identity.kind == Kind::Link;
        Identity link;
        folder.status(L"a.prt.2", link);
        check(links == 2 && link.kind == Kind::Link && folder.remove(L"a.prt.2", link) == 0 &&
                  namesIn(L"l") == Names{L"a.prt.1", L"b.prt.2", L"sub"},
              "links named like versions are listed as links, and deleted themselves");
    }

    // The folder swapped for a link to another (or, where there are no links, for the other
    // itself) between listing and purge.
    for (const wchar_t *name : {L"w", L"elsewhere"}) {
        CreateDirectoryW(full(name).c_str(), nullptr);
        makeFile(name, L"a.prt.1");
        makeFile(name, L"a.prt.2");
    }
    Folder pinned, reopened;
    std::vector<Entry> entries;
    pinned.open(work + L"w");
    pinned.list(entries);
    MoveFileW(full(L"w").c_str(), full(L"w.moved").c_str());
    if (!makeLink(full(L"w"), full(L"elsewhere"), true))
        MoveFileW(full(L"elsewhere").c_str(), full(L"w").c_str());
    check(reopened.open(work + L"w") == 0 && !sameFile(pinned.identity(), reopened.identity()),
          "a folder swapped for another is another folder when opened again");
    // Windows goes on deleting in the folder held open; Wine takes the deletion and drops it.
    const unsigned long result = purge(pinned, entries, L"a.prt.2", {L"a.prt.1"});
    if (result)
        std::printf("     (the folder held open, moved: %ls)\n", errorText(result).c_str());
    check(namesIn(L"w") == both &&
              namesIn(L"w.moved") == (result == kNotDeleted ? both : Names{L"a.prt.2"}),
          "a folder swapped for another loses nothing; the one held open at most its old version");

    std::printf("%d failure(s)\n", failures);
    return failures ? 1 : 0;
}
