#include "filelist.h"

#include "folderreader.h"
#include "wildcardpattern.h"

#include <QDir>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStringListModel>

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

// One name to sort: its case-folded text inside a shared buffer, and where it came from.
struct SortItem
{
    const char16_t *folded;
    int length;
    int index;
    quint64 key; // chunkAt() for the level being sorted
};

// Four characters from position 4 * depth on, packed so that integer order is text order.
// Names never hold U+0000, so a zero unit marks the end of the name.
quint64 chunkAt(const SortItem &item, int depth)
{
    quint64 chunk = 0;
    const int begin = depth * 4;
    for (int i = begin; i < begin + 4; ++i)
        chunk = (chunk << 16) | (i < item.length ? quint64(item.folded[i]) : 0);
    return chunk;
}

bool lessFrom(const SortItem &a, const SortItem &b, int depth)
{
    const int skip = std::min({depth * 4, a.length, b.length});
    const std::u16string_view x(a.folded + skip, size_t(a.length - skip));
    const std::u16string_view y(b.folded + skip, size_t(b.length - skip));
    return x < y;
}

void loadKeys(SortItem *items, int n, int depth)
{
    for (int i = 0; i < n; ++i)
        items[i].key = chunkAt(items[i], depth);
}

// Three-way radix quicksort on four characters at a time: names with long common prefixes
// (model_0001.prt.1, ...) are read once per level instead of in every comparison. Expects
// the keys loaded for this depth.
void radixSort(SortItem *items, int n, int depth)
{
    while (n > 16) {
        const quint64 a = items[0].key, b = items[n / 2].key, c = items[n - 1].key;
        const quint64 pivot = std::max(std::min(a, b), std::min(std::max(a, b), c));
        int lt = 0, gt = n - 1, i = 0;
        while (i <= gt) {
            if (items[i].key < pivot)
                std::swap(items[lt++], items[i++]);
            else if (items[i].key > pivot)
                std::swap(items[i], items[gt--]);
            else
                ++i;
        }
        radixSort(items, lt, depth);
        radixSort(items + gt + 1, n - gt - 1, depth);
        if ((pivot & 0xffff) == 0)
            return; // the middle part are equal names that all end in this chunk
        items += lt;
        n = gt - lt + 1;
        ++depth;
        loadKeys(items, n, depth);
    }
    for (int i = 1; i < n; ++i) {
        for (int j = i; j > 0 && lessFrom(items[j], items[j - 1], depth); --j)
            std::swap(items[j], items[j - 1]);
    }
}

} // namespace

void sortFileNames(QStringList &names, QList<quint64> *companion)
{
    // Few names need folding (most are lower case already); only those get a folded copy.
    // Large fresh allocations are avoided on purpose: on a 30,000-name folder, faulting in
    // new pages costs as much as the sort itself.
    const int n = int(names.size());
    std::vector<QString> foldedCopies;
    std::vector<SortItem> items(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const QString &name = std::as_const(names)[i];
        bool folds = false;
        for (QChar ch : name) {
            const char16_t u = ch.unicode();
            if (u >= 0x80 || (u >= 'A' && u <= 'Z')) {
                folds = true;
                break;
            }
        }
        // Moving a QString keeps its characters in place, so these pointers survive the
        // vector growing.
        const QString *text = &name;
        if (folds) {
            foldedCopies.push_back(name.toCaseFolded());
            text = &foldedCopies.back();
        }
        items[size_t(i)] = {reinterpret_cast<const char16_t *>(text->utf16()), int(text->size()), i,
                            0};
    }
    loadKeys(items.data(), n, 0);
    radixSort(items.data(), n, 0);

    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n;) {
        // Names equal without case stand in their exact order.
        int j = i + 1;
        while (j < n && items[size_t(j)].length == items[size_t(i)].length &&
               std::equal(items[size_t(i)].folded, items[size_t(i)].folded + items[size_t(i)].length,
                          items[size_t(j)].folded))
            ++j;
        if (j - i > 1) {
            std::sort(items.begin() + i, items.begin() + j, [&names](const SortItem &a, const SortItem &b) {
                return QStringView(names[a.index]).compare(QStringView(names[b.index])) < 0;
            });
        }
        for (; i < j; ++i)
            order[size_t(i)] = items[size_t(i)].index;
    }
    // Put every name in its place by following the cycles of the permutation.
    for (int start = 0; start < n; ++start) {
        if (order[size_t(start)] < 0)
            continue;
        QString held = std::move(names[start]);
        const quint64 heldCompanion = companion ? (*companion)[start] : 0;
        int at = start;
        while (order[size_t(at)] != start) {
            const int from = order[size_t(at)];
            names[at] = std::move(names[from]);
            if (companion)
                (*companion)[at] = (*companion)[from];
            order[size_t(at)] = -1;
            at = from;
        }
        names[at] = std::move(held);
        if (companion)
            (*companion)[at] = heldCompanion;
        order[size_t(at)] = -1;
    }
}

FileList::FileList(QWidget *parent) : QListView(parent), m_model(new QStringListModel(this))
{
    setModel(m_model);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void FileList::setFolder(const QString &folder)
{
    load(folder, m_pattern);
}

void FileList::setFolder(const QString &folder, std::optional<FolderListing> listing)
{
    load(folder, m_pattern, std::move(listing));
}

void FileList::setPattern(const QString &pattern)
{
    load(m_folder, pattern);
}

void FileList::refresh()
{
    load(m_folder, m_pattern);
}

void FileList::clear()
{
    m_names.clear();
    m_inodes.clear();
    m_identity = {};
    m_model->setStringList(m_names);
}

int FileList::selectedRow() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void FileList::load(const QString &folder, const QString &pattern,
                    std::optional<FolderListing> listing)
{
    // Letters match without regard to case: *.prt.* also lists BRACKET.PRT.3.
    const WildcardPattern matcher(pattern, Qt::CaseInsensitive);
    const QString cleanFolder = QDir::cleanPath(folder);
    QStringList names;
    QList<quint64> inodes;
    FileIdentity identity;
    if (!folder.isEmpty()) {
        FolderListing read = listing ? std::move(*listing) : readFolder(cleanFolder);
        identity = read.identity;
        if (matcher.matchesAll()) {
            names = std::move(read.files);
            inodes = std::move(read.fileInodes);
        } else {
            for (qsizetype i = 0; i < read.files.size(); ++i) {
                if (matcher.matches(read.files[i])) {
                    names.append(read.files[i]);
                    inodes.append(read.fileInodes[i]);
                }
            }
        }
        sortFileNames(names, &inodes);
    }
    // A re-read of the same folder keeps the user's place in the list.
    const int selected = selectedRow();
    const QString keep = cleanFolder == m_folder && selected >= 0 ? m_names[selected] : QString();
    const int scrolled = verticalScrollBar()->value();

    m_folder = folder.isEmpty() ? QString() : cleanFolder;
    m_pattern = pattern;
    m_names = std::move(names);
    m_inodes = std::move(inodes);
    m_identity = identity;
    m_model->setStringList(m_names);

    if (!keep.isEmpty()) {
        const qsizetype row = m_names.indexOf(keep);
        if (row >= 0)
            setCurrentIndex(m_model->index(int(row)));
        verticalScrollBar()->setValue(scrolled);
    }
}

void FileList::keyReleaseEvent(QKeyEvent *event)
{
    QListView::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        emit keyReleased(event->key(), event->modifiers());
}
