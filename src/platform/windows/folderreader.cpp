#include "folderreader.h"

#include "filenameorder.h"
#include "windowsfiles.h"

#include <windows.h>

void releaseFreedMemory()
{
    // The Windows heap gives back what is freed by itself.
}

void setUpHeapsForReading()
{
    // One process heap, whose lock is made for many threads.
}

FolderListing readFolder(const QString &path)
{
    winfs::Folder folder;
    if (const unsigned long error = folder.open(nativePath(path)))
        throw systemError(path, error);
    std::vector<winfs::Entry> entries;
    if (const unsigned long error = folder.list(entries))
        throw systemError(path, error);

    FolderListing listing;
    listing.identity = {folder.identity().volume, folder.identity().fileId, true};
    for (const winfs::Entry &entry : entries) {
        const winfs::Identity &identity = entry.identity;
        const bool isFolder = identity.kind == winfs::Kind::Folder || identity.linksToFolder;
        // As the file list shows a folder: hidden and system files left out.
        if (!isFolder && (identity.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
            continue;
        // UTF-16 both sides: every name Windows stores reads back as itself.
        const QString name = QString::fromStdWString(entry.name);
        if (isFolder) {
            listing.folders.append(name);
        } else {
            listing.files.append(name);
            listing.fileIdentities.append(toFileIdentity(identity));
        }
    }
    sortFileNames(listing.files, &listing.fileIdentities);
    sortFileNames(listing.folders);
    return listing;
}
