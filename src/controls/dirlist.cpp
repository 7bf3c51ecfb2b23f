#include "dirlist.h"

#include "folderreader.h"
#include "filelist.h"
#include "platformerror.h"
#include "responsivewait.h"

#include <QApplication>
#include <QDir>
#include <QFocusEvent>
#include <QHeaderView>
#include <QStyle>

DirList::DirList(QWidget *parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(10);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setExpandsOnDoubleClick(false);
    connect(this, &QTreeWidget::itemActivated, this, [this] { emit entryOpened(); });
}

void DirList::setPath(const QString &path)
{
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        throw PlatformError(QStringLiteral("Not a folder: ") + path);
    const QString clean = QDir::cleanPath(path);
    FolderListing listing = runWhileResponsive([&] { return readFolder(clean); });
    const bool changed = clean != m_path;
    rebuild(clean, listing.folders);
    listing.folders.clear();
    m_listing = std::move(listing);
    if (changed)
        emit pathChanged();
}

std::optional<FolderListing> DirList::takeListing()
{
    return std::exchange(m_listing, std::nullopt);
}

QString DirList::highlightedPath() const
{
    const QTreeWidgetItem *item = currentItem();
    return item ? item->data(0, Qt::UserRole).toString() : m_path;
}

void DirList::rebuild(const QString &path, const QStringList &subfolders)
{
    m_path = path;
    QTreeWidget::clear();
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);

    // One entry per level from the root down to the current folder, each inside the last. The
    // root is the drive's ("C:/" on Windows) and is shown as the system writes it.
    const QString root = path.section(QLatin1Char('/'), 0, 0) + QLatin1Char('/');
    const QStringList parts = path.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QTreeWidgetItem *item = new QTreeWidgetItem(this, {QDir::toNativeSeparators(root)});
    item->setData(0, Qt::UserRole, root);
    item->setIcon(0, open);
    QString current = root;
    for (const QString &part : parts) {
        current += (current.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) + part;
        auto *child = new QTreeWidgetItem(item, {part});
        child->setData(0, Qt::UserRole, current);
        child->setIcon(0, open);
        item = child;
    }
    QTreeWidgetItem *currentFolder = item;
    const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    for (const QString &name : subfolders) {
        auto *child = new QTreeWidgetItem(currentFolder, {name});
        child->setData(0, Qt::UserRole, prefix + name);
        child->setIcon(0, closed);
    }
    expandAll();
    setCurrentItem(currentFolder);
    scrollToItem(currentFolder, QAbstractItemView::PositionAtTop);
}

void DirList::focusOutEvent(QFocusEvent *event)
{
    QTreeWidget::focusOutEvent(event);
    // Only a move to another control counts, not the window losing activation or a popup.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        emit lostFocus();
}
