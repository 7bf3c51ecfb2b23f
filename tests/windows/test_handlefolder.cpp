// The Windows deletion core on real files: built with MinGW and run under Wine by
// scripts/check-windows, or by CTest on Windows itself. Works in a folder it makes, whose path
// it is given: the caller removes it afterwards.

#include "handlefolder.h"

#include <windows.h>

#include <cstdio>
#include <functional>
#include <set>

using namespace winfs;

namespace {

std::wstring work; // the folder given, with a separator at its end
int failures = 0;

void check(bool ok, const char *scenario, const char *what)
{
    std::printf("%s %s: %s\n", ok ? "ok  " : "FAIL", scenario, what);
    failures += !ok;
}

// Paths with "\\?\" so that Win32 keeps trailing dots and device names.
std::wstring full(const std::wstring &folder, const std::wstring &name = {})
{
    return L"\\\\?\\" + work + folder + (name.empty() ? L"" : L"\\" + name);
}

void makeFile(const std::wstring &folder, const std::wstring &name, DWORD attributes = 0)
{
    HANDLE file = CreateFileW(full(folder, name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              attributes ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        std::printf("cannot create %ls: %lu\n", name.c_str(), GetLastError());
    CloseHandle(file);
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

std::set<std::wstring> namesIn(const std::wstring &folder)
{
    Folder opened;
    std::vector<Entry> entries;
    std::set<std::wstring> names;
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
        const Identity identity = find(name);
        if (identity.kind != Kind::File)
            return kNotAName; // links and folders are never versions
        if (unsigned long error = folder.remove(name, identity))
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
    std::vector<std::pair<std::wstring, DWORD>> files;
    std::function<void(const std::wstring &folder)> meanwhile; // between listing and purge
    std::wstring kept;
    std::vector<std::wstring> old;
    unsigned long result;
    std::set<std::wstring> left;
};

} // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2 || !CreateDirectoryW(argv[1], nullptr)) {
        std::printf("usage: test_handlefolder NEW-FOLDER (a folder that does not exist yet)\n");
        return 2;
    }
    work = argv[1];
    if (work.back() != L'\\')
        work += L'\\';

    const DWORD readOnly = FILE_ATTRIBUTE_READONLY, hidden = FILE_ATTRIBUTE_HIDDEN;
    const std::vector<Scenario> scenarios = {
        {"old versions go, read-only and hidden ones too, the highest stays",
         {{L"a.prt.1", readOnly}, {L"a.prt.2", readOnly | hidden}, {L"a.prt.3", 0}},
         nullptr, L"a.prt.3", {L"a.prt.1", L"a.prt.2"}, 0, {L"a.prt.3"}},
        {"a file replaced by another (a new file ID) stays",
         {{L"a.prt.1", 0}, {L"a.prt.2", 0}, {L"other", 0}},
         [](const std::wstring &f) {
             MoveFileExW(full(f, L"other").c_str(), full(f, L"a.prt.1").c_str(),
                         MOVEFILE_REPLACE_EXISTING);
         },
         L"a.prt.2", {L"a.prt.1"}, kNotTheListedFile, {L"a.prt.1", L"a.prt.2"}},
        {"a file deleted and created anew stays",
         {{L"a.prt.1", 0}, {L"a.prt.2", 0}},
         [](const std::wstring &f) {
             DeleteFileW(full(f, L"a.prt.1").c_str());
             Sleep(20); // a birth time that differs even where it is coarse
             makeFile(f, L"a.prt.1");
         },
         L"a.prt.2", {L"a.prt.1"}, kNotTheListedFile, {L"a.prt.1", L"a.prt.2"}},
        {"the latest version gone, nothing of its model goes",
         {{L"a.prt.1", 0}, {L"a.prt.2", 0}},
         [](const std::wstring &f) { DeleteFileW(full(f, L"a.prt.2").c_str()); },
         L"a.prt.2", {L"a.prt.1"}, ERROR_FILE_NOT_FOUND, {L"a.prt.1"}},
        {"names Win32 would change are files of their own",
         {{L"b.prt.1.", 0}, {L"b.prt.1", 0}, {L"CON.prt.1", 0}, {L"CON.prt.2", 0},
          {L"c.prt.1 ", 0}, {L"c.prt.2", 0}},
         nullptr, L"CON.prt.2", {L"CON.prt.1", L"b.prt.1.", L"c.prt.1 "}, 0,
         {L"b.prt.1", L"CON.prt.2", L"c.prt.2"}},
        {"a name that is not one file is refused",
         {{L"a.prt.1", 0}, {L"a.prt.2", 0}},
         nullptr, L"a.prt.2", {L"a.prt.1:stream"}, kNotAName, {L"a.prt.1", L"a.prt.2"}},
    };
    int number = 0;
    for (const Scenario &s : scenarios) {
        const std::wstring folder = L"s" + std::to_wstring(++number);
        CreateDirectoryW(full(folder).c_str(), nullptr);
        for (const auto &[name, attributes] : s.files)
            makeFile(folder, name, attributes);
        Folder opened;
        std::vector<Entry> listed;
        check(opened.open(work + folder) == 0 && opened.list(listed) == 0 &&
                  listed.size() == s.files.size(),
              s.what, "every file listed");
        if (s.meanwhile)
            s.meanwhile(folder);
        const unsigned long result = purge(opened, listed, s.kept, s.old);
        if (result != s.result)
            std::printf("     %ls\n", errorText(result).c_str());
        check(result == s.result, s.what, "the purge ends as it should");
        check(namesIn(folder) == s.left, s.what, "the files left are the right ones");
    }

    // A deletion that fails leaves the file as it was, attributes included.
    {
        const char *what = "a deletion that fails";
        CreateDirectoryW(full(L"f").c_str(), nullptr);
        makeFile(L"f", L"a.prt.1", readOnly | hidden);
        FailingFolder folder;
        Identity listed;
        folder.open(work + L"f");
        folder.status(L"a.prt.1", listed);
        check(folder.remove(L"a.prt.1", listed) == ERROR_SHARING_VIOLATION, what, "is reported");
        check((GetFileAttributesW(full(L"f", L"a.prt.1").c_str()) & (readOnly | hidden)) ==
                  (readOnly | hidden),
              what, "puts the attributes back");
    }

    // A link named like a version is never followed and goes only as itself.
    {
        const char *what = "a link named like a version";
        CreateDirectoryW(full(L"l").c_str(), nullptr);
        CreateDirectoryW(full(L"l", L"sub").c_str(), nullptr);
        makeFile(L"l", L"a.prt.1");
        if (!makeLink(full(L"l", L"a.prt.2"), L"a.prt.1", false) ||
            !makeLink(full(L"l", L"b.prt.2"), L"sub", true)) {
            std::printf("not shown: %s (this system makes no symbolic link)\n", what);
        } else {
            Folder folder;
            std::vector<Entry> listed;
            folder.open(work + L"l");
            folder.list(listed);
            int links = 0;
            for (const Entry &entry : listed)
                links += entry.identity.kind == Kind::Link;
            check(links == 2, what, "is listed as a link, to a file or to a folder");
            check(purge(folder, listed, L"a.prt.1", {L"a.prt.2"}) == kNotAName, what,
                  "is never purged");
            Identity link;
            folder.status(L"a.prt.2", link);
            check(folder.remove(L"a.prt.2", link) == 0 &&
                      namesIn(L"l") == std::set<std::wstring>{L"a.prt.1", L"b.prt.2", L"sub"},
                  what, "is deleted itself, never its target");
        }
    }

    // The folder swapped for another between listing and purge.
    {
        const char *what = "a folder swapped between listing and purge";
        for (const wchar_t *name : {L"w", L"elsewhere"}) {
            CreateDirectoryW(full(name).c_str(), nullptr);
            makeFile(name, L"a.prt.1");
            makeFile(name, L"a.prt.2");
        }
        Folder pinned;
        std::vector<Entry> listed;
        pinned.open(work + L"w");
        pinned.list(listed);
        MoveFileW(full(L"w").c_str(), full(L"w.moved").c_str());
        // A link in its place where the system makes one, else the other folder itself.
        const bool link = makeLink(full(L"w"), full(L"elsewhere"), true);
        if (!link)
            MoveFileW(full(L"elsewhere").c_str(), full(L"w").c_str());
        Folder reopened;
        check(reopened.open(work + L"w") == 0 && !sameFile(pinned.identity(), reopened.identity()),
              what, link ? "is another folder when opened again (a link)"
                         : "is another folder when opened again (a folder; no links here)");
        const unsigned long result = purge(pinned, listed, L"a.prt.2", {L"a.prt.1"});
        const std::set<std::wstring> both = {L"a.prt.1", L"a.prt.2"};
        check(namesIn(L"w") == both, what, "loses nothing of the folder in its place");
        // Windows goes on deleting in the folder held open; Wine refuses once it has moved.
        if (result != 0)
            std::printf("     the folder held open, moved: %ls\n", errorText(result).c_str());
        check(namesIn(L"w.moved") == (result ? both : std::set<std::wstring>{L"a.prt.2"}), what,
              "deletes at most its own old version, where it went");
    }

    std::printf("%d failure(s)\n", failures);
    return failures ? 1 : 0;
}
