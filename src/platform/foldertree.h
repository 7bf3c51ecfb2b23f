#pragma once

#include "fileidentity.h"

#include <QList>
#include <QSet>
#include <QString>

// The folders a purge of whole project trees goes through, each folder once, in the order of the
// folder list: a folder, then each folder below it by name. Below a top folder it never follows
// a symbolic link, never leaves the top folder's file system and leaves out hidden folders, as
// the folder list does; the top folder itself is taken as named, links and all.
class FolderTree
{
public:
    struct Folder
    {
        QString path;             // the top folder as named, then one name a level
        FolderIdentity identity;  // the folder the walk opened there
        QString error;            // why it could not be read; nothing below it is known then
    };

    // Adds `top` and, when `below` is true, every folder under it. A folder that was added
    // already (named twice, or reached again through a bind mount) is left out.
    void add(const QString &top, bool below);
    const QList<Folder> &folders() const { return m_folders; }

private:
    void visit(int fd, const QString &path, bool below, quint64 device);

    QList<Folder> m_folders;
    QSet<QPair<quint64, quint64>> m_seen;
};
