#pragma once

// What deleting safely takes on Windows, in plain C++ and Win32 (no Qt, so that it builds and is
// tested with any Windows compiler): a folder held open by a handle, its entries opened relative
// to that handle as themselves (a link or junction is never followed), and deletion through a
// handle that has just shown it is the file that was listed.

#include <cstdint>
#include <string>
#include <vector>

namespace winfs {

enum class Kind : std::uint8_t { None, File, Link, Folder, Other };

// A file as an open handle shows it.
struct Identity
{
    std::uint32_t volume = 0; // serial number of the volume
    std::uint64_t fileId = 0;
    std::int64_t created = 0; // 100 ns since 1601, like every time here
    std::int64_t modified = 0;
    std::int64_t size = -1;
    std::uint32_t attributes = 0;
    // A link (symbolic link, junction, any name surrogate) is Link whatever it points to; other
    // reparse points (cloud placeholders, deduplicated files) are the files they stand for.
    Kind kind = Kind::None;
    bool linksToFolder = false; // a Link that is a directory entry
};

// True when `now` is the file that was listed as `listed`: the same volume, file ID, creation
// time and kind. A file replaced or re-created under the same name has another ID or birth.
bool sameFile(const Identity &listed, const Identity &now);

// Results besides the system's error codes (bit 29 marks codes of an application's own).
constexpr unsigned long kNotAName = 0x20000001;         // not one component of a path
constexpr unsigned long kNotTheListedFile = 0x20000002; // replaced since it was listed
constexpr unsigned long kNotDeleted = 0x20000003;       // still there after its deletion
constexpr unsigned long kNoRecycleBin = 0x20000004;     // the shell would delete it for good

struct Entry
{
    std::wstring name;
    Identity identity;
};

// A folder held open by a handle. Every call returns 0 or an error code.
class Folder
{
public:
    Folder() = default;
    virtual ~Folder();
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;

    // Opens the folder at a Win32 path (links and junctions in it are followed: it is the
    // folder the user chose) and reads its identity.
    unsigned long open(const std::wstring &path);
    const Identity &identity() const { return m_identity; }

    // The folder's entries but "." and "..", each as a handle opened on it shows it. An entry
    // that cannot be opened (gone meanwhile, or refused) is left out.
    unsigned long list(std::vector<Entry> &out) const;

    // The entry `name` as itself.
    unsigned long status(const std::wstring &name, Identity &out) const;

    // Deletes the entry `name` (a link as itself) when the handle that deletes it shows it is
    // still `listed`. Read-only, hidden and system attributes are cleared through that handle
    // first and put back when the deletion fails. Folders are never deleted.
    unsigned long remove(const std::wstring &name, const Identity &listed) const;

    // Renames the entry `name` to `to` in this folder when the handle that renames it shows it
    // is still `listed`; never replaces a file (ERROR_ALREADY_EXISTS). Folders are never renamed.
    unsigned long rename(const std::wstring &name, const Identity &listed,
                         const std::wstring &to) const;

    // Where the folder is now (it may have been renamed since it was opened), as a Win32 path
    // without the "\\?\" prefix.
    unsigned long currentPath(std::wstring &out) const;

protected:
    // Marks an open file for deletion: with POSIX semantics (the name goes at once) where the
    // system has them, else the classic way. Tests make it fail.
    virtual unsigned long dispose(void *file) const;

private:
    unsigned long openEntry(const std::wstring &name, unsigned long access, void *&file) const;

    void *m_handle = nullptr;
    Identity m_identity;
};

// True for a name the folder can be asked for: one component, no stream (":"), no wildcard.
bool isSingleComponent(const std::wstring &name);

// The system's text for an error code.
std::wstring errorText(unsigned long code);

} // namespace winfs
