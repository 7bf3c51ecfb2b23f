#include "foldertree.h"

#include "filenameorder.h"
#include "windowsfiles.h"

#include <functional>
#include <optional>
#include <vector>

#include <windows.h>

// Each folder is held open while its folders are listed, and known by volume serial number and
// file ID. A link or junction to a folder lists as a link, never as a folder, so the walk does
// not enter one; a folder opened below must be the one listed there, not something a junction
// swapped in since leads to, and on the top folder's volume.
void FolderTree::add(const QString &top, bool below)
{
    std::uint32_t volume = 0;
    // `listed` is the file ID the folder had in its parent's listing; none for the top folder.
    const std::function<void(const QString &, std::optional<std::uint64_t>)> walk =
        [&](const QString &path, std::optional<std::uint64_t> listed) {
            // Walked with "/", reported as Windows writes paths.
            const QString shown = QDir::toNativeSeparators(path);
            winfs::Folder folder;
            if (const unsigned long error = folder.open(nativePath(path))) {
                m_folders.append({shown, {}, systemError(path, error).message()});
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
            Folder found{shown, {identity.volume, identity.fileId, true}, {}};
            std::vector<winfs::Entry> entries;
            if (below) {
                if (const unsigned long error = folder.list(entries))
                    found.error = systemError(path, error).message();
            }
            m_folders.append(found);
            // As the folder list shows them: by name, hidden ones left out.
            QStringList names;
            QList<FileIdentity> identities;
            for (const winfs::Entry &entry : entries) {
                if (entry.identity.kind == winfs::Kind::Folder &&
                    !(entry.identity.attributes & FILE_ATTRIBUTE_HIDDEN)) {
                    names.append(QString::fromStdWString(entry.name));
                    identities.append(toFileIdentity(entry.identity));
                }
            }
            sortFileNames(names, &identities);
            const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
            for (qsizetype i = 0; i < names.size(); ++i)
                walk(prefix + names[i], identities[i].inode);
        };
    walk(QDir::cleanPath(top), std::nullopt);
}
