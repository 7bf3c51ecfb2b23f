#include "purgelist.h"

#include <QAbstractListModel>
#include <QStyledItemDelegate>

#include <algorithm>

// The entries as a folder and names: a path is built when a row is shown.
class PurgeListModel : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    void setFiles(const QString &folder, const QStringList &names)
    {
        beginResetModel();
        m_folder = folder;
        m_names = names;
        endResetModel();
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_names.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_names.size())
            return {};
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
            return path(index.row());
        return {};
    }

    QString path(int row) const { return m_folder + m_names.value(row); }
    const QString &name(int row) const { return m_names[row]; }

    // Rows [row, row + count) at once.
    void removeRows(int row, int count)
    {
        beginRemoveRows({}, row, row + count - 1);
        m_names.remove(row, count);
        endRemoveRows();
    }

    void removeRow(int row)
    {
        beginRemoveRows({}, row, row);
        // A confirmed run takes its entries off near the top: move what stands above the entry
        // rather than everything below it.
        if (row < m_names.size() / 2) {
            std::move_backward(m_names.begin(), m_names.begin() + row, m_names.begin() + row + 1);
            m_names.removeFirst();
        } else {
            m_names.removeAt(row);
        }
        endRemoveRows();
    }

private:
    QString m_folder;
    QStringList m_names;
};

namespace {

// Every row is as wide as the list: the view then never scrolls sideways, and a long path is
// elided at the list's edge.
class ListWideRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {1, QStyledItemDelegate::sizeHint(option, index).height()};
    }
};

} // namespace

PurgeList::PurgeList(QWidget *parent) : QListView(parent), m_model(new PurgeListModel(this))
{
    setModel(m_model);
    setItemDelegate(new ListWideRowDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Entries share their folder: a path too long for the list keeps its file name in view,
    // and the whole path is in the entry's tool tip.
    setTextElideMode(Qt::ElideLeft);
}

void PurgeList::setFiles(const QString &folder, const QStringList &names)
{
    m_model->setFiles(folder, names);
}

void PurgeList::clear()
{
    m_model->setFiles(QString(), QStringList());
}

void PurgeList::removeFile(const QString &name, int likelyRow)
{
    int row = likelyRow;
    if (row < 0 || row >= count() || m_model->name(row) != name) {
        for (row = 0; row < count() && m_model->name(row) != name; ++row) {
        }
    }
    if (row < count())
        m_model->removeRow(row);
}

void PurgeList::removeFiles(const QStringList &names, int likelyRow)
{
    // Where they stand together as expected they go at once, with one update of the view.
    bool together = likelyRow >= 0 && likelyRow + names.size() <= count();
    for (qsizetype i = 0; together && i < names.size(); ++i)
        together = m_model->name(likelyRow + int(i)) == names[i];
    if (together && !names.isEmpty()) {
        m_model->removeRows(likelyRow, int(names.size()));
        return;
    }
    for (const QString &name : names)
        removeFile(name, likelyRow);
}

int PurgeList::count() const
{
    return m_model->rowCount();
}

QString PurgeList::path(int row) const
{
    return m_model->path(row);
}

void PurgeList::setCurrentRow(int row)
{
    setCurrentIndex(m_model->index(row));
}

QString PurgeList::selectedPath() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() && selectionModel()->isSelected(current) ? path(current.row())
                                                                      : QString();
}
