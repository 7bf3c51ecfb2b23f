#pragma once

// What the test helpers do differently on each kind of system.

#include "fileoperations.h"

#include <QHash>
#include <QString>
#include <functional>

// The system's file operations, with a chance to act as another program would just before
// each status call that precedes a deletion, and before a rename.
class RacingOperations : public FileOperations
{
public:
    int status(int folderFd, const char *name, FileIdentity &out) override;
    int remove(int folderFd, const char *name) override;
    int rename(int fromFolderFd, const char *from, int toFolderFd, const char *to) override;
    std::function<void(const QString &name)> beforeStatus;
    std::function<void(const QString &name)> afterStatus;
    // Status as a file system without birth times shows it: the change time tells files apart.
    bool changeStamps = false;
    // Called once, just before the next rename (of the entry `name`).
    std::function<void(const QString &name)> beforeRename;
    // An errno the next removal or rename is refused with, as the system would refuse it; 0 for
    // none.
    int removeRefusal = 0;
    int renameRefusal = 0;
    // Entries whose status shows this inode number instead of their own, as a file system that
    // hands a freed number to the next new file would.
    QHash<QString, quint64> reportedInode;
};
