#include "foldertree.h"

#include "filestatus.h"
#include "folderreader.h"
#include "platformerror.h"
#include "rawnames.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A folder of the walk whose folders are still to be visited. Its descriptor is closed while it
// waits deep down the stack, and opened again when the walk comes back to it.
struct Frame
{
    int fd = -1;
    DIR *dir = nullptr; // fd read as a folder, where it was listed through it
    FolderIdentity identity;
    quint64 mount = 0;
    qsizetype nameStart = 0; // where its name starts in the path of the folder being visited
    qsizetype pathLength = 0;
    QStringList children; // by name, as the folder list shows them
    qsizetype next = 0;
};

void closeFrame(Frame &frame)
{
    if (frame.dir)
        ::closedir(frame.dir);
    else if (frame.fd >= 0)
        ::close(frame.fd);
    frame.dir = nullptr;
    frame.fd = -1;
}

bool sameFolder(const Frame &frame, const FolderIdentity &now, quint64 mount)
{
    return now.device == frame.identity.device && mount == frame.mount &&
           (!frame.identity.inodesKept || now.inode == frame.identity.inode);
}

class Walk
{
public:
    Walk(QSet<QPair<quint64, quint64>> &seen, int openLimit, const FolderTree::Visitor &visit,
         const std::function<bool(const QString &)> &excluded)
        : m_seen(seen), m_openLimit(std::max(openLimit, 2)), m_visit(visit), m_excluded(excluded)
    {
    }
    ~Walk()
    {
        for (Frame &frame : m_stack)
            closeFrame(frame);
    }

    void run(const QString &top, bool below)
    {
        // As typed, but for trailing slashes, which name the same folder.
        m_path = top;
        while (m_path.size() > 1 && m_path.endsWith(QLatin1Char('/')))
            m_path.chop(1);
        const int fd = ::open(bytesOfText(m_path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return fail(errno);
        Frame frame;
        frame.fd = fd;
        if (const int err = folderStatus(fd, frame.identity, &frame.mount)) {
            ::close(fd);
            return fail(err);
        }
        enter(frame, below);
        while (!m_stack.empty()) {
            Frame &parent = m_stack.back();
            if (parent.next == parent.children.size()) {
                leave();
                continue;
            }
            const QString name = parent.children[parent.next++];
            m_path.truncate(parent.pathLength);
            if (!m_path.endsWith(QLatin1Char('/')))
                m_path += QLatin1Char('/');
            const qsizetype nameStart = m_path.size();
            m_path += name;
            // O_NOFOLLOW: a folder turned into a link since it was listed is not entered.
            const int child = ::openat(parent.fd, QFile::encodeName(name).constData(),
                                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child < 0) {
                const int err = errno;
                if (err == ENOENT || err == ENOTDIR || err == ELOOP)
                    note(err == ENOENT ? QStringLiteral("was removed while the tree was walked")
                                       : QStringLiteral("is no longer a folder"));
                else
                    fail(err);
                continue;
            }
            Frame next;
            next.fd = child;
            next.nameStart = nameStart;
            // On the parent's mount, or left alone: the parent's file system answers for it.
            if (const int err = folderStatus(child, next.identity, &next.mount,
                                             &parent.identity.inodesKept)) {
                ::close(child);
                fail(err);
                continue;
            }
            if (next.mount != parent.mount || next.identity.device != parent.identity.device) {
                ::close(child); // another file system mounted here
                continue;
            }
            enter(next, true);
        }
    }

private:
    // Visits a folder that was just opened and, unless it was visited before, puts it on the
    // stack with the folders below it.
    void enter(Frame frame, bool below)
    {
        if (m_seen.contains({frame.identity.device, frame.identity.inode})) {
            closeFrame(frame);
            return;
        }
        m_seen.insert({frame.identity.device, frame.identity.inode});
        frame.pathLength = m_path.size();
        FolderTree::Folder folder;
        folder.path = m_path;
        folder.identity = frame.identity;
        folder.descriptor = frame.fd;
        // One reading of the folder serves the purge and the walk.
        FolderListing listing;
        frame.dir = ::fdopendir(frame.fd);
        try {
            if (!frame.dir)
                throw PlatformError::fromErrno(m_path, errno);
            listing = listOpenFolder(frame.dir, m_path, frame.identity);
            folder.listing = &listing;
        } catch (const PlatformError &error) {
            folder.error = error.reason();
        }
        if (below) {
            frame.children = std::move(listing.realFolders);
            if (m_excluded)
                frame.children.removeIf(m_excluded);
        }
        QList<QByteArray> undecodable = below ? std::move(listing.undecodableFolders)
                                              : QList<QByteArray>();
        std::sort(undecodable.begin(), undecodable.end());
        m_visit(folder);
        if (!undecodable.isEmpty()) {
            const QByteArray prefix = bytesOfText(m_path.endsWith(QLatin1Char('/'))
                                                      ? m_path
                                                      : m_path + QLatin1Char('/'));
            for (const QByteArray &name : undecodable) {
                FolderTree::Folder skipped;
                skipped.rawPath = prefix + name;
                skipped.error = QStringLiteral("the name is not valid UTF-8, so the folder is not purged");
                m_visit(skipped);
            }
        }
        if (!folder.error.isEmpty() || frame.children.isEmpty()) {
            closeFrame(frame);
            // Nothing below it: the stack stays as it is, and its deepest folder open.
            return;
        }
        m_stack.push_back(std::move(frame));
        // The top folder stays open, so that any folder can be reached again from it.
        while (openCount() > m_openLimit) {
            closeFrame(m_stack[size_t(m_firstOpen)]);
            ++m_firstOpen;
        }
    }

    int openCount() const { return 1 + int(m_stack.size()) - m_firstOpen; }

    // Done with the deepest folder: closes it, and opens its parent again where it was closed.
    void leave()
    {
        Frame done = std::move(m_stack.back());
        m_stack.pop_back();
        if (!m_stack.empty() && m_stack.back().fd < 0) {
            Frame &parent = m_stack.back();
            // Through "..", which is the parent unless the folder was moved meanwhile.
            const int fd = ::openat(done.fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            FolderIdentity now;
            quint64 mount = 0;
            if (fd >= 0 && folderStatus(fd, now, &mount, &parent.identity.inodesKept) == 0 &&
                sameFolder(parent, now, mount)) {
                parent.fd = fd;
            } else {
                if (fd >= 0)
                    ::close(fd);
                parent.fd = reopen(m_stack.size() - 1);
            }
            m_firstOpen = int(m_stack.size()) - 1;
            if (parent.fd < 0) {
                // Lost: what is left below it cannot be reached as the folder that was listed.
                m_path.truncate(parent.pathLength);
                m_stack.back().next = m_stack.back().children.size();
                fail(QStringLiteral("was moved while the tree was walked; the folders left below "
                                    "it are not purged"));
            }
        }
        closeFrame(done);
    }

    // Opens folder `index` of the stack again from the deepest open folder above it, name by
    // name, each checked to be the folder that was listed there. -1 when one is not.
    int reopen(size_t index)
    {
        size_t from = index;
        while (from > 0 && m_stack[from].fd < 0)
            --from;
        int fd = m_stack[from].fd;
        for (size_t level = from + 1; level <= index && fd >= 0; ++level) {
            const Frame &frame = m_stack[level];
            const qsizetype end = m_stack[level].pathLength;
            const QString name = m_path.mid(frame.nameStart, end - frame.nameStart);
            const int next = ::openat(fd, QFile::encodeName(name).constData(),
                                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd != m_stack[from].fd)
                ::close(fd);
            fd = next;
            FolderIdentity now;
            quint64 mount = 0;
            if (fd >= 0 && (folderStatus(fd, now, &mount, &frame.identity.inodesKept) != 0 ||
                            !sameFolder(frame, now, mount))) {
                ::close(fd);
                fd = -1;
            }
        }
        return fd;
    }

    void fail(int err) { fail(QString::fromLocal8Bit(std::strerror(err))); }
    void fail(const QString &reason, bool isNote = false)
    {
        FolderTree::Folder folder;
        folder.path = m_path;
        folder.error = reason;
        folder.note = isNote;
        m_visit(folder);
    }
    void note(const QString &reason) { fail(reason, true); }

    QSet<QPair<quint64, quint64>> &m_seen;
    const int m_openLimit;
    const FolderTree::Visitor &m_visit;
    const std::function<bool(const QString &)> &m_excluded;
    std::vector<Frame> m_stack;
    // The top folder is open, and so is every frame from this one on.
    int m_firstOpen = 1;
    // The path of the folder being visited; each frame's path is a start of it.
    QString m_path;
};

} // namespace

FolderTree::FolderTree() = default;
FolderTree::~FolderTree() = default;

int FolderTree::keepOpen(int descriptor)
{
    return descriptor < 0 ? -1 : ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
}

void FolderTree::release(int descriptor)
{
    if (descriptor >= 0)
        ::close(descriptor);
}

void FolderTree::walk(const QString &top, bool below, const Visitor &visit)
{
    Walk(m_seen, m_openLimit, visit, m_excluded).run(top, below);
}
