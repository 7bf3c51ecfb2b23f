#include "filelist.h"

#include "folderreader.h"
#include "memoryrelease.h"
#include "responsivewait.h"
#include "wildcardpattern.h"

#include <QDir>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStringListModel>

#include <utility>

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
    // An acceptable pattern stays even when the folder cannot be read: the folder the window
    // falls back to is then listed with it.
    [[maybe_unused]] const WildcardPattern checked(pattern, Qt::CaseInsensitive); // or throws
    m_pattern = pattern;
    load(m_folder, pattern);
}

void FileList::refresh()
{
    load(m_folder, m_pattern);
}

void FileList::clear()
{
    m_names.clear();
    m_identities.clear();
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
    QList<FileIdentity> identities;
    FolderIdentity identity;
    qsizetype read = 0;
    if (!folder.isEmpty()) {
        MatchingFiles files = runWhileResponsive([&] {
            FolderListing listed = listing ? std::move(*listing) : readFolder(cleanFolder);
            identity = listed.identity;
            read = listed.files.size() + listed.folders.size();
            return matchingFiles(std::move(listed), matcher);
        });
        names = std::move(files.names);
        identities = std::move(files.identities);
    }
    // A re-read of the same folder keeps the user's place in the list.
    const int selected = selectedRow();
    const QString keep = cleanFolder == m_folder && selected >= 0 ? m_names[selected] : QString();
    const int scrolled = verticalScrollBar()->value();
    // A large list read, or one let go of, leaves much memory free.
    constexpr qsizetype kLargeFolder = 20000;
    const bool large = read >= kLargeFolder || m_names.size() >= kLargeFolder;

    m_folder = folder.isEmpty() ? QString() : cleanFolder;
    m_pattern = pattern;
    m_names = std::move(names);
    m_identities = std::move(identities);
    m_identity = identity;
    m_model->setStringList(m_names);
    if (large)
        releaseMemoryWhenIdle();

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
