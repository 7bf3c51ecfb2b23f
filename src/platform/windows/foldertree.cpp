#include "foldertree.h"

#include "filenameorder.h"
#include "windowsfiles.h"

#include <functional>
#include <optional>
#include <vector>

#include <windows.h>

FolderTree::FolderTree() = default;
FolderTree::~FolderTree() = default;

// Each folder is held open while its folders are listed, and known by volume serial number and
// file ID. A link or junction to a folder lists as a link, never as a folder, so the walk does
// not enter one; a folder opened below must be the one listed there, not something a junction
// swapped in since leads to, and on the top folder's volume.
// Folders are held by handles of their own here, never by descriptors.
int FolderTree::keepOpen(int)
{
    return -1;
}

void FolderTree::release(int) {}

void FolderTree::walk(const QString &top, bool below, const Visitor &visit)
{
    std::uint32_t volume = 0;
    const auto fail = [&](const QString &path, const QString &reason, bool note = false) {
        Folder folder;
        folder.path = path;
        folder.error = reason;
        folder.note = note;
        visit(folder);
    };
    // `listed` is the file ID the folder had in its parent's listing; none for the top folder.
    const std::function<void(const QString &, std::optional<std::uint64_t>)> enter =
        [&](const QString &path, std::optional<std::uint64_t> listed) {
            // Walked with "/", reported as Windows writes paths.
            const QString shown = QDir::toNativeSeparators(path);
            winfs::Folder folder;
            if (const unsigned long error = folder.open(nativePath(path))) {
                if (listed && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND))
                    fail(shown, QStringLiteral("was removed while the tree was walked"), true);
                else
                    fail(shown, systemError(path, error).reason());
                return;
            }
            const winfs::Identity &identity = folder.identity();
            if (!listed)
                volume = identity.volume;
            else if (identity.volume != volume || identity.fileId != *listed)
                return; // another volume mounted there, or no longer the folder listed
            if (m_seen.contains({identity.volume, identity.fileId}))
                return;
            m_seen.insert({identity.volume, identity.fileId});
            Folder found;
            found.path = shown;
            found.identity = {identity.volume, identity.fileId, true};
            std::vector<winfs::Entry> entries;
            if (below) {
                if (const unsigned long error = folder.list(entries))
                    found.error = systemError(path, error).reason();
            }
            visit(found);
            // As the folder list shows them: by name, hidden ones left out.
            QStringList names;
            QList<FileIdentity> identities;
            for (const winfs::Entry &entry : entries) {
                const QString name = QString::fromStdWString(entry.name);
                if (entry.identity.kind == winfs::Kind::Folder &&
                    !(entry.identity.attributes & FILE_ATTRIBUTE_HIDDEN) &&
                    !(m_excluded && m_excluded(name))) {
                    names.append(name);
                    identities.append(toFileIdentity(entry.identity));
                }
            }
            sortFileNames(names, &identities);
            const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
            for (qsizetype i = 0; i < names.size(); ++i)
                enter(prefix + names[i], identities[i].inode);
        };
    // As typed, but for trailing separators, which name the same folder (a drive's root keeps its own):
    // the system resolves "link/.." as it finds it, which cleaning the text would not.
    QString typed = top;
    while (typed.size() > 1 && (typed.endsWith(QLatin1Char('/')) || typed.endsWith(QLatin1Char('\\'))) &&
           !(typed.size() == 3 && typed[1] == QLatin1Char(':')))
        typed.chop(1);
    enter(typed, std::nullopt);
}
