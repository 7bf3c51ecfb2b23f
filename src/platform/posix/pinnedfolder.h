#pragma once

#include "fileidentity.h"
#include "platformerror.h"

#include <QHash>
#include <QString>
#include <QVarLengthArray>

class FileOperations;

// A folder held open by descriptor for a run of deletions, so that they act on the folder that
// was listed even when its path is renamed or replaced meanwhile. Every deletion of this
// program goes through removeFile.
class PinnedFolder
{
public:
    // Opens the folder (links in its path are followed: it is the folder the user listed) and
    // checks that it is still the folder identified by `listed`. Throws PlatformError when it
    // cannot be opened or is another folder now.
    // A `descriptor` (not -1) is the folder its lister read, held open since: it is used
    // instead of the path, and needs no check.
    PinnedFolder(const QString &path, const FolderIdentity &listed, FileOperations &operations,
                 int descriptor = -1);
    ~PinnedFolder();

    PinnedFolder(const PinnedFolder &) = delete;
    PinnedFolder &operator=(const PinnedFolder &) = delete;

    // Throws PlatformError, naming the file and the reason, unless the entry `name` (one path
    // component) is still the file `listed`.
    void expectSame(const QString &name, const FileIdentity &listed);

    // Deletes the entry `name` permanently when a status call made just before shows it is
    // still the file `listed` (a link is removed itself, never its target). Permission bits are
    // never touched: on this system a file's own mode does not decide whether it can be
    // deleted. Throws PlatformError, leaving the entry as it is, when the name is not a single
    // component, the entry is gone or not the listed one, or the system refuses.
    void removeFile(const QString &name, const FileIdentity &listed);

    // Moves the entry `name` to the desktop's trash, restorable from the file manager, when a
    // status call made just before shows it is still the file `listed`. Throws PlatformError
    // (path = the file, reason = why), with the file left where it is, when it is not the listed
    // file or no trash can take it (another file system without a trash folder, a network share).
    // Never falls back to deleting permanently.
    void trashFile(const QString &name, const FileIdentity &listed);

    // Renames the entry `from`, checked just before to be the file `listed`, to `to` in the same
    // folder; never replaces a file: when `to` exists it throws PlatformError with the reason
    // exactly "cannot take the name <to>: a file of that name exists" and leaves both as they are.
    void renameFile(const QString &from, const FileIdentity &listed, const QString &to);

    // A name's bytes as the system reads it, NUL-terminated. Names of up to 255 bytes, which
    // are nearly all, need no allocation.
    using NameBytes = QVarLengthArray<char, 256>;

private:
    void checkedEntry(const QString &name, const FileIdentity &listed, NameBytes &encoded,
                      FileIdentity *now = nullptr);
    void checkedBytes(const QString &name, const FileIdentity &listed, const char *bytes,
                      FileIdentity *now = nullptr);
    QString pathOf(const QString &name) const;
    void openTrash();
    enum class Moved { Checked, PutBack, Stranded };
    Moved checkMoved(const QByteArray &from, const FileIdentity &now, int toFd,
                     const QByteArray &to);
    PlatformError replacedError(const QString &name, Moved moved, const QString &where) const;
    void noteRestamp(const FileIdentity &listed, qint64 stampNow);

    QString m_path;
    FileOperations &m_operations;
    bool m_inodesKept = true;
    int m_fd = -1;
    // Files of which this run deleted a name while they kept others: the change time they were
    // listed with, and the one the deletion gave them.
    struct Restamp
    {
        qint64 listed;
        qint64 now;
    };
    QHash<QPair<quint64, quint64>, Restamp> m_restamped;
    // The name expectSame was last given, a model's kept version asked for before each of its
    // old versions, and its bytes: held, the same text is not encoded again.
    QString m_expectedName;
    NameBytes m_expectedBytes;

    // The trash files of this folder go to, found and opened at the first of them: its `files`
    // and `info` folders, or why there is none. The folder's own path as a trash record writes it.
    struct Trash
    {
        bool looked = false;
        int files = -1;
        int info = -1;
        quint64 device = 0;
        QString path;
        QString refusal;
        QByteArray folderPath; // percent-encoded, ending with "/"
    };
    Trash m_trash;
};
