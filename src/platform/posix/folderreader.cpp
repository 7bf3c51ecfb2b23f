#include "filenameorder.h"
#include "filestatus.h"
#include "folderreader.h"

#include "platformerror.h"

#include <QFile>
#include <QStringDecoder>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <numeric>
#include <string>
#include <system_error>
#include <thread>
#include <vector>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};

qint64 nanoseconds(const struct statx_timestamp &t)
{
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

FileIdentity::Kind kindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return FileIdentity::Kind::File;
    if (S_ISLNK(mode))
        return FileIdentity::Kind::Link;
    if (S_ISDIR(mode))
        return FileIdentity::Kind::Folder;
    return FileIdentity::Kind::Other;
}

// File systems that may number a file anew when their inode cache forgets it.
bool keepsInodeNumbers(long type)
{
    constexpr long kFuse = 0x65735546, kExfat = 0x2011BAB0, kCifs = long(0xFF534D42),
                   kSmb2 = long(0xFE534D42), kSmb = 0x517B;
    switch (type) {
    case MSDOS_SUPER_MAGIC:
    case kFuse:
    case kExfat:
    case kCifs:
    case kSmb2:
    case kSmb:
        return false;
    default:
        return true;
    }
}

} // namespace

int statusAt(int folderFd, const char *name, FileIdentity &out)
{
    struct statx info;
    const unsigned wanted =
        STATX_TYPE | STATX_INO | STATX_NLINK | STATX_SIZE | STATX_MTIME | STATX_CTIME | STATX_BTIME;
    if (::statx(folderFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, wanted, &info) != 0)
        return errno;
    out.device = (quint64(info.stx_dev_major) << 32) | info.stx_dev_minor;
    out.inode = info.stx_ino;
    out.stampIsChange = !(info.stx_mask & STATX_BTIME);
    out.stamp = out.stampIsChange ? nanoseconds(info.stx_ctime) : nanoseconds(info.stx_btime);
    out.links = info.stx_nlink;
    out.modified = nanoseconds(info.stx_mtime);
    out.size = qint64(info.stx_size);
    out.kind = kindOf(info.stx_mode);
    return 0;
}

int folderStatus(int folderFd, FolderIdentity &out, quint64 *mount, const bool *inodesKept)
{
    struct statx info;
    if (::statx(folderFd, "", AT_EMPTY_PATH, STATX_INO | STATX_MNT_ID, &info) != 0)
        return errno;
    struct statfs fs;
    if (!inodesKept && ::fstatfs(folderFd, &fs) != 0)
        return errno;
    out = {(quint64(info.stx_dev_major) << 32) | info.stx_dev_minor, info.stx_ino,
           inodesKept ? *inodesKept : keepsInodeNumbers(long(fs.f_type))};
    if (mount) {
        // The kernel gives the mount ID from Linux 5.8 on.
        *mount = (info.stx_mask & STATX_MNT_ID) ? info.stx_mnt_id : out.device;
    }
    return 0;
}

bool decodeFileName(const char *name, qsizetype length, QString &out)
{
    bool ascii = true;
    for (qsizetype i = 0; i < length; ++i) {
        if (static_cast<unsigned char>(name[i]) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        out = QString::fromLatin1(name, length);
        return true;
    }
    // The decoder drops a leading byte-order mark and replaces what it cannot read; only a
    // text that encodes back to the same bytes is the name.
    const QByteArrayView bytes(name, length);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    out = decoder.decode(bytes);
    return !decoder.hasError() && out.toUtf8() == bytes;
}

void releaseFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

FolderListing readFolder(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw PlatformError::fromErrno(path, errno);
    std::unique_ptr<DIR, DirCloser> dir(fdopendir(fd));
    if (!dir) {
        const int err = errno;
        ::close(fd);
        throw PlatformError::fromErrno(path, err);
    }
    FolderIdentity identity;
    if (const int err = folderStatus(fd, identity))
        throw PlatformError::fromErrno(path, err);
    return listOpenFolder(dir.get(), path, identity);
}

namespace {

// An entry of a folder as readdir gave it, and what was learnt of it.
struct Pending
{
    quint32 offset = 0; // of its NUL-ended name in its batch's names
    unsigned char type = DT_UNKNOWN; // as the listing gives it
    FileIdentity::Kind shown = FileIdentity::Kind::None; // None: gone meanwhile, or a folder by its listing
    const QString *sortKey = nullptr; // the name case-folded
    bool plain = false; // ASCII without capitals: sorted by its bytes
    quint64 prefix = 0; // of a plain name: its first eight bytes, read as a number in their order
    QString name; // null when no text reads back as the name's bytes
    FileIdentity identity;
};

// Names read from the folder, handed on as one piece of work: decoded, asked for their status
// and sorted while the folder is still being read.
struct Batch
{
    std::string names;
    std::vector<Pending> entries;
    std::vector<quint32> order; // of the entries, by name
    std::vector<QString> folded; // the sort keys that are not the name itself; never moved
    QList<QByteArray> undecodableFolders;
};

bool comesFirst(const Pending &a, const Pending &b)
{
    // Two plain names with different first bytes are ordered by those alone.
    if (a.plain && b.plain && a.prefix != b.prefix)
        return a.prefix < b.prefix;
    return comesBefore(*a.sortKey, a.name, *b.sortKey, b.name);
}

// Whether a name is plain (see isPlainName), read from its bytes; with its first eight bytes as
// a number that orders as they do, the ones after its end counted as zero, as strcmp counts
// its end.
bool plainPrefix(const char *name, quint64 &prefix)
{
    quint64 bytes = 0;
    int i = 0;
    for (; name[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c >= 0x80 || (c >= 'A' && c <= 'Z'))
            return false;
        if (i < 8)
            bytes = bytes << 8 | c;
    }
    const int used = std::min(i, 8);
    prefix = used == 0 ? 0 : bytes << (8 * (8 - used));
    return true;
}

// Everything known of a batch's entries that does not depend on the others.
void learn(int fd, Batch &batch)
{
    for (Pending &entry : batch.entries) {
        const char *name = batch.names.data() + entry.offset;
        const qsizetype length = qsizetype(std::strlen(name));
        if (!decodeFileName(name, length, entry.name)) {
            entry.name = QString();
            // Not listed, but a walk of the tree reports such a folder.
            struct stat status;
            if (entry.type == DT_DIR ||
                (entry.type == DT_UNKNOWN && ::fstatat(fd, name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                 S_ISDIR(status.st_mode)))
                batch.undecodableFolders.append(QByteArray(name, length));
            continue;
        }
        if (entry.type == DT_DIR)
            continue; // a folder by its listing needs no status
        // The listing's own numbers are not the file's on every file system: ask for its status.
        if (statusAt(fd, name, entry.identity) != 0)
            continue; // gone meanwhile
        entry.shown = entry.identity.kind;
        if (entry.shown == FileIdentity::Kind::Link) {
            // Shown as what it points to; a dangling link is neither file nor folder.
            struct stat target;
            entry.shown = fstatat(fd, name, &target, 0) != 0 ? FileIdentity::Kind::Other
                          : S_ISREG(target.st_mode)         ? FileIdentity::Kind::File
                          : S_ISDIR(target.st_mode)         ? FileIdentity::Kind::Folder
                                                            : FileIdentity::Kind::Other;
        }
    }
    batch.order.reserve(batch.entries.size());
    for (quint32 i = 0; i < batch.entries.size(); ++i) {
        Pending &entry = batch.entries[i];
        if (entry.name.isNull())
            continue;
        entry.sortKey = &entry.name;
        entry.plain = plainPrefix(batch.names.data() + entry.offset, entry.prefix);
        if (!entry.plain) {
            QString folded = entry.name.toCaseFolded(); // shares the text when nothing changes
            if (folded.constData() != entry.name.constData()) {
                if (batch.folded.empty()) // room for all that may follow: the keys stay where they are
                    batch.folded.reserve(batch.entries.size() - i);
                entry.sortKey = &batch.folded.emplace_back(std::move(folded));
            }
        }
        batch.order.push_back(i);
    }
    // Two plain names compare as their bytes do, without a call into Qt: most by their first
    // eight bytes alone (as comesFirst does, here without a call).
    const char *const names = batch.names.data();
    std::sort(batch.order.begin(), batch.order.end(), [&](quint32 a, quint32 b) {
        const Pending &first = batch.entries[a];
        const Pending &second = batch.entries[b];
        if (first.plain && second.plain) {
            if (first.prefix != second.prefix)
                return first.prefix < second.prefix;
            return std::strcmp(names + first.offset, names + second.offset) < 0;
        }
        return comesFirst(first, second);
    });
    batch.names = std::string(); // every name is text now, or kept above
}

// How many threads share the work of reading a large folder: the cores the program may use,
// as for the command line's jobs. Asked once: the system is asked each time.
size_t readingThreads()
{
    static const size_t threads = size_t(std::clamp(QThread::idealThreadCount(), 1, 8));
    return threads;
}

// Status calls wait on the file system each on its own thread: the batches of a large folder
// are learnt on worker threads while the folder is still read, and by the reading thread once
// it is done reading.
class Learners
{
public:
    explicit Learners(int fd) : m_fd(fd) {}
    ~Learners()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_ready.notify_all();
        for (std::thread &worker : m_workers)
            worker.join();
    }

    // A full batch, while the folder is still read: a worker starts on it.
    void submit(Batch *batch)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_queue.push_back(batch);
        }
        if (m_workers.size() + 1 < readingThreads()) {
            try {
                m_workers.emplace_back([this] { work(); });
            } catch (const std::system_error &) {
                // No thread to be had: the reading thread learns the batches itself.
            }
        }
        m_ready.notify_one();
    }

    // After each full batch: when the workers are behind, the reading thread learns the batch it
    // has just read itself, while the entries are still in its cache; they take the older ones.
    Batch *claimIfBehind()
    {
        const std::lock_guard lock(m_mutex);
        if (m_queue.size() - m_taken < 2)
            return nullptr;
        Batch *batch = m_queue.back();
        m_queue.pop_back();
        return batch;
    }

    // The folder read to its end, `last` its last batch (if any): the reading thread takes its
    // share, and returns once every batch is learnt. A folder of one batch starts no thread.
    void finish(Batch *last)
    {
        {
            const std::lock_guard lock(m_mutex);
            if (last)
                m_queue.push_back(last);
            m_finished = true;
        }
        m_ready.notify_all();
        work();
        for (std::thread &worker : m_workers)
            worker.join();
        m_workers.clear();
    }

private:
    void work()
    {
        for (;;) {
            Batch *batch;
            {
                std::unique_lock lock(m_mutex);
                m_ready.wait(lock, [this] { return m_stopping || m_finished || m_taken < m_queue.size(); });
                if (m_stopping || m_taken == m_queue.size())
                    return;
                batch = m_queue[m_taken++];
            }
            learn(m_fd, *batch);
        }
    }

    const int m_fd;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::vector<Batch *> m_queue; // taken from the front by workers, from the back by the reader
    size_t m_taken = 0;
    bool m_finished = false, m_stopping = false;
    std::vector<std::thread> m_workers;
};

// Entries a batch holds: small enough that workers start early in a large folder and share
// its end evenly, large enough that handing one over costs nothing to speak of.
constexpr size_t kBatchEntries = 1024;

// Runs work(0) .. work(parts - 1), each on a thread of its own but the first.
void runSplit(size_t parts, const std::function<void(size_t)> &work)
{
    std::vector<std::thread> helpers;
    size_t part = 1;
    for (; part < parts; ++part) {
        try {
            helpers.emplace_back(work, part);
        } catch (const std::system_error &) {
            break; // no thread to be had: what is left runs here
        }
    }
    work(0);
    for (; part < parts; ++part)
        work(part);
    for (std::thread &helper : helpers)
        helper.join();
}

// The entries of all batches in name order, from each batch's own order: runs merged two by
// two, each merge cut into as many pieces as there are threads.
std::vector<Pending *> mergedByName(const std::vector<std::unique_ptr<Batch>> &batches)
{
    std::vector<Pending *> merged, other;
    std::vector<size_t> runEnds;
    size_t total = 0;
    for (const auto &batch : batches)
        total += batch->entries.size();
    merged.reserve(total);
    for (const auto &batch : batches) {
        for (const quint32 i : batch->order)
            merged.push_back(&batch->entries[i]);
        batch->order = std::vector<quint32>();
        runEnds.push_back(merged.size());
    }
    if (runEnds.size() > 1)
        other.resize(merged.size());
    const auto before = [](const Pending *a, const Pending *b) { return comesFirst(*a, *b); };
    const size_t pieces = total < 2 * kBatchEntries ? 1 : readingThreads();
    struct Piece
    {
        size_t a, aEnd, b, bEnd, out;
    };
    while (runEnds.size() > 1) {
        std::vector<size_t> joined;
        std::vector<Piece> work;
        size_t begin = 0;
        for (size_t run = 0; run < runEnds.size(); run += 2) {
            const size_t middle = runEnds[run];
            const size_t end = run + 1 < runEnds.size() ? runEnds[run + 1] : middle;
            // The first k of the merged run are the first i of one run and the first k - i of
            // the other, i the least for which the other's (k - i)th does not come after it.
            size_t a = begin, b = middle;
            for (size_t piece = 1; piece <= pieces; ++piece) {
                const size_t k = (end - begin) * piece / pieces;
                size_t low = k > end - middle ? k - (end - middle) : 0, high = std::min(k, middle - begin);
                while (low < high) {
                    const size_t i = (low + high) / 2, j = k - i;
                    if (j > 0 && before(merged[begin + i], merged[middle + j - 1]))
                        low = i + 1;
                    else
                        high = i;
                }
                const size_t aEnd = begin + low, bEnd = middle + (k - low);
                work.push_back({a, aEnd, b, bEnd, a + (b - middle)});
                a = aEnd;
                b = bEnd;
            }
            joined.push_back(end);
            begin = end;
        }
        runSplit(pieces, [&](size_t part) {
            for (size_t i = part; i < work.size(); i += pieces) {
                const Piece &piece = work[i];
                std::merge(merged.begin() + ptrdiff_t(piece.a), merged.begin() + ptrdiff_t(piece.aEnd),
                           merged.begin() + ptrdiff_t(piece.b), merged.begin() + ptrdiff_t(piece.bEnd),
                           other.begin() + ptrdiff_t(piece.out), before);
            }
        });
        merged.swap(other);
        runEnds = std::move(joined);
    }
    return merged;
}

} // namespace

void setUpHeapsForReading()
{
#ifdef __GLIBC__
    // The main thread, the thread that reads a folder and its helpers, and room for the few
    // threads Qt starts of itself: a thread that finds no heap free shares one that is another's.
    mallopt(M_ARENA_MAX, int(readingThreads()) + 5);
#endif
}

FolderListing listOpenFolder(DIR *dir, const QString &path, const FolderIdentity &folder)
{
    const int fd = ::dirfd(dir);
    std::vector<std::unique_ptr<Batch>> batches;
    {
        Learners learners(fd);
        for (;;) {
            errno = 0;
            const dirent *entry = readdir(dir);
            if (!entry) {
                if (errno != 0)
                    throw PlatformError::fromErrno(path, errno);
                break;
            }
            if (entry->d_name[0] == '.')
                continue;
            if (batches.empty() || batches.back()->entries.size() == kBatchEntries) {
                if (!batches.empty()) {
                    learners.submit(batches.back().get());
                    if (Batch *own = learners.claimIfBehind())
                        learn(fd, *own);
                }
                batches.push_back(std::make_unique<Batch>());
            }
            Batch &batch = *batches.back();
            const size_t length = std::strlen(entry->d_name);
            Pending &pending = batch.entries.emplace_back();
            pending.offset = quint32(batch.names.size());
            pending.type = entry->d_type;
            batch.names.append(entry->d_name, length + 1);
        }
        learners.finish(batches.empty() ? nullptr : batches.back().get());
    }

    FolderListing listing;
    listing.identity = folder;
    for (const auto &batch : batches)
        listing.undecodableFolders.append(std::move(batch->undecodableFolders));
    const std::vector<Pending *> byName = mergedByName(batches);
    listing.files.reserve(qsizetype(byName.size()));
    listing.fileIdentities.reserve(qsizetype(byName.size()));
    for (Pending *entry : byName) {
        if (entry->shown == FileIdentity::Kind::File) {
            listing.files.append(std::move(entry->name));
            listing.fileIdentities.append(entry->identity);
        } else if (entry->type == DT_DIR || entry->shown == FileIdentity::Kind::Folder) {
            listing.folders.append(entry->name);
            // A link to a folder is shown as one, but a walk of the tree does not follow it.
            if (entry->type == DT_DIR || entry->identity.kind == FileIdentity::Kind::Folder)
                listing.realFolders.append(std::move(entry->name));
        }
    }
    return listing;
}
