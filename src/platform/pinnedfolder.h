#pragma once

#include "fileidentity.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// A folder held open by descriptor, so that deleting in it acts on the folder that was listed
// even when its path has been renamed or replaced since. Every deletion of this program goes
// through removeFile.
class PinnedFolder
{
public:
    // Opens the folder without following a link at its last component and checks that it is
    // still the folder identified by `listed`. Throws PlatformError when it cannot be opened or
    // is another folder now.
    PinnedFolder(const QString &path, const FileIdentity &listed);
    ~PinnedFolder();

    PinnedFolder(const PinnedFolder &) = delete;
    PinnedFolder &operator=(const PinnedFolder &) = delete;

    // The folder path as given, without trailing slashes ("/" stays "/").
    QString path() const { return m_path; }

    // Deletes the entry `name` (one path component) permanently. A link is removed itself,
    // never its target; a read-only file gets its owner write bit first. `listedInode` is the
    // inode the entry had when the folder was listed (0: not checked). Throws PlatformError,
    // leaving the entry as it was, when the name is not a single component, the entry is
    // gone, is not the listed one any more, is neither a file nor a link, or the system
    // refuses.
    void removeFile(const QString &name, quint64 listedInode = 0);

    // Deletes many entries in one pass, for a purge of a whole folder. Instead of examining
    // each entry with its own system call (which costs a quarter more than the deletion
    // itself), the folder is listed once and each entry is deleted only when that listing
    // shows it as the listed file (same inode) and as a regular file or a link, never
    // following one. The owner write bit is left alone: on this system it never stands in
    // the way of a deletion. `deleted` runs after each deletion; the first entry that cannot
    // be deleted throws PlatformError, and the entries after it are not touched.
    void removeFiles(const QStringList &names, const QList<quint64> &listedInodes,
                     const std::function<void()> &deleted);

    // True when fullPath is this folder's path + "/" + one component; gives the component.
    bool containsDirectly(const QString &fullPath, QString &name) const;

    // The same split for any folder path, with or without trailing slashes.
    static bool splitDirectChild(const QString &folder, const QString &fullPath, QString &name);

private:
    QString m_path;
    int m_fd = -1;
};
