#pragma once

#include "fileidentity.h"
#include "handlefolder.h"

#include <QString>

class FileOperations;

// A folder held open by a handle for a run of deletions, so that they act on the folder that
// was listed even when its path is renamed or replaced meanwhile (by a junction too). Every
// deletion of this program goes through removeFile.
class PinnedFolder
{
public:
    // Opens the folder (links and junctions in its path are followed: it is the folder the user
    // listed) and checks that it is still the folder identified by `listed`. Throws
    // PlatformError when it cannot be opened or is another folder now.
    // A `descriptor` (not -1) is the folder already open, which is used instead of the path.
    PinnedFolder(const QString &path, const FolderIdentity &listed, FileOperations &operations,
                 int descriptor = -1);

    PinnedFolder(const PinnedFolder &) = delete;
    PinnedFolder &operator=(const PinnedFolder &) = delete;

    // Throws PlatformError, naming the file and the reason, unless the entry `name` (one path
    // component) is still the file `listed`.
    void expectSame(const QString &name, const FileIdentity &listed);

    // Deletes the entry `name` permanently when the handle that deletes it shows it is still the
    // file `listed` (a link is removed itself, never its target). Its read-only, hidden and
    // system attributes are cleared just before and put back when the deletion fails. Throws
    // PlatformError, leaving the entry as it is, when the name is not a single component, the
    // entry is gone or not the listed one, or the system refuses.
    void removeFile(const QString &name, const FileIdentity &listed);

    // Moves the entry `name` to the Recycle Bin, restorable from Explorer, when the handle that
    // checks it just before shows it is still the file `listed`. Throws PlatformError (path =
    // the file, reason = why), with the file left where it is, when it is not the listed file or
    // no Recycle Bin can take it (a drive that is not a fixed disk, a network share). Never falls
    // back to deleting permanently.
    void trashFile(const QString &name, const FileIdentity &listed);

    // Renames the entry `from`, checked by the handle that renames it to be the file `listed`, to
    // `to` in the same folder; never replaces a file: when `to` exists it throws PlatformError
    // with the reason exactly "cannot take the name <to>: a file of that name exists" and leaves
    // both as they are.
    void renameFile(const QString &from, const FileIdentity &listed, const QString &to);

private:
    winfs::Identity checkedEntry(const QString &name, const FileIdentity &listed);
    QString pathOf(const QString &name) const;

    QString m_path;
    FileOperations &m_operations;
    winfs::Folder m_folder;
};
