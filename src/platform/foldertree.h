#pragma once

#include "fileidentity.h"

#include <QByteArray>
#include <QSet>
#include <QString>

#include <functional>

// The folders a purge of whole project trees goes through, each folder once, in the order of the
// folder list: a folder, then each folder below it by name. Below a top folder it never follows
// a symbolic link, never leaves the top folder's file system (a bind mount is another one too)
// and leaves out hidden folders, as the folder list does; the top folder itself is opened as
// named, links and all, and never cleaned as text: "link/.." is the folder the system finds.
//
// The walk goes by descriptor, one level at a time, with a bounded number of folders open and a
// name, not a whole path, kept for each folder waiting its turn, so any depth and any path
// length can be walked.
class FolderTree
{
public:
    struct Folder
    {
        QString path;            // the top folder as named, then one name a level
        QByteArray rawPath;      // instead of `path`, for a name that is no text (not UTF-8)
        FolderIdentity identity; // the folder the walk opened there
        // Where the system has descriptors: the folder, open while the visitor runs. -1 else.
        int descriptor = -1;
        QString error; // why it could not be read or entered; nothing below it is known then
        bool note = false; // the error only notes a folder that went away during the walk
        // What the walk read of the folder, where it reads it (the visitor may take it over);
        // else the visitor reads it.
        struct FolderListing *listing = nullptr;
    };
    using Visitor = std::function<void(const Folder &)>;

    FolderTree();
    ~FolderTree();
    FolderTree(const FolderTree &) = delete;
    FolderTree &operator=(const FolderTree &) = delete;

    // Visits `top` and, when `below` is true, every folder under it, in order. A folder that was
    // visited already by this tree (named twice, say) is left out.
    void walk(const QString &top, bool below, const Visitor &visit);

    // Below a top folder, folders whose name this returns true for are left out, with all
    // below them.
    void setExcluded(std::function<bool(const QString &name)> excluded) { m_excluded = std::move(excluded); }

    // Where the system has descriptors: a copy of a folder's descriptor that stays open after
    // the visit (-1 when none can be had, or where there are none), and its closing.
    static int keepOpen(int descriptor);
    static void release(int descriptor);

    // At most this many folders of the walk are open at once (tests lower it).
    void setOpenLimit(int limit) { m_openLimit = limit; }

private:
    QSet<QPair<quint64, quint64>> m_seen;
    int m_openLimit = 32;
    std::function<bool(const QString &)> m_excluded;
};
